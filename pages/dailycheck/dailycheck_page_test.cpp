#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kSetar = "SETAR;\r\n\r\nEXECUTED\r\n\r\n<";
const std::string kWarned = "Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30";

// The loop as the engineer and the gateway play it: exact lines sent, report lines, files and
// what the watchdog, the pacing, Stop and a warning sound do to the loop.
TEST(DailyCheckLoop, Scripts) {
  const std::vector<DataCase> cases = DataCases("dailycheck-loop.txt");
  for (std::size_t k = 1; k < cases.size(); ++k) {
    SCOPED_TRACE(cases[k].name);
    PageBench bench;
    RunScript(bench, cases[k], cases.front());
  }
}

// Without a report share root nothing runs, from a button or as a cycle goes on.
TEST(DailyCheckLoop, WithoutAReportShareRootNothingRuns) {
  for (const char* root : {"", "  "}) {
    PageBench bench(root);
    bench.page.ListBoxdc.Add("BSC9");
    EXPECT_THROW(bench.page.StartdcClick(), std::runtime_error);
    EXPECT_THROW(bench.page.StartdcInCycle(), std::runtime_error);
    EXPECT_EQ(bench.Connects(), 0);
    EXPECT_FALSE(bench.page.Timerdc.Enabled());
    EXPECT_TRUE(bench.page.Outcomes.All().empty());
  }
}

// Pages that supervise one list side by side count refusals in a row together: when every
// element of the list was refused, whichever page each refusal came to, the page waits for
// its watchdog.
TEST(DailyCheckSideBySide, RefusalsInARowAreCountedTogether) {
  PageBench first, second;
  second.page.CountRefusalsWith(first.page);
  for (PageBench* bench : {&first, &second}) {
    bench->page.ListBoxdc.Add(bench == &first ? "BSC9" : "BSC10");
    bench->page.ListBoxdc.Add(bench == &first ? "BSC10" : "BSC9");
    bench->page.StartdcClick();
  }
  first.telnet.Receive("\r\nUser: \r\nPassword: \r\nLOGIN INCORRECT\r\n");
  EXPECT_EQ(first.Connects(), 2);  // one refusal of two: on to the next element at once
  second.telnet.Receive("\r\nUser: \r\nPassword: \r\nLOGIN INCORRECT\r\n");
  EXPECT_EQ(second.Connects(), 1);  // the second in a row: every element was refused
  EXPECT_TRUE(second.page.Timerdc.Enabled());
}

// However the network cut the login and the list, the work pane and the report file hold the
// printout's own lines, each alarm gives one warning per key and one solution, and the "<" of
// a detail row is no end of the list.
TEST(AlarmList, CutAnywhereGivesTheSameLinesWarningsAndSolutions) {
  std::string login;
  for (const auto& prompt : PageBench::Login()) login += prompt;
  const std::string list = AlarmList(Alarm("SEIZURE SUPERVISION", "LIMIT <5") +
                                     Alarm("SEIZURE SUPERVISION", "LIMIT <5"));
  controls::Memo whole;
  whole.SetText(login + list);
  for (std::size_t cut = 1; cut < list.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    PageBench bench;
    bench.page.ListBoxdc.Add("BSC9");
    bench.page.StartdcClick();
    bench.telnet.ReceiveInChunks(login, 1 + cut % 40);
    bench.NewlySent();
    bench.telnet.Receive(list.substr(0, cut));
    bench.telnet.ReceiveInChunks(list.substr(cut), 1 + cut % 40);
    EXPECT_EQ(bench.page.Memodc.Lines(), whole.Lines());
    EXPECT_THAT(bench.NewlySent(), ElementsAre("SETAR;"));
    EXPECT_THAT(bench.page.Memokom.Lines(), ElementsAre("SETAR;", "SETAR;"));
    EXPECT_THAT(bench.page.Memoreportdc.Lines(),
                ElementsAre(kWarned, "BSC9: SETAR; 14:07:30", "BSC9: SETAR; 14:07:30"));
    EXPECT_EQ(bench.sound.played.size(), 4u);  // one beep signal
    for (int i = 0; i < 2; ++i) bench.telnet.ReceiveInChunks(kSetar, 1 + cut % 40);
    ASSERT_EQ(bench.files.written.size(), 1u);
    EXPECT_EQ(bench.files.written.begin()->second, login + list + kSetar + kSetar + "\r\n");
  }
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
