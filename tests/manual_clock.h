#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "controls/timer.h"

namespace kestrel::testing {

// Drives timer models in tests: time moves only when the test advances it, so a 30-second
// wait takes microseconds. Timers fire in order of their due time, each as often as its
// interval fits.
class ManualClock {
 public:
  void Attach(controls::Timer& timer);
  void Advance(std::int64_t ms);
  std::int64_t Now() const { return now_; }

 private:
  struct Entry {
    controls::Timer* timer;
    controls::Notifier::Subscription subscription;
    std::int64_t due;  // -1 while the timer does not run
  };
  void Schedule(Entry& entry);

  // Entries stay where they are: their subscriptions point at them.
  std::vector<std::unique_ptr<Entry>> entries_;
  std::int64_t now_ = 0;
};

}  // namespace kestrel::testing
