#include "platform/qt_timer.h"

#include "platform/dispatch.h"

namespace kestrel::platform {

QtTimerDriver::QtTimerDriver(controls::Timer& model, QObject* parent)
    : QObject(parent), model_(model) {
  connect(&timer_, &QTimer::timeout, this, [this] { Dispatch([this] { model_.Fire(); }); });
  subscription_ = model_.changed.Subscribe([this] { Apply(); });
  Apply();
}

void QtTimerDriver::Apply() {
  if (model_.Enabled() && model_.Interval() > 0) {
    timer_.start(model_.Interval());  // (re)starts the count
  } else {
    timer_.stop();
  }
}

}  // namespace kestrel::platform
