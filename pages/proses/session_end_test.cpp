// How Proses goes on after a session ended before its BSC was done (the ends at every step of
// either procedure are rows of the page endings table): what a restart then sends; and the
// watchdog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mml/text.h"
#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::ElementsAre;

const std::string kRunStopped = ". The run is stopped; the BSC stays at the head of the queue.";

// A restart after a drop treats what the new session's printouts name, and only that; what
// the broken session left out of traffic is still named at the end.
TEST(ProsesSessionEnd, RestartAfterADropSendsNothingForTheOldSessionsObjects) {
  const DataCase& restart = Case("rxlti-restart");
  Exchange lti(restart.name);
  lti.Run(0);
  lti.PlayUntil("RXBLI:MO=RXOTS-12-0-13,FORCE;");  // the first timeslot is blocked
  lti.telnet.PeerCloses();
  lti.printouts["RXASP:MOTY=RXOTG;"] = restart.Text("after the drop");
  lti.Run();
  EXPECT_EQ(lti.Commands(), restart.Lines("commands"));
  EXPECT_EQ(mml::Joined(lti.messages.shown, "\n"), mml::Joined(restart.Lines("messages"), "\n"));
  EXPECT_EQ(pages::RecapLine(*lti.page.Outcomes.Find("BSC9")), restart.Lines("recap").at(0));

  Exchange tei("rxtei");
  tei.Run(0);
  tei.PlayUntil("RXBLI:MO=RXOTS-12-0-13,FORCE;");  // the cell's objects are listed
  tei.telnet.PeerCloses();
  tei.Load("rxtei-later");
  tei.Run();
  const auto commands = tei.Commands();
  EXPECT_THAT(std::vector<std::string>(commands.end() - 2, commands.end()),
              ElementsAre("ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09102B;"));
}

// The page's own pauses (release pause, 30-second wait, busy retry) are not silence.
TEST(ProsesSessionEnd, WatchdogSleepsThroughThePagesOwnPauses) {
  for (const char* run : {"rxlti", "rxtei-busy"}) {
    Exchange exchange(run);
    exchange.page.SetWatchdogSeconds(1);
    exchange.Run();
    EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish")) << run;
    EXPECT_EQ(std::to_string(exchange.clock.Now()), Case(run).Lines("clock").at(0)) << run;
  }
}

TEST(ProsesSessionEnd, WatchdogCountsFromTheLastTextAndCanBeSwitchedOff) {
  Exchange exchange;
  exchange.page.StartpnlClick();
  for (const char* text :
       {"\r\nUser: ", "\r\nPassword: \r\nNE: \r\n<", "RXASP:MOTY=RXOTG;\r\n\r\nMO "}) {
    exchange.clock.Advance(59999);
    exchange.telnet.Receive(text);
  }
  exchange.clock.Advance(59999);
  ASSERT_TRUE(exchange.telnet.Connected());
  exchange.clock.Advance(1);
  EXPECT_THAT(PaneLines(exchange.page, "*** "),
              ElementsAre("*** Connection to BSC9 lost (no answer for 60 s) while "
                          "RXASP:MOTY=RXOTG; was in flight" +
                          kRunStopped));

  Exchange off;
  off.page.SetWatchdogSeconds(0);
  off.page.StartpnlClick();
  off.clock.Advance(3600000);
  EXPECT_TRUE(off.telnet.Connected());
  off.page.SetWatchdogSeconds(90);
  off.clock.Advance(89999);
  EXPECT_TRUE(off.telnet.Connected());
  off.clock.Advance(1);
  EXPECT_THAT(PaneLines(off.page, "*** "),
              ElementsAre("*** Connection to BSC9 lost (no answer for 90 s) before the BSC's "
                          "prompt" +
                          kRunStopped));
}

}  // namespace
}  // namespace kestrel::proses::testing
