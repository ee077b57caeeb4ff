#pragma once

#include <QStringList>

namespace kestrel::cli {

// kestrel-batch broadcast --ne NAME [connection options] [--timeout S]
int RunBroadcast(const QStringList& arguments);

}  // namespace kestrel::cli
