#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

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
  EXPECT_EQ(path, "/share/Kestreldailycheck/BSC9_Create_05122026_140730.txt");
  EXPECT_THAT(text, HasSubstr("SEIZURE SUPERVISION\r\n"));
  EXPECT_THAT(text, HasSubstr("EXECUTED\r\n"));
  EXPECT_TRUE(text.starts_with("\r\nUser: \r\n"));  // every chunk as a line of the log
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

TEST_F(DailyCheckTest, WatchdogMovesOnFromASilentSessionAndKeepsItsLog) {
  Start({"BSC9", "BSC10"});
  telnet.Receive("ALLIP;\r\nALARM LIST\r\n");  // then silence
  clock.Advance(30000);
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 1);
  clock.Advance(30000);
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 2);
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  EXPECT_THAT(page.Memodc.Text(), HasSubstr("ALARM LIST"));
}

TEST_F(DailyCheckTest, FailedSaveIsReportedAndTheLoopGoesOn) {
  Start({"BSC9"});
  files.failure = "No such file or directory";
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  EXPECT_THAT(
      page.Memoreportdc.Lines(),
      ElementsAre("Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30",
                  "BSC9: SETAR; 14:07:30",
                  "BSC9: report file /share/Kestreldailycheck/BSC9_Create_05122026_140730.txt "
                  "not saved: No such file or directory"));
  EXPECT_EQ(std::count(telnet.events.begin(), telnet.events.end(), "connect"), 2);
}

TEST_F(DailyCheckTest, ElementNamesNeverActAsPaths) {
  Start({"../../etc/BSC9"});
  telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  ASSERT_EQ(files.written.size(), 1u);
  EXPECT_EQ(files.written.begin()->first,
            "/share/Kestreldailycheck/.._.._etc_BSC9_Create_05122026_140730.txt");
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
  telnet.connect_error = "Cannot connect to 127.0.0.1:52200: Connection refused";
  telnet.Receive(AlarmList(Alarm("EXTERNAL ALARM")));
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

}  // namespace
}  // namespace kestrel::dailycheck::testing
