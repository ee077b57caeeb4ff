#pragma once

#include <QObject>
#include <QTimer>

#include "controls/timer.h"

namespace kestrel::platform {

// Drives a timer model with a QTimer on the event loop's thread.
class QtTimerDriver : public QObject {
  Q_OBJECT

 public:
  explicit QtTimerDriver(controls::Timer& model, QObject* parent = nullptr);

 private:
  void Apply();

  controls::Timer& model_;
  QTimer timer_;
  controls::Notifier::Subscription subscription_;
};

}  // namespace kestrel::platform
