#pragma once

#include <QStringList>

namespace kestrel::cli {

// kestrel-batch relocation --ne NAME --target N --cells FILE [connection options] [--timeout S]
int RunRelocation(const QStringList& arguments);

}  // namespace kestrel::cli
