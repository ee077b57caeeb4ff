#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

// What each alarm queues and reports, read from the rows of the alarm list as printed; a value
// that does not fit its order is noted, a problem of its element, and never queued; the first
// order goes out at once. Every warning and solution line of the report is a result of its
// alarm.
TEST(Solutions, EachAlarmQueuesItsOrdersFromItsRows) {
  for (const DataCase& row : DataCases("dailycheck-solutions.txt")) {
    SCOPED_TRACE(row.name);
    PageBench bench;
    bench.page.FilterMemo.SetText("ALL SEIZURE SUPERVISION");  // the report holds solutions only
    RunScript(bench, row, row);
    std::size_t problems = 0;
    for (const auto& line : bench.page.Memoreportdc.Lines())
      problems += line.find("not queued") != std::string::npos;
    EXPECT_EQ(bench.page.Outcomes.Find("BSC9")->problems.size(), problems);
  }
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
