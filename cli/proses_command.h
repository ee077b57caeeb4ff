#pragma once

#include <QStringList>

namespace kestrel::cli {

// kestrel-batch proses --ne NAME [--ne NAME ...] [--procedure rxtei|rxlti]
//   [--filter-cell NAME ...] [--no-cf] [--release-ms N] [connection options] [--timeout S]
int RunProses(const QStringList& arguments);

}  // namespace kestrel::cli
