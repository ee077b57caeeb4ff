#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

TEST_F(DailyCheckTest, OneElementFromStartToEnd) {
  Start({"BSC9", "BSC10"});
  EXPECT_THAT(NewlySent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;"));
  EXPECT_TRUE(page.Animate2.Visible());
  EXPECT_TRUE(page.Timerdc.Enabled());
  telnet.ReceiveInChunks(AlarmList(Alarm("SEIZURE SUPERVISION")), 1000);
  EXPECT_THAT(NewlySent(), ElementsAre("SETAR;"));
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30",
                          "BSC9: SETAR; 14:07:30"));
  const std::string log_before = page.Memodc.Text();
  telnet.Receive("SETAR;\r\n\r\nEXECUTED\r\n\r\n<");
  // The queue is done: the report file, then the next element in a new session.
  ASSERT_EQ(files.written.size(), 1u);
  const auto& [path, text] = *files.written.begin();
  EXPECT_EQ(path, Native("/share/Kestreldailycheck/BSC9_Create_05122026_140730.txt"));
  EXPECT_THAT(text, HasSubstr("SEIZURE SUPERVISION\r\n"));
  EXPECT_THAT(text, HasSubstr("EXECUTED\r\n"));
  EXPECT_TRUE(text.starts_with("\r\nUser: \r\nPassword: \r\nNE: \r\nWO      BSC9"));
  EXPECT_EQ(page.Memodc.Text(), "");
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 2);
  LogIn();
  EXPECT_THAT(NewlySent(), ElementsAre("ops1", "pw", "NE=BSC10", "ALLIP;"));
}

TEST_F(DailyCheckTest, EmptyQueueMovesOnWithoutAFile) {
  Start({"BSC9"});
  telnet.Receive(AlarmList(Alarm("EXTERNAL ALARM")));
  EXPECT_THAT(files.written, IsEmpty());
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC9"));  // the same element again
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 2);
  EXPECT_EQ(telnet.Sent().back(), "ALLIP;");
}

TEST_F(DailyCheckTest, EndTestTakesAnyEndWhoseSecondRowHoldsThePrompt) {
  page.NearendCheckBox.SetChecked(false);
  Start({"BSC9"});
  telnet.Receive("ALLIP;\r\nNEAR END\r\n\r\n\r\n<");
  EXPECT_EQ(page.DcAllipDone, "");  // "<" three rows down: not the end
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 1);
  // A WO line among the rows moves the second row: the list ends, nothing was queued, and
  // the next visit begins.
  telnet.Receive("\r\nNEAR END FAULT\r\nWO      BSC9\r\n\r\n<");
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 2);
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

TEST_F(DailyCheckTest, ListInManyChunksIsScannedOnceWhenOnlyTheLastHoldsThePrompt) {
  Start({"BSC9"});
  telnet.ReceiveInChunks(AlarmList(Alarm("SEIZURE SUPERVISION") + Alarm("SEIZURE SUPERVISION")), 3);
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30",
                          "BSC9: SETAR; 14:07:30", "BSC9: SETAR; 14:07:30"));
  EXPECT_EQ(telnet.Sent().back(), "SETAR;");
}

TEST_F(DailyCheckTest, ReleasePauseEndsWithOneEmptyLineAfterThreeSeconds) {
  Start({"BSC9"});
  page.SaeCheckBox.SetChecked(true);
  telnet.Receive(AlarmList(Alarm("SIZE ALTERATION OF DATA FILES SIZE")));
  NewlySent();
  telnet.Receive("DBTSP:TAB=SAACTIONS;\r\nEND\r\n\r\n<");
  telnet.Receive("SAALI;\r\n<");
  telnet.Receive(";\r\nEXECUTED\r\n\r\n<");
  EXPECT_THAT(NewlySent(), ElementsAre("SAALI;", ";", "\x04"));
  clock.Advance(2999);
  EXPECT_THAT(NewlySent(), IsEmpty());
  clock.Advance(1);
  EXPECT_THAT(NewlySent(), ElementsAre(""));
  EXPECT_FALSE(page.Timerdc_release.Enabled());
  telnet.Receive("\r\n<");
  EXPECT_EQ(files.written.size(), 1u);
}

// The next session's work pane, its report file and its many-alarms count hold its own
// session only, never what the abandoned one left (the session log keeps that).
TEST_F(DailyCheckTest, WatchdogMovesOnFromASilentSessionAndTheNextStartsAfresh) {
  Start({"BSC9", "BSC10"});
  telnet.Receive("ALLIP;\r\nALARM LIST OF THE SILENT ONE\r\n");  // then silence
  clock.Advance(30000);
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 1);
  EXPECT_THAT(page.Memodc.Text(), HasSubstr("OF THE SILENT ONE"));
  clock.Advance(30000);
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 2);
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  EXPECT_EQ(page.Memodc.Text(), "");
  LogIn();
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  ASSERT_EQ(files.written.size(), 1u);
  EXPECT_THAT(files.written.begin()->first, HasSubstr("BSC10_Create_"));
  EXPECT_THAT(files.written.begin()->second, HasSubstr("SETAR;"));
  EXPECT_THAT(files.written.begin()->second, Not(HasSubstr("OF THE SILENT ONE")));
}

// While visits keep failing the work pane holds one session at a time: it never grows into
// a many-alarms warning of its own.
TEST_F(DailyCheckTest, FailingVisitsLeaveTheWorkPaneOneSessionLong) {
  Start({"BSC9"});
  for (int visit = 0; visit < 50; ++visit) {
    std::string lines;
    for (int i = 0; i < 60; ++i) lines += "PARTIAL ALARM LIST LINE\r\n";
    telnet.Receive(lines);  // then silence, until the watchdog moves on
    clock.Advance(60000);
    ASSERT_LT(page.Memodc.LineCount(), 100u) << "visit " << visit;
    LogIn();
  }
  telnet.Receive(AlarmList(""));
  // Each visit that ended early is one line of the report.
  const std::vector<std::string> silent(
      50, "BSC9: silent, ended by the watchdog while ALLIP; was in flight 14:07:30");
  EXPECT_EQ(page.Memoreportdc.Lines(), silent);
}

TEST_F(DailyCheckTest, FailedSaveIsReportedAndTheLoopGoesOn) {
  Start({"BSC9"});
  files.failure = "No such file or directory";
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30",
                          "BSC9: SETAR; 14:07:30",
                          "BSC9: report file " +
                              Native("/share/Kestreldailycheck/BSC9_Create_05122026_140730.txt") +
                              " not saved: No such file or directory"));
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 2);
}

TEST_F(DailyCheckTest, ElementNamesNeverActAsPaths) {
  Start({"../../etc/BSC9"});
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  ASSERT_EQ(files.written.size(), 1u);
  EXPECT_EQ(files.written.begin()->first,
            Native("/share/Kestreldailycheck/.._.._etc_BSC9_Create_05122026_140730.txt"));
}

TEST_F(DailyCheckTest, EmptiedElementListStopsTheLoopCleanly) {
  Start({"BSC9"});
  page.DeletealldcClick();
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  EXPECT_FALSE(telnet.Connected());
  EXPECT_FALSE(page.Timerdc.Enabled());
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("Daily check stopped: the element list is empty"));
  for (const auto& line : telnet.Sent()) EXPECT_NE(line, "NE=");
  clock.Advance(120000);  // nothing wakes up again
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 1);
}

TEST_F(DailyCheckTest, StartAndStopButtons) {
  page.Nedc.SetText("BSC9");
  page.StartdcClick();
  page.StartdcClick();  // a second press while the session is open changes nothing
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC9"));
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 1);
  page.StopdcClick();
  EXPECT_FALSE(page.Timerdc.Enabled());
  EXPECT_FALSE(page.Animate2.Visible());
  page.Timerdc.SetEnabled(true);
  page.StopdcClick();  // no session: the watchdog stops all the same
  EXPECT_FALSE(page.Timerdc.Enabled());
}

TEST_F(DailyCheckTest, RefusedConnectionInARestartIsNotedAndTriedAgain) {
  Start({"BSC9", "BSC10"});
  telnet.Receive(AlarmList(Alarm("EXTERNAL ALARM")));
  telnet.ConnectFails();
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("Warning: BSC9: EXTERNAL ALARM; 05.12.2026 14:07:30",
                          "BSC10: Cannot connect to 127.0.0.1:52200: Connection refused; the "
                          "watchdog tries the next element 14:07:30"));
  EXPECT_EQ(page.Outcomes.Find("BSC10")->ended_early,
            "connection failed: Cannot connect to 127.0.0.1:52200: Connection refused");
  EXPECT_TRUE(page.Timerdc.Enabled());
  clock.Advance(60000);  // the log stays the same: the watchdog restarts on the next element
  EXPECT_TRUE(telnet.Connected());
}

// The engineer pressed Start with the gateway down: the loop stops, and says so.
TEST_F(DailyCheckTest, AConnectionThatCannotBeOpenedAtStartStopsTheLoop) {
  page.ListBoxdc.Add("BSC9");
  page.StartdcClick();
  telnet.ConnectFails();
  const std::string line =
      "BSC9: Cannot connect to 127.0.0.1:52200: Connection refused; the Daily check is stopped";
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre(line + " 14:07:30"));
  EXPECT_THAT(messages.shown, ElementsAre(line));
  EXPECT_FALSE(page.Timerdc.Enabled());
  clock.Advance(600000);
  EXPECT_EQ(Connects(), 1);
}

// A page that takes turns with others starts as its cycle goes on: a refused connection is
// noted and left to the watchdog; only a page that cannot start at all throws.
TEST_F(DailyCheckTest, StartInCycleLeavesARefusedConnectionToTheWatchdog) {
  page.ListBoxdc.Add("BSC10");
  EXPECT_NO_THROW(page.StartdcInCycle());
  telnet.ConnectFails();
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC10: Cannot connect to 127.0.0.1:52200: Connection refused; the "
                          "watchdog tries the next element 14:07:30"));
  EXPECT_EQ(page.Outcomes.Find("BSC10")->ended_early,
            "connection failed: Cannot connect to 127.0.0.1:52200: Connection refused");
  EXPECT_TRUE(page.Timerdc.Enabled());
  clock.Advance(60000);
  EXPECT_TRUE(telnet.Connected());
  page.StopdcClick();
  PageBench no_root("");
  no_root.page.ListBoxdc.Add("BSC9");
  EXPECT_THROW(no_root.page.StartdcInCycle(), std::runtime_error);
}

// Pages that supervise one list side by side count refusals in a row together: when every
// element of the list was refused, whichever page each refusal came to, the login is at fault
// and the page waits for its watchdog.
TEST(DailyCheckSideBySide, RefusalsInARowAreCountedTogether) {
  PageBench first, second;
  second.page.CountRefusalsWith(first.page);
  const auto refuse = [](PageBench& bench) {
    bench.telnet.Receive("\r\nUser: \r\nPassword: \r\nLOGIN INCORRECT\r\n");
  };
  first.page.ListBoxdc.Add("BSC9");
  first.page.ListBoxdc.Add("BSC10");
  second.page.ListBoxdc.Add("BSC10");
  second.page.ListBoxdc.Add("BSC9");
  first.page.StartdcClick();
  second.page.StartdcClick();
  refuse(first);
  EXPECT_EQ(first.Connects(), 2);  // one refusal of two: on to the next element at once
  refuse(second);
  EXPECT_EQ(second.Connects(), 1);  // the second in a row: every element was refused
  EXPECT_FALSE(second.telnet.Connected());
  EXPECT_TRUE(second.page.Timerdc.Enabled());
}

TEST_F(DailyCheckTest, ListEmptiedWhileNoSessionIsOpenStillSaysWhyTheLoopStopped) {
  Start({"BSC9"});
  telnet.PeerCloses();  // the gateway hangs up; the watchdog runs on
  page.DeletealldcClick();
  clock.Advance(30000);
  EXPECT_FALSE(page.Timerdc.Enabled());
  EXPECT_EQ(page.Memoreportdc.Lines().back(), "Daily check stopped: the element list is empty");
}

TEST_F(DailyCheckTest, QueueLeftByAnEarlierSessionIsDiscarded) {
  page.Memokom.SetText("SETAR;\r\n");
  Start({"BSC9"});
  EXPECT_EQ(page.Memokom.Text(), "");
  EXPECT_EQ(telnet.Sent().back(), "ALLIP;");
}

TEST(AlarmList, CutAnywhereGivesOneWarningAndOneSolutionPerAlarm) {
  // The detail row holds "<": every chunk that ends after it holds a prompt, but the list
  // ends only at its END line.
  const std::string list = AlarmList(Alarm("SEIZURE SUPERVISION", "LIMIT <5"));
  for (std::size_t cut = 1; cut < list.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    PageBench bench;
    bench.Start({"BSC9"});
    bench.NewlySent();
    bench.telnet.Receive(list.substr(0, cut));
    bench.telnet.Receive(list.substr(cut));
    EXPECT_THAT(bench.NewlySent(), ElementsAre("SETAR;"));
    EXPECT_THAT(bench.page.Memoreportdc.Lines(),
                ElementsAre("Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30",
                            "BSC9: SETAR; 14:07:30"));
    EXPECT_EQ(bench.sound.played.size(), 4u);  // one beep signal
  }
  PageBench bench;
  bench.Start({"BSC9"});
  bench.telnet.ReceiveInChunks(list, 1);
  EXPECT_THAT(bench.page.Memokom.Lines(), ElementsAre("SETAR;"));
}

TEST(WorkPane, HoldsThePrintoutsLinesHoweverTheChunksWereCut) {
  const std::string login =
      "\r\nUser: \r\nPassword: \r\nNE: \r\nWO      BSC9              AD-739  TIME 261205 "
      "140730\r\n<";
  const std::string list = AlarmList(Alarm("SEIZURE SUPERVISION") + Alarm("EXTERNAL ALARM"));
  const std::string answer = "SETAR;\r\n\r\nEXECUTED\r\n\r\n<";
  controls::Memo whole;
  whole.SetText(login + list);
  for (std::size_t size = 1; size <= 40; ++size) {
    SCOPED_TRACE("chunks of " + std::to_string(size));
    PageBench bench;
    bench.page.ListBoxdc.Add("BSC9");
    bench.page.StartdcClick();
    bench.telnet.ReceiveInChunks(login, size);
    bench.telnet.ReceiveInChunks(list, size);
    EXPECT_EQ(bench.page.Memodc.Lines(), whole.Lines());
    bench.telnet.ReceiveInChunks(answer, size);
    ASSERT_EQ(bench.files.written.size(), 1u);
    EXPECT_EQ(bench.files.written.begin()->second, login + list + answer + "\r\n");
  }
}

TEST(WorkPane, ManyAlarmsCountsLinesNotChunks) {
  std::string alarms;
  for (int i = 0; i < 40; ++i)
    alarms += Alarm("EXTERNAL ALARM", "DOOR OPEN SITE " + std::to_string(i));
  const std::string list = AlarmList(alarms);
  ASSERT_GT(list.size(), 2600u);
  PageBench bench;
  bench.Start({"BSC9"});
  bench.telnet.ReceiveInChunks(list, 1);  // more chunks than the threshold, far fewer lines
  EXPECT_THAT(bench.page.Memoreportdc.Lines(),
              ElementsAre("Warning: BSC9: EXTERNAL ALARM; 05.12.2026 14:07:30"));
}

TEST_F(DailyCheckTest, TwoReportsOfOneElementInOneSecondKeepBoth) {
  Start({"BSC9"});
  for (int visit = 0; visit < 3; ++visit) {
    telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
    telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
    LogIn();
  }
  std::vector<std::string> paths;
  for (const auto& [path, text] : files.written) paths.push_back(path);
  EXPECT_THAT(paths,
              ElementsAre(Native("/share/Kestreldailycheck/BSC9_Create_05122026_140730.txt"),
                          Native("/share/Kestreldailycheck/BSC9_Create_05122026_140730_2.txt"),
                          Native("/share/Kestreldailycheck/BSC9_Create_05122026_140730_3.txt")));
}

TEST_F(DailyCheckTest, UnsavedReportIsInTheLedger) {
  Start({"BSC9"});
  files.failure = "Permission denied";
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  EXPECT_THAT(page.Outcomes.Find("BSC9")->unsaved,
              ElementsAre(Native("/share/Kestreldailycheck/BSC9_Create_05122026_140730.txt")));
}

TEST(Start, WithoutAReportShareRootNothingRuns) {
  for (const char* root : {"", "  "}) {
    PageBench bench(root);
    bench.page.ListBoxdc.Add("BSC9");
    EXPECT_THROW(
        {
          try {
            bench.page.StartdcClick();
          } catch (const std::runtime_error& error) {
            EXPECT_THAT(error.what(), HasSubstr("no report share root is set"));
            throw;
          }
        },
        std::runtime_error);
    EXPECT_EQ(bench.Connects(), 0);
    EXPECT_FALSE(bench.page.Timerdc.Enabled());
    EXPECT_TRUE(bench.page.Outcomes.All().empty());
  }
}

TEST_F(DailyCheckTest, RefusedLoginIsReportedAndTheLoopGoesOn) {
  page.ListBoxdc.Add("BSC9");
  page.ListBoxdc.Add("BSC10");
  page.StartdcClick();
  telnet.Receive("\r\nUser: ");
  telnet.Receive("\r\nPassword: ");
  telnet.Receive("\r\nLOGIN INCORRECT\r\n");
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre("BSC9: refused: LOGIN INCORRECT 14:07:30"));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->ended_early, "LOGIN INCORRECT");
  EXPECT_EQ(Connects(), 2);  // on to BSC10 at once
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  LogIn();
  EXPECT_EQ(telnet.Sent().back(), "ALLIP;");
}

TEST_F(DailyCheckTest, UnknownElementIsReportedAndALoneRefusedElementWaitsForTheWatchdog) {
  page.ListBoxdc.Add("BSC99");
  page.StartdcClick();
  telnet.Receive("\r\nUser: \r\nPassword: \r\nNE: ");
  telnet.Receive("\r\nNE BSC99 NOT DEFINED IN GATEWAY\r\n");
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC99: refused: NE BSC99 NOT DEFINED IN GATEWAY 14:07:30"));
  EXPECT_FALSE(telnet.Connected());
  // Every element of the list was refused in a row: no retry at once, over and over, but at
  // the watchdog's next tick, which the page names.
  EXPECT_EQ(Connects(), 1);
  EXPECT_EQ(page.Statusdc.Caption(),
            "BSC99: NE BSC99 NOT DEFINED IN GATEWAY; next element at 14:08:00");
  clock.Advance(29999);
  EXPECT_EQ(Connects(), 1);
  clock.Advance(1);
  EXPECT_EQ(Connects(), 2);
  EXPECT_EQ(page.Outcomes.Find("BSC99")->ended_early, "NE BSC99 NOT DEFINED IN GATEWAY");
}

TEST_F(DailyCheckTest, AnAnswerPastThePrintoutCapEndsTheSession) {
  page.SetMaxPrintout(300);
  Start({"BSC9"});
  std::string alarms;
  for (int i = 0; i < 10; ++i) alarms += Alarm("EXTERNAL ALARM");
  telnet.ReceiveInChunks(AlarmList(alarms), 100);
  EXPECT_FALSE(telnet.Connected());
  ASSERT_EQ(page.Memoreportdc.Lines().size(), 1u);
  EXPECT_EQ(page.Memoreportdc.Lines()[0],
            "BSC9: the answer to ALLIP; passed the printout cap of 300 bytes; the session is "
            "ended 14:07:30");
  EXPECT_EQ(page.Outcomes.Find("BSC9")->ended_early,
            "the answer passed the printout cap while ALLIP; was in flight");
  EXPECT_TRUE(page.Timerdc.Enabled());  // the watchdog moves on
}

// A refused alarm list cannot be read: noted once, and the loop goes on with the next element
// at once instead of waiting for its watchdog.
TEST_F(DailyCheckTest, RefusedAlarmListIsNotedAndTheLoopGoesOn) {
  Start({"BSC9", "BSC10"});
  telnet.Forget();
  telnet.Receive("ALLIP;\r\n\r\nFUNCTION BUSY\r\n\r\n<");
  EXPECT_THAT(telnet.events, ElementsAre("disconnect", "connect"));
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC9: ALLIP; refused: FUNCTION BUSY 14:07:30"));
  const pages::ElementOutcome& outcome = *page.Outcomes.Find("BSC9");
  EXPECT_THAT(outcome.problems, ElementsAre("BSC9: ALLIP; refused: FUNCTION BUSY"));
  EXPECT_EQ(outcome.reached, 1);
  EXPECT_EQ(outcome.finished, 0);
  EXPECT_EQ(outcome.ended_early, "");
  EXPECT_EQ(
      std::count(telnet.notes.begin(), telnet.notes.end(), "BSC9: ALLIP; refused: FUNCTION BUSY"),
      1);
}

TEST_F(DailyCheckTest, LedgerOfAVisitThatRanToItsEnd) {
  Start({"BSC9"});
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  const pages::ElementOutcome* outcome = page.Outcomes.Find("BSC9");
  EXPECT_EQ(outcome->visits, 2);  // the next visit has begun
  EXPECT_EQ(outcome->reached, 1);
  EXPECT_EQ(outcome->finished, 1);
  EXPECT_EQ(outcome->ended_early, "");
  EXPECT_THAT(outcome->problems, IsEmpty());
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
  bench.Start({"BSC9", "BSC10"});  // BSC9 logs in and is checked
  bench.telnet.Receive(AlarmList(""));
  checked();  // BSC10
  EXPECT_EQ(bench.Connects(), 2);
  EXPECT_EQ(bench.page.Statusdc.Caption(), "next cycle at 14:08:30");
  bench.clock.Advance(59999);
  EXPECT_EQ(bench.Connects(), 2);
  bench.clock.Advance(1);  // t = 60 s: the second cycle
  EXPECT_EQ(bench.Connects(), 3);
  refused();  // BSC9: back-off until t = 90 s
  checked();  // BSC10
  EXPECT_EQ(bench.Connects(), 4);
  bench.clock.Advance(60000);  // t = 120 s: BSC9 is due again
  EXPECT_EQ(bench.Connects(), 5);
  EXPECT_THAT(bench.page.ListBoxdc.Items(), ElementsAre("BSC9", "BSC10"));
  refused();                   // back-off 60 s: until t = 180 s, so the next cycle passes BSC9 over
  checked();                   // BSC10
  bench.clock.Advance(60000);  // t = 180 s
  EXPECT_EQ(bench.Connects(), 7);
  EXPECT_THAT(bench.page.ListBoxdc.Items(), ElementsAre("BSC9", "BSC10"));
  checked();  // BSC9 checked: its back-off is gone
  EXPECT_TRUE(bench.page.LastVisitChecked());
  checked();  // BSC10
  bench.clock.Advance(60000);
  EXPECT_EQ(bench.Connects(), 9);
  // Stop while waiting says so.
  checked();
  checked();
  bench.page.StopdcClick();
  EXPECT_EQ(bench.page.Memoreportdc.Lines().back(),
            "Daily check stopped while waiting: next cycle at 14:08:30 14:07:30");
  EXPECT_FALSE(bench.page.Timerdc_wait.Enabled());
}

// When every element is in back-off the page waits for the first one due, whatever the
// shortest cycle.
TEST(Pacing, AListOfUnreachableElementsIsTriedAtItsBackOff) {
  PageBench bench;
  bench.page.SetPacing(0, 30);
  bench.page.ListBoxdc.Add("BSC9");
  bench.page.StartdcInCycle();  // as the loop goes on: a refused connection does not stop it
  std::vector<std::int64_t> tries;
  for (int attempt = 0; attempt < 5; ++attempt) {
    tries.push_back(bench.clock.Now());
    bench.telnet.ConnectFails();
    while (bench.Connects() == attempt + 1 && bench.clock.Now() < 3600000)
      bench.clock.Advance(1000);
  }
  // 30 s, 60 s, 120 s, 240 s apart (the watchdog's tick, then the back-off).
  EXPECT_THAT(tries, ElementsAre(0, 30000, 90000, 210000, 450000));
  EXPECT_EQ(bench.Connects(), 6);
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
