#pragma once

#include <cstdint>
#include <vector>

#include "controls/timer.h"

namespace kestrel::testing {

// Drives timer models in tests: time moves only when the test advances it, so a 30-second
// wait takes microseconds. Timers fire in order of their due time, each as often as its
// interval fits.
class ManualClock {
 public:
  ~ManualClock();
  void Attach(controls::Timer& timer);
  void Advance(std::int64_t ms);
  std::int64_t Now() const { return now_; }

 private:
  struct Entry {
    controls::Timer* timer;
    std::size_t subscription;
    std::int64_t due;  // -1 while the timer does not run
  };
  void Schedule(Entry& entry);

  std::vector<Entry> entries_;
  std::int64_t now_ = 0;
};

}  // namespace kestrel::testing
