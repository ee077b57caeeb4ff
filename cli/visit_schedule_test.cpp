#include "cli/visit_schedule.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

namespace kestrel::cli {
namespace {

// Each row plays a script on a schedule of its list, passes and pace: "@5000" the time is now
// 5000 ms, "3" Next hands out visit 3 ("3=MSC9" of that element), "-" it hands out none, "d3"
// visit 3 is done, "s+A"/"s-A" element A was checked or not, "w1000" the pace holds the next
// visit until 1000, "p2" visit 2 was passed over, "E"/"e" the schedule is exhausted or not, "C"
// closes it. A visit waits while its element is visited, also when the list names it twice;
// more passes than could ever run is a run without end. A pass begins no sooner than the
// shortest cycle after the last began; an element waiting out its back-off is passed over; when
// every element waits, the first one due is waited for. The back-off is 30 s, then twice as long
// each time up to ten minutes, and a check ends it.
TEST(VisitSchedule, HandsOutTheListInOrderOneVisitOfAnElementAtATimeAtItsPace) {
  const struct {
    const char* elements;
    std::uint64_t passes, total;
    std::int64_t min_cycle_ms, retry_ms;
    std::string script;
  } rows[] = {
      {"BSC9 MSC9 BSC10", 2, 6, 0, 0,
       "0=BSC9 d0 1=MSC9 d1 2=BSC10 d2 3=BSC9 d3 4=MSC9 d4 5=BSC10 d5 E -"},
      {"BSC9 MSC9", 3, 6, 0, 0, "0 1 d1 - e d0 2 3"},
      {"BSC9 BSC9 MSC9", 1, 3, 0, 0, "0 - d0 1=BSC9 2=MSC9 E"},
      {"BSC9", 0, 0, 0, 0, "0 d0 1 d1 2 d2 3 d3 4 d4 e C E -"},
      {"A B C", ~std::uint64_t{0} / 2, 0, 0, 0, "0 d0 1 d1 2 d2 3=A e"},
      {"", 1, 0, 0, 0, "E -"},
      {"A B", 3, 6, 1000, 5000,
       "0 d0 s-A 1 d1 s+B @10 - w1000 @1000 3 p2 d3 @1500 s-B - w5000 @5000 4"},
      {"A", 0, 0, 0, 30000,
       "0 d0 s-A - w30000 @30000 1 d1 s-A - w90000 @90000 2 d2 s-A - w210000 @210000 3 d3 s-A - "
       "w450000 @450000 4 d4 s-A - w930000 @930000 5 d5 s-A - w1530000 @1530000 6 d6 s-A - "
       "w2130000 @2130000 7 d7 s+A 8"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    std::istringstream list(row.elements);
    VisitSchedule schedule({std::istream_iterator<std::string>(list), {}}, row.passes);
    schedule.Pace(row.min_cycle_ms, row.retry_ms);
    EXPECT_EQ(schedule.Total(), row.total);
    std::int64_t now = 0;
    std::istringstream script(row.script);
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
