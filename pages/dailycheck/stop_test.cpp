// Stop ends the loop in every state it can be in, and the page's handlers stay sound when
// other events come while a warning sound holds the scan.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// After Stop nothing runs: no session, no timer, and nothing is sent or connected however
// long the program goes on.
void ExpectStoppedForGood(PageBench& bench) {
  EXPECT_FALSE(bench.telnet.Connected());
  EXPECT_FALSE(bench.page.Timerdc.Enabled());
  EXPECT_FALSE(bench.page.Timerdc_release.Enabled());
  EXPECT_FALSE(bench.page.Animate2.Visible());
  const long connects = bench.Connects();
  const std::size_t sent = bench.telnet.Sent().size();
  bench.clock.Advance(600000);
  bench.sound.FinishAll();
  EXPECT_EQ(bench.Connects(), connects);
  EXPECT_EQ(bench.telnet.Sent().size(), sent);
}

TEST(Stop, EndsTheLoopInEveryState) {
  struct State {
    std::string name;
    std::function<void(PageBench&)> reach;
    std::string ended_early;  // "" when no visit was open at the Stop
  };
  const std::vector<State> states = {
      {"logging in",
       [](PageBench& b) {
         b.page.ListBoxdc.Add("BSC9");
         b.page.StartdcClick();
       },
       "stopped during the login"},
      {"asking the alarm list", [](PageBench& b) { b.Start({"BSC9"}); },
       "stopped while ALLIP; was in flight"},
      {"running the queue",
       [](PageBench& b) {
         b.Start({"BSC9"});
         b.telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
       },
       "stopped while SETAR; was in flight"},
      {"in a release pause",
       [](PageBench& b) {
         b.page.SaeCheckBox.SetChecked(true);
         b.Start({"BSC9"});
         b.telnet.Receive(AlarmList(Alarm("SIZE ALTERATION OF DATA FILES SIZE")));
         b.telnet.Receive("DBTSP:TAB=SAACTIONS;\r\nEND\r\n\r\n<");
         b.telnet.Receive("SAALI;\r\n\r\n<");
         b.telnet.Receive(";\r\nEXECUTED\r\n\r\n<");
         b.clock.Advance(1000);
       },
       "stopped while Ctrl-D was in flight"},
      {"gateway down, the watchdog retrying",
       [](PageBench& b) {
         b.Start({"BSC9"});
         b.telnet.Receive(AlarmList(""));  // done: the next visit cannot connect
         b.telnet.ConnectFails();
         b.clock.Advance(30000);  // and neither can the watchdog's
         b.telnet.ConnectFails();
         EXPECT_TRUE(b.page.Timerdc.Enabled());
       },
       "connection failed: Cannot connect to 127.0.0.1:52200: Connection refused"},
      {"the gateway hung up",
       [](PageBench& b) {
         b.Start({"BSC9"});
         b.telnet.PeerCloses();
       },
       "connection lost while ALLIP; was in flight"},
      {"connecting",
       [](PageBench& b) {
         b.page.ListBoxdc.Add("BSC9");
         b.page.StartdcClick();
         EXPECT_TRUE(b.telnet.Connecting());
       },
       "stopped during the login"},
      {"playing a warning sound",
       [](PageBench& b) {
         b.telnet.after_each_chunk = nullptr;
         b.Start({"BSC9"});
         b.telnet.Receive(AlarmList(Alarm("SEIZURE SUPERVISION")));
         EXPECT_TRUE(b.sound.Playing());
       },
       "stopped while ALLIP; was in flight"},
      {"already stopped", [](PageBench& b) { b.page.StopdcClick(); }, ""},
  };
  for (const State& state : states) {
    SCOPED_TRACE(state.name);
    PageBench bench;
    state.reach(bench);
    const std::size_t played = bench.sound.played.size();
    bench.page.StopdcClick();
    EXPECT_FALSE(bench.sound.Playing());
    ExpectStoppedForGood(bench);
    EXPECT_EQ(bench.sound.played.size(), played);  // the rest of a warning is not played
    const pages::ElementOutcome* outcome = bench.page.Outcomes.Find("BSC9");
    if (state.ended_early.empty()) {
      EXPECT_EQ(outcome, nullptr);
    } else {
      ASSERT_NE(outcome, nullptr);
      EXPECT_EQ(outcome->ended_early, state.ended_early);
    }
  }
}

// While a warning sound plays, whatever comes waits for the scan, which goes on at the sound's
// end only while its session stands.
class WhileASoundPlays : public DailyCheckTest {
 protected:
  // The list arrives, and `event` happens during the first sound of its scan.
  void ListWith(const std::function<void()>& event) {
    telnet.after_each_chunk = nullptr;
    telnet.Receive(list_);
    ASSERT_TRUE(sound.Playing());
    event();
    telnet.after_each_chunk = [this] { sound.FinishAll(); };
    sound.FinishAll();
  }
  // A list whose first alarm is queued silently (SEQAR is not a known alarm here) and whose
  // second is warned about with a sound.
  const std::string list_ =
      AlarmList(Alarm("SEIZURE QUALITY SUPERVISION", "ROUTE      DEV\r\nROUTE7     12") +
                Alarm("SEIZURE SUPERVISION"));
};

TEST_F(WhileASoundPlays, ReceivedTextWaitsForTheScan) {
  Start({"BSC9"});
  // A prompt that arrives meanwhile is taken once the scan is done, as the answer to the
  // first entry, not as a second end of the alarm list.
  const std::string spontaneous = "\r\n*** ALARM 620 A1/APT \"BSC9\"U 261205 1406\r\n<";
  ListWith([&] { telnet.Receive(spontaneous); });
  EXPECT_THAT(NewlySent(),
              ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;", "SEQAR:R=ROUTE7    ;", "SETAR;"));
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC9: SEQAR:R=ROUTE7    ; 14:07:30",
                          "Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30",
                          "BSC9: SETAR; 14:07:30"));
  EXPECT_THAT(sound.played, ElementsAre("beep 500", "beep 600", "beep 500", "beep 600"));
  EXPECT_TRUE(page.Memodc.Text().ends_with(list_ + spontaneous));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  EXPECT_EQ(files.written.size(), 1u);
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

TEST_F(WhileASoundPlays, TheWatchdogDoesNotTakeTheBusyPageForASilentSession) {
  Start({"BSC9"});
  ListWith([&] { clock.Advance(90000); });  // three ticks while the sound plays
  EXPECT_EQ(Connects(), 1);
  EXPECT_THAT(NewlySent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;", "SEQAR:R=ROUTE7    ;"));
  clock.Advance(29999);  // silence counts from the end of the scan
  EXPECT_EQ(Connects(), 1);
  clock.Advance(1);
  EXPECT_EQ(Connects(), 2);
}

TEST_F(WhileASoundPlays, StopEndsTheScanAfterTheSound) {
  Start({"BSC9"});
  ListWith([&] { page.StopdcClick(); });
  EXPECT_THAT(NewlySent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;"));
  EXPECT_THAT(sound.played, ElementsAre("beep 500"));
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC9: SEQAR:R=ROUTE7    ; 14:07:30",
                          "Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30",
                          "BSC9: stopped while ALLIP; was in flight; nothing blocked 14:07:30"));
  EXPECT_EQ(files.written.size(), 1u);
  ExpectStoppedForGood(*this);
}

TEST_F(WhileASoundPlays, AClosedConnectionEndsTheScanAndTheWatchdogMovesOn) {
  Start({"BSC9", "BSC10"});
  ListWith([&] { telnet.PeerCloses(); });
  EXPECT_THAT(NewlySent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;"));
  EXPECT_EQ(page.Memoreportdc.Lines().back(),
            "BSC9: connection lost while ALLIP; was in flight; nothing blocked 14:07:30");
  EXPECT_FALSE(page.Animate2.Visible());
  clock.Advance(30000);
  EXPECT_EQ(Connects(), 2);
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
}

TEST_F(WhileASoundPlays, StopThenStartOpensANewSessionAtOnce) {
  Start({"BSC9"});
  ListWith([&] {
    page.StopdcClick();
    page.StartdcClick();
  });
  EXPECT_EQ(Connects(), 2);
  LogIn();
  EXPECT_THAT(NewlySent(),
              ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;", "ops1", "pw", "NE=BSC9", "ALLIP;"));
  EXPECT_TRUE(page.Timerdc.Enabled());
}

TEST_F(WhileASoundPlays, TextOfAClosedSessionIsKeptButNotActedOn) {
  Start({"BSC9"});
  ListWith([&] {
    telnet.Receive("\r\nSEQAR:R=ROUTE7    ;\r\n<");
    telnet.PeerCloses();
  });
  EXPECT_THAT(NewlySent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;"));
  ASSERT_EQ(files.written.size(), 1u);
  EXPECT_TRUE(files.written.begin()->second.ends_with("SEQAR:R=ROUTE7    ;\r\n<\r\n"));
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
