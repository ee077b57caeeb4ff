// While a warning sound plays, whatever comes waits for the scan, which goes on at the sound's
// end only while its session stands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;

const std::vector<std::string> kLogin = {"ops1", "pw", "NE=BSC9", "ALLIP;"};

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
  const std::string seqar_ = "BSC9: SEQAR:R=ROUTE7    ; 14:07:30";
  const std::string warned_ = "Warning: BSC9: SEIZURE SUPERVISION; 05.12.2026 14:07:30";
};

TEST_F(WhileASoundPlays, ReceivedTextWaitsForTheScan) {
  Start({"BSC9"});
  // A prompt that arrives meanwhile is taken once the scan is done, as the answer to the
  // first entry, not as a second end of the alarm list.
  const std::string spontaneous = "\r\n*** ALARM 620 A1/APT \"BSC9\"U 261205 1406\r\n<";
  ListWith([&] { telnet.Receive(spontaneous); });
  EXPECT_THAT(NewlySent(),
              ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;", "SEQAR:R=ROUTE7    ;", "SETAR;"));
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre(seqar_, warned_, "BSC9: SETAR; 14:07:30"));
  EXPECT_THAT(sound.played, ElementsAre("beep 500", "beep 600", "beep 500", "beep 600"));
  EXPECT_TRUE(page.Memodc.Text().ends_with(list_ + spontaneous));
  telnet.Receive("SETAR;\r\nEXECUTED\r\n\r\n<");
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

TEST_F(WhileASoundPlays, TheWatchdogDoesNotTakeTheBusyPageForASilentSession) {
  Start({"BSC9"});
  ListWith([&] { clock.Advance(90000); });  // three ticks while the sound plays
  EXPECT_THAT(NewlySent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;", "SEQAR:R=ROUTE7    ;"));
  clock.Advance(29999);  // silence counts from the end of the scan
  EXPECT_EQ(Connects(), 1);
  clock.Advance(1);
  EXPECT_EQ(Connects(), 2);
}

TEST_F(WhileASoundPlays, StopEndsTheScanAfterTheSound) {
  Start({"BSC9"});
  ListWith([&] { page.StopdcClick(); });
  EXPECT_EQ(NewlySent(), kLogin);
  EXPECT_THAT(sound.played, ElementsAre("beep 500"));
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre(seqar_, warned_,
                          "BSC9: stopped while ALLIP; was in flight; nothing blocked 14:07:30"));
  EXPECT_EQ(files.written.size(), 1u);
}

TEST_F(WhileASoundPlays, AClosedConnectionEndsTheScanAndTheWatchdogMovesOn) {
  Start({"BSC9", "BSC10"});
  ListWith([&] { telnet.PeerCloses(); });
  EXPECT_EQ(NewlySent(), kLogin);
  EXPECT_EQ(page.Memoreportdc.Lines().back(),
            "BSC9: connection lost while ALLIP; was in flight; nothing blocked 14:07:30");
  clock.Advance(30000);
  EXPECT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  EXPECT_EQ(Connects(), 2);
}

TEST_F(WhileASoundPlays, StopThenStartOpensANewSessionAtOnce) {
  Start({"BSC9"});
  ListWith([&] {
    page.StopdcClick();
    page.StartdcClick();
  });
  EXPECT_EQ(Connects(), 2);
  LogIn();
  std::vector<std::string> twice = kLogin;
  twice.insert(twice.end(), kLogin.begin(), kLogin.end());
  EXPECT_EQ(NewlySent(), twice);
  EXPECT_TRUE(page.Timerdc.Enabled());
}

TEST_F(WhileASoundPlays, TextOfAClosedSessionIsKeptButNotActedOn) {
  Start({"BSC9"});
  ListWith([&] {
    telnet.Receive("\r\nSEQAR:R=ROUTE7    ;\r\n<");
    telnet.PeerCloses();
  });
  EXPECT_EQ(NewlySent(), kLogin);
  ASSERT_EQ(files.written.size(), 1u);
  EXPECT_TRUE(files.written.begin()->second.ends_with("SEQAR:R=ROUTE7    ;\r\n<\r\n"));
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
