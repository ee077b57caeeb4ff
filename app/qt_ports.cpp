#include "app/qt_ports.h"

#include <QMessageBox>

namespace kestrel::app {

void QtMessages::Show(std::string_view text) {
  QMessageBox::information(parent_, "Kestrel",
                           QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace kestrel::app
