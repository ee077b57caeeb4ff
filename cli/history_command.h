#pragma once

#include <QStringList>

namespace kestrel::cli {

// kestrel-batch history [--history FILE] [--since DATE] [--until DATE] [--ne NAME] [--active]
//   [--text WORDS] [--format text|csv|json] [--settings FILE]
// The alarms of the Daily check's history, one a row, oldest first.
int RunHistory(const QStringList& arguments);

}  // namespace kestrel::cli
