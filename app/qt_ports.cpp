#include "app/qt_ports.h"

#include <QFileDialog>
#include <QPointer>

namespace kestrel::app {

// "TextFile(.txt)|.txt": a description and a mask, as the engineers' file filters read.
std::string QtFileDialogs::SaveFileName(std::string_view filter) {
  const QString text = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()));
  const QString description = text.section('|', 0, 0);
  const QString mask = text.section('|', 1, 1);
  return QFileDialog::getSaveFileName(parent_, "Save as", {}, description + " (*" + mask + ")")
      .toStdString();
}

std::string QtFileDialogs::OpenFileName() {
  return QFileDialog::getOpenFileName(parent_, "Open").toStdString();
}

namespace {
// The boxes shown, in the order they were shown; those closed since are null.
QList<QPointer<QMessageBox>>& Shown() {
  static QList<QPointer<QMessageBox>> shown;
  return shown;
}
}  // namespace

QMessageBox* ShowBox(QWidget* parent, const QString& title, const QString& text,
                     QMessageBox::Icon icon) {
  auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
  Shown().removeAll(nullptr);
  Shown() << box;
  return box;
}

QList<QMessageBox*> ShownBoxes() {
  QList<QMessageBox*> boxes;
  for (const QPointer<QMessageBox>& box : Shown()) {
    if (box != nullptr && box->isVisible()) boxes << box.data();
  }
  return boxes;
}

void QtMessages::Show(std::string_view text, Kind kind) {
  ShowBox(parent_, title_, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
          kind == Kind::kWarning ? QMessageBox::Warning : QMessageBox::Information);
}

}  // namespace kestrel::app
