#pragma once

#include <QStringList>

namespace kestrel::cli {

// kestrel-batch rlslp --ne NAME [--ne NAME ...] [connection options] [--timeout S]
int RunRlslp(const QStringList& arguments);

}  // namespace kestrel::cli
