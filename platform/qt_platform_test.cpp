#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <stdexcept>

#include "platform/dispatch.h"
#include "platform/qt_timer.h"
#include "platform/site_settings.h"

namespace kestrel::platform {
namespace {

void RunFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(QtTimerDriver, FollowsTheModelAndAHandlerErrorDoesNotStopTheLoop) {
  std::vector<std::string> errors;
  SetErrorSink([&](const std::string& message) { errors.push_back(message); });
  controls::Timer model(1);
  int ticks = 0;
  model.OnTimer = [&] {
    if (++ticks == 1) throw std::runtime_error("first tick failed");
  };
  QtTimerDriver driver(model);
  RunFor(20);
  EXPECT_EQ(ticks, 0);  // not enabled yet
  model.SetEnabled(true);
  QElapsedTimer waited;
  waited.start();
  while (ticks < 3 && waited.elapsed() < 2000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_GE(ticks, 3);
  model.SetEnabled(false);
  const int stopped_at = ticks;
  RunFor(20);
  EXPECT_EQ(ticks, stopped_at);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "first tick failed");
}

TEST(SiteSettings, MissingDefaultFileGivesTheBuiltInValues) {
  const auto settings = SiteSettings::Load("/nonexistent/site.ini", false);
  EXPECT_EQ(settings.gateway_host, "127.0.0.1");
  EXPECT_EQ(settings.gateway_port, 52200);
  EXPECT_THROW(SiteSettings::Load("/nonexistent/site.ini", true), std::runtime_error);
}

}  // namespace
}  // namespace kestrel::platform
