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

TEST(VisitSchedule, MorePassesThanCouldEverRunIsARunWithoutEnd) {
  const VisitSchedule schedule({"A", "B", "C"}, ~std::uint64_t{0} / 2);
  EXPECT_EQ(schedule.Total(), 0u);
}

TEST(VisitSchedule, AnEmptyListHasNothingToHandOut) {
  VisitSchedule schedule({}, 1);
  EXPECT_TRUE(schedule.Exhausted());
  EXPECT_EQ(schedule.Next(), std::nullopt);
}

}  // namespace
}  // namespace kestrel::cli
