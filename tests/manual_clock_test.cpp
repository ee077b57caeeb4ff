#include "tests/manual_clock.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::testing {
namespace {

TEST(ManualClock, FiresEveryIntervalWhileEnabled) {
  ManualClock clock;
  controls::Timer timer(30000);
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  clock.Attach(timer);
  clock.Advance(60000);
  EXPECT_EQ(ticks, 0);  // not enabled
  timer.SetEnabled(true);
  clock.Advance(29999);
  EXPECT_EQ(ticks, 0);
  clock.Advance(1);
  EXPECT_EQ(ticks, 1);
  clock.Advance(90000);
  EXPECT_EQ(ticks, 4);
}

TEST(ManualClock, RestartingCountsFromNowAndHandlersMayStopTheirTimer) {
  ManualClock clock;
  controls::Timer release(3000), watchdog(30000);
  std::string order;
  release.OnTimer = [&] {
    order += 'r';
    release.SetEnabled(false);
  };
  watchdog.OnTimer = [&] { order += 'w'; };
  clock.Attach(release);
  clock.Attach(watchdog);
  watchdog.SetEnabled(true);
  clock.Advance(20000);
  watchdog.SetInterval(15000);  // restarts: due at 35000
  release.SetEnabled(true);     // due at 23000, then stops itself
  clock.Advance(14999);
  EXPECT_EQ(order, "r");
  clock.Advance(5001);
  EXPECT_EQ(order, "rw");
  EXPECT_EQ(clock.Now(), 40000);
}

}  // namespace
}  // namespace kestrel::testing
