#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;

// What each alarm queues and reports, read from the rows of the alarm list as printed; a value
// that does not fit its order is noted, a problem of its element, and never queued; the first
// order goes out at once.
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

// Every warning and solution line of the report is a result too, with the class
// of the alarm it belongs to (its header line, or the nearest above its slogan)
// and its slogan; the follow-up of a software error event belongs to no alarm
// of the list.
TEST_F(DailyCheckTest, EveryWarningAndSolutionLineIsAResultOfItsAlarm) {
  page.RecordResults = true;
  page.SoftErrorCheckBox.SetChecked(true);
  Start({"BSC9"});
  telnet.Receive(
      AlarmList("O1/APT \"BSC9\" 1 261205 1407\r\nSEIZURE SUPERVISION\r\n\r\n\r\n"
                "A3/EXT \"BSC9\" 2 261205 1407\r\nEXTERNAL ALARM\r\n\r\nDOOR, "
                "\"OPEN\"\r\n\r\n"
                "A2/APT \"BSC9\" 3 261205 1407\r\nWO      BSC9\r\nSEIZURE QUALITY "
                "SUPERVISION\r\n\r\n"
                "ROUTE      DEV\r\nROUTE7     12\r\n\r\n"
                "A1/APZ \"BSC9\" 4 261205 1407\r\nAPPLICATION DETECTED SOFTWARE "
                "ERROR\r\n\r\n"));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  telnet.Receive("SEQAR:R=ROUTE7    ;\r\nEXECUTED\r\n\r\n<");
  telnet.Receive("SYRIP:SURVEY;\r\nEVENT CODE\r\nH'2F1A\r\nEND\r\n\r\n<");
  std::vector<std::string> results, lines;
  for (const auto& found : page.Results) {
    results.push_back(found.element + "|" + found.time + "|" + found.alarm_class + "|" +
                      found.slogan + "|" + found.kind);
    lines.push_back(found.line);
  }
  EXPECT_THAT(results,
              ElementsAre("BSC9|05.12.2026 14:07:30|O1|SEIZURE SUPERVISION|warning",
                          "BSC9|05.12.2026 14:07:30|O1|SEIZURE SUPERVISION|solution",
                          "BSC9|05.12.2026 14:07:30|A3|EXTERNAL ALARM|warning",
                          "BSC9|05.12.2026 14:07:30|A2|SEIZURE QUALITY SUPERVISION|solution",
                          "BSC9|05.12.2026 14:07:30|||solution"));
  EXPECT_EQ(lines, page.Memoreportdc.Lines());
  EXPECT_EQ(lines.back(), "BSC9: SOFTWARE ERROR, EVET=H'2F1A 14:07:30");
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
