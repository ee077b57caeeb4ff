#include "cli/visit_schedule.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "tests/test_data.h"

namespace kestrel::cli {
namespace {

// The rows of tests/data/cli/visit-schedules.txt.
TEST(VisitSchedule, HandsOutTheListInOrderOneVisitOfAnElementAtATimeAtItsPace) {
  const auto rows = kestrel::testing::TestDataSections("cli/visit-schedules.txt").at("rows");
  for (const std::string& line : kestrel::testing::SplitAt(rows, "\r\n")) {
    if (line.empty()) continue;
    const std::vector<std::string> row = kestrel::testing::SplitAt(line, " | ");
    ASSERT_EQ(row.size(), 6u) << line;
    SCOPED_TRACE(line);
    std::istringstream list(row[0]);
    VisitSchedule schedule({std::istream_iterator<std::string>(list), {}}, std::stoull(row[1]));
    schedule.Pace(std::stoll(row[3]), std::stoll(row[4]));
    EXPECT_EQ(schedule.Total(), std::stoull(row[2]));
    std::int64_t now = 0;
    std::istringstream script(row[5]);
    for (std::string step; script >> step;) {
      SCOPED_TRACE(step);
      if (step[0] == '@') {
        now = std::stoll(step.substr(1));
      } else if (step == "-") {
        EXPECT_EQ(schedule.Next(now), std::nullopt);
      } else if (step[0] == 's') {
        schedule.Settle(step.substr(2), step[1] == '+', now);
      } else if (step[0] == 'w') {
        EXPECT_EQ(schedule.WaitsUntil(), std::stoll(step.substr(1)));
      } else if (step[0] == 'p') {
        EXPECT_EQ(schedule.TakePassedOver(),
                  std::vector<std::uint64_t>{std::stoull(step.substr(1))});
      } else if (step == "E" || step == "e") {
        EXPECT_EQ(schedule.Exhausted(), step == "E");
      } else if (step == "C") {
        schedule.Close();
      } else if (step[0] == 'd') {
        schedule.Done(std::stoull(step.substr(1)));
      } else {
        const std::size_t is = step.find('=');
        ASSERT_EQ(schedule.Next(now), std::stoull(step.substr(0, is)));
        if (is != std::string::npos) {
          EXPECT_EQ(schedule.Element(std::stoull(step)), step.substr(is + 1));
        }
      }
    }
  }
}

}  // namespace
}  // namespace kestrel::cli
