#pragma once

#include <string_view>

namespace kestrel::platform {

// The system beep: a tone of `hz` for `ms` milliseconds; returns when it has sounded.
class Sound {
 public:
  virtual ~Sound() = default;
  virtual void Beep(int hz, int ms) = 0;
};

// A plain message box in the program's own words; returns when the engineer has closed it.
class Messages {
 public:
  virtual ~Messages() = default;
  virtual void Show(std::string_view text) = 0;
};

}  // namespace kestrel::platform
