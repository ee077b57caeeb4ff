// A visit whose queue runs to its end (its ends at every step are rows of the page endings
// table), and the block orders read from the entries.
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

TEST(SessionEnd, AQueueRunToItsEndSaysWhatItLeftBlocked) {
  for (const DataCase& solution : DataCases("dailycheck-queues.txt")) {
    SCOPED_TRACE(solution.name);
    PageBench bench;
    Visit(bench, solution);
    bench.page.StartdcClick();
    for (const Step& step : Dialogue(solution)) Play(bench, step);
    EXPECT_EQ(bench.page.Memoreportdc.Lines(), solution.Lines("report"));
    EXPECT_EQ(bench.files.written.size(), 1u);
    EXPECT_EQ(bench.Connects(), 2);  // on to the next visit
    const pages::ElementOutcome* outcome = bench.page.Outcomes.Find("BSC9");
    EXPECT_EQ(outcome->finished, 1);
    EXPECT_EQ(outcome->ended_early, "");
    EXPECT_EQ(outcome->maybe_blocked, solution.Lines("left blocked"));
    EXPECT_EQ(outcome->problems, solution.Lines("problems"));
  }
}

// Each row of "block orders" in readings.txt.
TEST(BlockOrders, ReadFromTheEntriesAsSent) {
  for (const auto& row : pages::testing::Rows("readings.txt", "block orders")) {
    const auto order = ReadBlockOrder(row.at(0));
    EXPECT_EQ(order ? (order->blocks ? "+" : "-") + order->object : "", row.at(1)) << row[0];
  }
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
