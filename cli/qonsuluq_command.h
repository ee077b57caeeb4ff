#pragma once

#include <QStringList>

namespace kestrel::cli {

// kestrel-batch qonsuluq --cell-bsc NAME --cellr-bsc NAME --cells FILE --cellrs FILE
//   [--extpen ON|OFF] [--cand AWN|NHN|BOTH] [--trhyst N] [--troffsetp N] [--lhyst N]
//   [--awoffset N] [--hihyst N] [--khyst N] [--mbcr N] [connection options] [--timeout S]
int RunQonsuluq(const QStringList& arguments);

}  // namespace kestrel::cli
