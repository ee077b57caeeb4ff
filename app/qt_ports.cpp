#include "app/qt_ports.h"

#include <QFileDialog>
#include <QMessageBox>

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

void QtMessages::Show(std::string_view text) {
  QMessageBox::information(parent_, "Kestrel",
                           QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace kestrel::app
