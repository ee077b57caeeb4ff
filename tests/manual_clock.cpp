#include "tests/manual_clock.h"

namespace kestrel::testing {

ManualClock::~ManualClock() {
  for (auto& entry : entries_) entry.timer->changed.Unsubscribe(entry.subscription);
}

void ManualClock::Attach(controls::Timer& timer) {
  const std::size_t index = entries_.size();
  entries_.push_back({&timer, 0, -1});
  entries_[index].subscription =
      timer.changed.Subscribe([this, index] { Schedule(entries_[index]); });
  Schedule(entries_[index]);
}

void ManualClock::Schedule(Entry& entry) {
  const bool runs = entry.timer->Enabled() && entry.timer->Interval() > 0;
  entry.due = runs ? now_ + entry.timer->Interval() : -1;
}

void ManualClock::Advance(std::int64_t ms) {
  const std::int64_t target = now_ + ms;
  while (true) {
    Entry* next = nullptr;
    for (auto& entry : entries_) {
      if (entry.due >= 0 && entry.due <= target && (next == nullptr || entry.due < next->due)) {
        next = &entry;
      }
    }
    if (next == nullptr) break;
    now_ = next->due;
    // Rescheduled before the handler runs, so a handler that stops or restarts its own
    // timer has the last word.
    next->due = now_ + next->timer->Interval();
    next->timer->Fire();
  }
  now_ = target;
}

}  // namespace kestrel::testing
