#pragma once

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

// A plain message box over `parent`, waiting until it is closed.
class QtMessages : public platform::Messages {
 public:
  explicit QtMessages(QWidget* parent) : parent_(parent) {}
  void Show(std::string_view text) override;

 private:
  QWidget* parent_;
};

}  // namespace kestrel::app
