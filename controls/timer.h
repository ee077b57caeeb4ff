#pragma once

#include <functional>

#include "controls/notifier.h"

namespace kestrel::controls {

// A message-driven timer: while enabled, its handler runs every `Interval` milliseconds,
// counted from the moment it was enabled or its interval last changed. Who drives it (a
// QTimer in the programs, a manual clock in tests) listens to `changed`.
class Timer {
 public:
  Notifier changed;
  std::function<void()> OnTimer;

  explicit Timer(int interval_ms = 1000, bool enabled = false)
      : interval_ms_(interval_ms), enabled_(enabled) {}

  int Interval() const { return interval_ms_; }
  bool Enabled() const { return enabled_; }
  // A new interval restarts the count of a running timer; zero or less never fires.
  void SetInterval(int interval_ms) {
    if (interval_ms_ == interval_ms) return;
    interval_ms_ = interval_ms;
    changed.Notify();
  }
  // Enabling an enabled timer changes nothing; disabling then enabling restarts the count.
  void SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    changed.Notify();
  }
  void Fire() const {
    if (OnTimer) OnTimer();
  }

 private:
  int interval_ms_;
  bool enabled_;
};

}  // namespace kestrel::controls
