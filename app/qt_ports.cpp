#include "app/qt_ports.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace kestrel::app {

void QtSound::Beep(int, int ms) {
  QApplication::beep();
  QThread::msleep(static_cast<unsigned long>(ms));
}

void QtMessages::Show(std::string_view text) {
  QMessageBox::information(parent_, "Kestrel",
                           QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace kestrel::app
