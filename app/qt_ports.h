#pragma once

#include <QWidget>

#include "platform/ports.h"

namespace kestrel::app {

// The system beep. The tone's pitch is the sound card's business here; the length holds, so
// that two beeps sound as two, one after the other.
class QtSound : public platform::Sound {
 public:
  void Beep(int hz, int ms) override;
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
