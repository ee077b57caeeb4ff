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
const std::vector<std::string> kLogin9 = {"ops1", "pw", "NE=BSC9", "ALLIP;"};
const std::vector<std::string> kLogin10 = {"ops1", "pw", "NE=BSC10", "ALLIP;"};
const std::vector<std::string> kNoLines;
std::string Report(const std::string& name) {
  return Native("/share/Kestreldailycheck/" + name + ".txt");
}

TEST_F(DailyCheckTest, OneElementFromStartToEnd) {
  Start({"BSC9", "BSC10"});
  EXPECT_EQ(NewlySent(), kLogin9);
  telnet.ReceiveInChunks(AlarmList(Alarm("SEIZURE SUPERVISION")), 1000);
  EXPECT_THAT(NewlySent(), ElementsAre("SETAR;"));
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre(kWarned, "BSC9: SETAR; 14:07:30"));
  telnet.Receive(kSetar);
  // The queue is done: the report file, then the next element in a new session.
  ASSERT_EQ(files.written.size(), 1u);
  EXPECT_EQ(files.written.begin()->first, Report("BSC9_Create_05122026_140730"));
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  EXPECT_EQ(pages::RecapLine(*page.Outcomes.Find("BSC9")), "BSC9: reached, done");
  LogIn();
  EXPECT_EQ(NewlySent(), kLogin10);
}

TEST_F(DailyCheckTest, EmptyQueueMovesOnWithoutAFileAndAnEarlierQueueIsDiscarded) {
  page.Memokom.SetText("SETAR;\r\n");
  Start({"BSC9"});
  EXPECT_EQ(page.Memokom.Text(), "");
  telnet.Receive(AlarmList(Alarm("EXTERNAL ALARM")));
  EXPECT_THAT(files.written, IsEmpty());
  EXPECT_EQ(Connects(), 2);
  EXPECT_EQ(telnet.Sent().back(), "ALLIP;");
}

TEST_F(DailyCheckTest, EndTestTakesAnyEndWhoseSecondRowHoldsThePrompt) {
  page.NearendCheckBox.SetChecked(false);
  Start({"BSC9"});
  telnet.Receive("ALLIP;\r\nNEAR END\r\n\r\n\r\n<");
  EXPECT_EQ(Connects(), 1);  // "<" three rows down: not the end
  // A WO line among the rows moves the second row: the list ends, nothing was queued.
  telnet.Receive("\r\nNEAR END FAULT\r\nWO      BSC9\r\n\r\n<");
  EXPECT_EQ(Connects(), 2);
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
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

// Emptied with a session open or while none is, the list stops the loop, which says why.
TEST(DailyCheckLoop, EmptiedElementListStopsTheLoopCleanly) {
  for (const bool open : {true, false}) {
    SCOPED_TRACE(open ? "session open" : "no session");
    PageBench bench;
    bench.Start({"BSC9"});
    if (!open) bench.telnet.PeerCloses();  // the watchdog runs on
    bench.page.DeletealldcClick();
    if (open) bench.telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
    bench.clock.Advance(120000);  // nothing wakes up again
    EXPECT_FALSE(bench.telnet.Connected());
    EXPECT_FALSE(bench.page.Timerdc.Enabled());
    EXPECT_EQ(bench.page.Memoreportdc.Lines().back(),
              "Daily check stopped: the element list is empty");
    EXPECT_EQ(bench.Connects(), 1);
    EXPECT_EQ(bench.telnet.Sent().back(), "ALLIP;");
  }
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

// A refused connection in a loop that goes on (a restart, or a start as a cycle goes on) is
// noted and left to the watchdog; pressing Start with the gateway down stops the loop.
TEST(DailyCheckLoop, RefusedConnection) {
  const std::string refused = "BSC10: Cannot connect to 127.0.0.1:52200: Connection refused";
  const std::string stopped = refused + "; the Daily check is stopped";
  enum How { kRestart, kInCycle, kStart };
  for (const How how : {kRestart, kInCycle, kStart}) {
    SCOPED_TRACE(how);
    PageBench bench;
    if (how == kRestart) {
      bench.Start({"BSC9", "BSC10"});
      bench.telnet.Receive(AlarmList(""));
    } else {
      bench.page.ListBoxdc.Add("BSC10");
      how == kInCycle ? bench.page.StartdcInCycle() : bench.page.StartdcClick();
    }
    bench.telnet.ConnectFails();
    EXPECT_THAT(
        bench.page.Memoreportdc.Lines(),
        ElementsAre(how == kStart ? stopped + " 14:07:30"
                                  : refused + "; the watchdog tries the next element 14:07:30"));
    EXPECT_EQ(bench.page.Outcomes.Find("BSC10")->ended_early,
              "connection failed: " + refused.substr(7));
    EXPECT_EQ(bench.messages.shown, how == kStart ? std::vector{stopped} : kNoLines);
    const long connects = bench.Connects();
    bench.clock.Advance(60000);
    EXPECT_EQ(bench.Connects() > connects, how != kStart);
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

// A refusal by the gateway is reported and the loop goes on at once with the next element;
// when every element of the list was refused in a row, whichever page side by side each
// refusal came to, it waits for the watchdog's next tick.
TEST(DailyCheckLoop, RefusedByTheGateway) {
  for (const bool alone : {false, true}) {
    PageBench bench;
    bench.page.ListBoxdc.Add("BSC9");
    if (!alone) bench.page.ListBoxdc.Add("BSC10");
    bench.page.StartdcClick();
    const std::string words = alone ? "NE BSC9 NOT DEFINED IN GATEWAY" : "LOGIN INCORRECT";
    bench.telnet.Receive(alone ? "\r\nUser: \r\nPassword: \r\nNE: " : "\r\nUser: \r\nPassword: ");
    bench.telnet.Receive("\r\n" + words + "\r\n");
    EXPECT_THAT(bench.page.Memoreportdc.Lines(),
                ElementsAre("BSC9: refused: " + words + " 14:07:30"));
    EXPECT_EQ(bench.page.Outcomes.Find("BSC9")->ended_early, words);
    EXPECT_EQ(bench.Connects(), alone ? 1 : 2);
    if (alone) {
      EXPECT_EQ(bench.page.Statusdc.Caption(), "BSC9: " + words + "; next element at 14:08:00");
      bench.clock.Advance(29999);
      EXPECT_EQ(bench.Connects(), 1);
      bench.clock.Advance(1);
      EXPECT_EQ(bench.Connects(), 2);
    } else {
      bench.NewlySent();
      bench.LogIn();
      EXPECT_EQ(bench.NewlySent(), kLogin10);
    }
  }
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

TEST_F(DailyCheckTest, AnAnswerPastThePrintoutCapEndsTheSession) {
  page.SetMaxPrintout(300);
  Start({"BSC9"});
  std::string alarms;
  for (int i = 0; i < 10; ++i) alarms += Alarm("EXTERNAL ALARM");
  telnet.ReceiveInChunks(AlarmList(alarms), 100);
  EXPECT_FALSE(telnet.Connected());
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC9: the answer to ALLIP; passed the printout cap of 300 bytes; the "
                          "session is ended 14:07:30"));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->ended_early,
            "the answer passed the printout cap while ALLIP; was in flight");
  EXPECT_TRUE(page.Timerdc.Enabled());  // the watchdog moves on
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

// The endless check paces itself: a cycle over the list starts no sooner than the shortest
// cycle after the last one started, and an element that could not be checked waits out its
// back-off (30 s, doubling), passed over while the others go on.
TEST(Pacing, CyclesAndBackOffsSpaceTheSessions) {
  PageBench bench;
  bench.page.SetPacing(60, 30);
  auto refused = [&] { bench.telnet.Receive("\r\nUser: \r\nPassword: \r\nLOGIN INCORRECT\r\n"); };
  auto checked = [&] {
    bench.LogIn();
    bench.telnet.Receive(AlarmList(""));
  };
  bench.Start({"BSC9", "BSC10"});
  bench.telnet.Receive(AlarmList(""));
  checked();  // BSC10
  EXPECT_EQ(bench.page.Statusdc.Caption(), "next cycle at 14:08:30");
  bench.clock.Advance(59999);
  EXPECT_EQ(bench.Connects(), 2);
  bench.clock.Advance(1);  // t = 60 s: the second cycle
  EXPECT_EQ(bench.Connects(), 3);
  refused();                   // BSC9: back-off until t = 90 s
  checked();                   // BSC10
  bench.clock.Advance(60000);  // t = 120 s: BSC9 is due again
  EXPECT_EQ(bench.Connects(), 5);
  EXPECT_THAT(bench.page.ListBoxdc.Items(), ElementsAre("BSC9", "BSC10"));
  refused();                   // back-off 60 s: until t = 180 s, so the next cycle passes BSC9 over
  checked();                   // BSC10
  bench.clock.Advance(60000);  // t = 180 s
  EXPECT_EQ(bench.Connects(), 7);
  checked();  // BSC9 checked: its back-off is gone
  checked();  // BSC10
  bench.clock.Advance(60000);
  EXPECT_EQ(bench.Connects(), 9);
  checked();
  checked();
  bench.page.StopdcClick();
  EXPECT_EQ(bench.page.Memoreportdc.Lines().back(),
            "Daily check stopped while waiting: next cycle at 14:08:30 14:07:30");
  EXPECT_FALSE(bench.page.Timerdc_wait.Enabled());
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
