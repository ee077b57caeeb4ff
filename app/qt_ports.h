#pragma once

#include <QWidget>

#include "platform/ports.h"

namespace kestrel::app {

// A plain message box over `parent`, waiting until it is closed.
class QtMessages : public platform::Messages {
 public:
  explicit QtMessages(QWidget* parent) : parent_(parent) {}
  void Show(std::string_view text) override;

 private:
  QWidget* parent_;
};

}  // namespace kestrel::app
