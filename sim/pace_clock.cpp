#include "sim/pace_clock.h"

#include <QElapsedTimer>
#include <QTimer>

namespace kestrel::sim {

namespace {

class TimerAlarm : public PaceClock::Alarm {
 public:
  explicit TimerAlarm(std::function<void()> ring) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, std::move(ring));
  }
  void Start(std::int64_t ms) override { timer_.start(static_cast<int>(ms)); }
  bool Active() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
};

class EventLoopClock : public PaceClock {
 public:
  EventLoopClock() { elapsed_.start(); }
  std::int64_t NowMs() const override { return elapsed_.elapsed(); }
  std::unique_ptr<Alarm> MakeAlarm(std::function<void()> ring) override {
    return std::make_unique<TimerAlarm>(std::move(ring));
  }

 private:
  QElapsedTimer elapsed_;
};

}  // namespace

std::unique_ptr<PaceClock> EventLoopPaceClock() { return std::make_unique<EventLoopClock>(); }

}  // namespace kestrel::sim
