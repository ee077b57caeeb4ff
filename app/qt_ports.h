#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>

#include "platform/ports.h"

namespace kestrel::app {

class QtFileDialogs : public platform::FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
  std::string SaveFileName(std::string_view filter) override;
  std::string OpenFileName() override;

 private:
  QWidget* parent_;
};

// Shows a message box over `parent` and returns at once: the box is not modal and goes when
// it is closed, so no handler waits in it and every page's session goes on meanwhile.
QMessageBox* ShowBox(QWidget* parent, const QString& title, const QString& text,
                     QMessageBox::Icon icon);
// The message boxes on the screen now, the oldest first.
QList<QMessageBox*> ShownBoxes();

// The message boxes of one page, titled with the page's name ("Kestrel - RLSLP_check"), so
// that a box says which page it speaks for.
class QtMessages : public platform::Messages {
 public:
  explicit QtMessages(QWidget* parent, QString title = "Kestrel")
      : parent_(parent), title_(std::move(title)) {}
  void Show(std::string_view text, Kind kind) override;

 private:
  QWidget* parent_;
  QString title_;
};

}  // namespace kestrel::app
