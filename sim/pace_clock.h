#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace kestrel::sim {

// What the gateway paces its output on: milliseconds that only go forward, and wake-ups at a
// time on them. The program runs it on the event loop (EventLoopPaceClock); a test may move
// the time itself, so that what it sees of delays does not hang on the machine's speed.
class PaceClock {
 public:
  // One pending wake-up at most: Start sets it anew, and its `ring` runs once when it is due.
  class Alarm {
   public:
    virtual ~Alarm() = default;
    // `ms` from now; 0: as soon as the event loop gets to it.
    virtual void Start(std::int64_t ms) = 0;
    virtual bool Active() const = 0;
  };

  virtual ~PaceClock() = default;
  virtual std::int64_t NowMs() const = 0;
  virtual std::unique_ptr<Alarm> MakeAlarm(std::function<void()> ring) = 0;
};

// A steady clock and single-shot timers of the event loop's thread.
std::unique_ptr<PaceClock> EventLoopPaceClock();

}  // namespace kestrel::sim
