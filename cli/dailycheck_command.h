#pragma once

#include <QStringList>

namespace kestrel::cli {

// kestrel-batch dailycheck --ne NAME [--ne NAME ...] [--cycles N] [--report-root DIR]
//   [--filter FILE] [--known-alarms FILE] [--no-sound] [--solution NAME ...]
//   [connection options] [--timeout S]
int RunDailyCheck(const QStringList& arguments);

}  // namespace kestrel::cli
