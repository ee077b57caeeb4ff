#include "cli/visit_schedule.h"

#include <gtest/gtest.h>

namespace kestrel::cli {
namespace {

TEST(VisitSchedule, HandsOutTheListInOrderPassAfterPass) {
  VisitSchedule schedule({"BSC9", "MSC9", "BSC10"}, 2);
  EXPECT_EQ(schedule.Total(), 6u);
  std::vector<std::string> order;
  for (std::uint64_t expected = 0; expected < 6; ++expected) {
    const auto visit = schedule.Next();
    ASSERT_EQ(visit, expected);
    order.push_back(schedule.Element(*visit));
    schedule.Done(*visit);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"BSC9", "MSC9", "BSC10", "BSC9", "MSC9", "BSC10"}));
  EXPECT_TRUE(schedule.Exhausted());
  EXPECT_EQ(schedule.Next(), std::nullopt);
}

TEST(VisitSchedule, AVisitWaitsWhileItsElementIsBeingVisited) {
  VisitSchedule schedule({"BSC9", "MSC9"}, 3);
  const auto first = schedule.Next();   // BSC9
  const auto second = schedule.Next();  // MSC9
  ASSERT_TRUE(first && second);
  schedule.Done(*second);
  // The next is BSC9 again, still being visited: nothing, and nothing after it either.
  EXPECT_EQ(schedule.Next(), std::nullopt);
  EXPECT_FALSE(schedule.Exhausted());
  schedule.Done(*first);
  EXPECT_EQ(schedule.Next(), 2u);
  EXPECT_EQ(schedule.Next(), 3u);  // MSC9 is free
}

TEST(VisitSchedule, AnElementListedTwiceNeverHasTwoVisitsAtOnce) {
  VisitSchedule schedule({"BSC9", "BSC9", "MSC9"}, 1);
  const auto first = schedule.Next();
  ASSERT_TRUE(first);
  EXPECT_EQ(schedule.Next(), std::nullopt);
  schedule.Done(*first);
  EXPECT_EQ(schedule.Next(), 1u);
  EXPECT_EQ(schedule.Next(), 2u);  // MSC9
  EXPECT_TRUE(schedule.Exhausted());
}

TEST(VisitSchedule, WithoutEndUntilClosed) {
  VisitSchedule schedule({"BSC9"}, 0);
  EXPECT_EQ(schedule.Total(), 0u);
  for (std::uint64_t visit = 0; visit < 1000; ++visit) {
    ASSERT_EQ(schedule.Next(), visit);
    schedule.Done(visit);
  }
  EXPECT_FALSE(schedule.Exhausted());
  schedule.Close();
  EXPECT_TRUE(schedule.Exhausted());
  EXPECT_EQ(schedule.Next(), std::nullopt);
}

// More passes than could ever run is a run without end; an empty list has nothing to hand out.
TEST(VisitSchedule, CountsBeyondReachAndEmptyLists) {
  EXPECT_EQ(VisitSchedule({"A", "B", "C"}, ~std::uint64_t{0} / 2).Total(), 0u);
  VisitSchedule empty({}, 1);
  EXPECT_TRUE(empty.Exhausted());
  EXPECT_EQ(empty.Next(), std::nullopt);
}

// A pass begins no sooner than the shortest cycle after the last began; an element waiting out
// its back-off is passed over; when every element waits, the first one due is waited for.
TEST(VisitSchedule, ThePaceHoldsPassesBackAndPassesOverElementsThatWait) {
  VisitSchedule schedule({"A", "B"}, 3);
  schedule.Pace(1000, 5000);
  for (std::uint64_t visit : {0u, 1u}) {
    ASSERT_EQ(schedule.Next(0), visit);
    schedule.Done(visit);
    schedule.Settle(schedule.Element(visit), visit == 1, 0);  // A failed: back at 5000
  }
  EXPECT_EQ(schedule.Next(10), std::nullopt);
  EXPECT_EQ(schedule.WaitsUntil(), 1000);
  EXPECT_EQ(schedule.Next(1000), 3u);  // A passed over
  EXPECT_EQ(schedule.TakePassedOver(), std::vector<std::uint64_t>{2});
  schedule.Done(3);
  schedule.Settle("B", false, 1500);  // back at 6500
  EXPECT_EQ(schedule.Next(1500), std::nullopt);
  EXPECT_EQ(schedule.WaitsUntil(), 5000);
  EXPECT_EQ(schedule.Next(5000), 4u);
}

// An element that is never checked is tried again 30 s after, then twice as long each time,
// up to ten minutes; a pass that checks it ends its back-off.
TEST(VisitSchedule, TheBackOffDoublesUpToTenMinutesAndACheckEndsIt) {
  VisitSchedule schedule({"A"}, 0);
  schedule.Pace(0, 30000);
  std::int64_t now = 0;
  std::vector<std::int64_t> waits;
  for (int failure = 0; failure < 7; ++failure) {
    const auto visit = schedule.Next(now);
    ASSERT_TRUE(visit.has_value()) << failure;
    schedule.Done(*visit);
    schedule.Settle("A", false, now);
    ASSERT_EQ(schedule.Next(now), std::nullopt);
    waits.push_back(*schedule.WaitsUntil() - now);
    now = *schedule.WaitsUntil();
  }
  EXPECT_EQ(waits,
            (std::vector<std::int64_t>{30000, 60000, 120000, 240000, 480000, 600000, 600000}));
  const auto visit = schedule.Next(now);
  ASSERT_TRUE(visit.has_value());
  schedule.Done(*visit);
  schedule.Settle("A", true, now);
  EXPECT_TRUE(schedule.Next(now).has_value());
}

}  // namespace
}  // namespace kestrel::cli
