#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <functional>

namespace kestrel::testing {

// Runs the event loop until `done` holds or `ms` have passed (only a hang takes that long).
// `done` is asked once a turn and never again after it held: it may have effects of its own.
inline bool RunUntil(const std::function<bool()>& done, int ms = 30000) {
  QElapsedTimer timer;
  timer.start();
  for (;;) {
    if (done()) return true;
    if (timer.elapsed() >= ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
}

}  // namespace kestrel::testing
