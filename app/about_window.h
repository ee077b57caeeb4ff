#pragma once

#include <QDialog>

namespace kestrel::app {

// The About window, shown modally.
class TForm4 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);
};

}  // namespace kestrel::app
