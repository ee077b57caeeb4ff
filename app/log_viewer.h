#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

namespace kestrel::app {

// A session log shown read-only, in a window of its own: the "READ" viewer keeps what the
// pages wrote into it. Its caption names the log file.
class LogViewer : public QWidget {
  Q_OBJECT

 public:
  explicit LogViewer(QWidget* parent = nullptr);

  // Shows the log at `path` (its end, when it is long), named by `name`; throws
  // std::runtime_error when it cannot be read.
  void ShowLog(const QString& path, const QString& name);

  QPlainTextEdit* Text;
};

}  // namespace kestrel::app
