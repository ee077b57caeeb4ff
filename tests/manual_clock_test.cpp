#include "tests/manual_clock.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::testing {
namespace {

// A timer fires every interval while enabled, counted from its enabling or its new interval; a
// handler may stop its own timer; timers fire in the order they fall due.
TEST(ManualClock, FiresEveryIntervalWhileEnabledCountedFromItsStart) {
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
  clock.Advance(60000);  // neither enabled
  watchdog.SetEnabled(true);
  clock.Advance(29999);
  EXPECT_EQ(order, "");
  clock.Advance(1);
  EXPECT_EQ(order, "w");
  clock.Advance(90000);
  EXPECT_EQ(order, "wwww");
  clock.Advance(20000);
  watchdog.SetInterval(15000);  // restarts: due at 215000, not 210000
  release.SetEnabled(true);     // due at 203000, then stops itself
  clock.Advance(14999);
  EXPECT_EQ(order, "wwwwr");
  clock.Advance(5001);
  EXPECT_EQ(order, "wwwwrw");
  EXPECT_EQ(clock.Now(), 220000);
}

}  // namespace
}  // namespace kestrel::testing
