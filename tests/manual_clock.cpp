#include "tests/manual_clock.h"

namespace kestrel::testing {

void ManualClock::Attach(controls::Timer& timer) {
  auto& entry = *entries_.emplace_back(std::make_unique<Entry>(Entry{&timer, {}, -1}));
  entry.subscription = timer.changed.Subscribe([this, &entry] { Schedule(entry); });
  Schedule(entry);
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
      if (entry->due >= 0 && entry->due <= target && (next == nullptr || entry->due < next->due)) {
        next = entry.get();
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
