#include "app/log_viewer.h"

#include <QFile>
#include <QFontDatabase>
#include <QVBoxLayout>
#include <stdexcept>

#include "widgets/widgets.h"

namespace kestrel::app {

namespace {
// The most of a log the viewer is given: its end, where the last session is.
constexpr qint64 kMostShown = 8 * 1024 * 1024;
}  // namespace

LogViewer::LogViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("LogViewer");
  resize(760, 545);
  Text = new QPlainTextEdit(this);
  Text->setObjectName("LogText");
  Text->setReadOnly(true);
  Text->setLineWrapMode(QPlainTextEdit::NoWrap);
  Text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Text->setFont(widgets::PaneFont(QFontDatabase::families()));
  Text->setStyleSheet("QPlainTextEdit { color: white; background: #1d3b5c; }");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Text);
}

void LogViewer::ShowLog(const QString& path, const QString& name) {
  QFile log(path);
  if (!log.open(QIODevice::ReadOnly)) {
    throw std::runtime_error(path.toStdString() + ": " + log.errorString().toStdString());
  }
  QString text;
  if (log.size() > kMostShown) {
    log.seek(log.size() - kMostShown);
    log.readLine();  // from the start of a whole line
    text = "(" + QString::number(log.pos()) + " bytes of " + path +
           " are left out; the rest follows)\n";
  }
  text += QString::fromUtf8(log.readAll());
  setWindowTitle("Session log " + name);
  Text->setPlainText(text);
  Text->moveCursor(QTextCursor::End);  // the session's end is what is looked for first
  Text->ensureCursorVisible();
  show();
  raise();
  activateWindow();
}

}  // namespace kestrel::app
