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
std::string Report(const std::string& name) {
  return Native("/share/Kestreldailycheck/" + name + ".txt");
}

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

// The next session's work pane, report file and many-alarms count hold its own session only,
// never what the abandoned one left.
TEST_F(DailyCheckTest, AfterASilentSessionTheNextStartsAfresh) {
  Start({"BSC9", "BSC10"});
  std::string long_session;
  for (int i = 0; i < 2500; ++i) long_session += "ALARM LIST OF THE SILENT ONE\r\n";
  telnet.Receive(long_session);  // then silence
  clock.Advance(30000);
  EXPECT_EQ(Connects(), 1);
  clock.Advance(30000);
  EXPECT_EQ(Connects(), 2);
  EXPECT_EQ(page.Memodc.Text(), "");
  LogIn();
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  telnet.Receive(kSetar);
  ASSERT_EQ(files.written.size(), 1u);
  EXPECT_THAT(files.written.begin()->first, HasSubstr("BSC10_Create_"));
  EXPECT_THAT(files.written.begin()->second, ::testing::Not(HasSubstr("OF THE SILENT ONE")));
  EXPECT_EQ(page.Memoreportdc.Lines().back(), "BSC10: SETAR; 14:07:30");
  LogIn();  // BSC9 again, with its own long session
  telnet.Receive(long_session + AlarmList(""));
  EXPECT_EQ(page.Memoreportdc.Lines().back(), "Warning: BSC9: MANY ALARMS; 05.12.2026 14:07:30");
}

// Report files: saved under a name that is no path, never over an earlier one; a failed save
// is said, kept in the ledger, and the loop goes on.
TEST_F(DailyCheckTest, ReportFilesAreNamedSafelyKeptApartAndAFailedSaveIsSaid) {
  Start({"../../etc/BSC9"});
  for (int visit = 0; visit < 3; ++visit) {
    telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
    telnet.Receive(kSetar);
    LogIn();
  }
  std::vector<std::string> paths;
  for (const auto& [path, text] : files.written) paths.push_back(path);
  const std::string name = ".._.._etc_BSC9_Create_05122026_140730";
  EXPECT_THAT(paths, ElementsAre(Report(name), Report(name + "_2"), Report(name + "_3")));

  PageBench failing;
  failing.Start({"BSC9"});
  failing.files.failure = "No such file or directory";
  failing.telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  failing.telnet.Receive(kSetar);
  const std::string path = Report("BSC9_Create_05122026_140730");
  EXPECT_THAT(failing.page.Memoreportdc.Lines(),
              ElementsAre(kWarned, "BSC9: SETAR; 14:07:30",
                          "BSC9: report file " + path + " not saved: No such file or directory"));
  EXPECT_THAT(failing.page.Outcomes.Find("BSC9")->unsaved, ElementsAre(path));
  EXPECT_EQ(failing.Connects(), 2);
}

TEST_F(DailyCheckTest, SecondStartChangesNothingAndStopStopsTheWatchdog) {
  page.Nedc.SetText("BSC9");
  page.StartdcClick();
  page.StartdcClick();
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC9"));
  EXPECT_EQ(Connects(), 1);
  page.StopdcClick();
  EXPECT_FALSE(telnet.Connected());
  page.Timerdc.SetEnabled(true);
  page.StopdcClick();  // no session: the watchdog stops all the same
  EXPECT_FALSE(page.Timerdc.Enabled());
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

// A refused alarm list cannot be read: noted once, and the loop goes on at once.
TEST_F(DailyCheckTest, RefusedAlarmListIsNotedAndTheLoopGoesOn) {
  Start({"BSC9", "BSC10"});
  telnet.Forget();
  telnet.Receive("ALLIP;\r\n\r\nFUNCTION BUSY\r\n\r\n<");
  EXPECT_THAT(telnet.events, ElementsAre("disconnect", "connect"));
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  const std::string refusal = "BSC9: ALLIP; refused: FUNCTION BUSY";
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre(refusal + " 14:07:30"));
  const pages::ElementOutcome& outcome = *page.Outcomes.Find("BSC9");
  EXPECT_THAT(outcome.problems, ElementsAre(refusal));
  EXPECT_EQ(outcome.finished, 0);
  EXPECT_EQ(outcome.ended_early, "");
  EXPECT_EQ(std::count(telnet.notes.begin(), telnet.notes.end(), refusal), 1);
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

TEST(WorkPane, ManyAlarmsCountsLinesNotChunks) {
  std::string alarms;
  for (int i = 0; i < 40; ++i) alarms += Alarm("EXTERNAL ALARM", "DOOR " + std::to_string(i));
  PageBench bench;
  bench.Start({"BSC9"});
  bench.telnet.ReceiveInChunks(AlarmList(alarms), 1);  // > 2500 chunks, far fewer lines
  EXPECT_THAT(bench.page.Memoreportdc.Lines(),
              ElementsAre("Warning: BSC9: EXTERNAL ALARM; 05.12.2026 14:07:30"));
}

// When every element is in back-off the page waits for the first one due.
TEST(Pacing, AListOfUnreachableElementsIsTriedAtItsBackOff) {
  PageBench bench;
  bench.page.SetPacing(0, 30);
  bench.page.ListBoxdc.Add("BSC9");
  bench.page.StartdcInCycle();
  std::vector<std::int64_t> tries;
  for (int attempt = 0; attempt < 5; ++attempt) {
    tries.push_back(bench.clock.Now());
    bench.telnet.ConnectFails();
    while (bench.Connects() == attempt + 1 && bench.clock.Now() < 3600000)
      bench.clock.Advance(1000);
  }
  // The watchdog's tick, then 60 s, 120 s, 240 s apart.
  EXPECT_THAT(tries, ElementsAre(0, 30000, 90000, 210000, 450000));
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
