// How a Proses session ends before its BSC is done: at every step of either procedure (the
// gateway's refusals, the printout cap and a connection never opened are rows of the page
// endings table); what a restart then sends; and the watchdog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mml/text.h"
#include "pages/proses/proses_test_exchange.h"
#include "tests/cut_points.h"

namespace kestrel::proses::testing {
namespace {

using kestrel::testing::Ending;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kRunStopped = ". The run is stopped; the BSC stays at the head of the queue.";

// Each step of a whole BSC ("steps" of the procedure's run: the line in flight | where the
// session was | what may still be blocked | where, if the page's own pause runs out first).
TEST(ProsesSessionEnd, AtEveryStepTheNoteSaysWhereAndExactlyWhatMayStillBeBlocked) {
  for (const char* procedure : {"rxtei", "rxlti"}) {
    SCOPED_TRACE(procedure);
    std::vector<std::vector<std::string>> steps;
    for (const auto& row : Case(procedure).Lines("steps"))
      steps.push_back(pages::testing::Split(row));
    kestrel::testing::CutTable<Exchange> table;
    table.steps = steps.size();
    table.endings = {Ending::kPeer, Ending::kClient, Ending::kStop, Ending::kSilence};
    table.start = [&] {
      auto exchange = std::make_unique<Exchange>(procedure);
      exchange->Run(0);
      return exchange;
    };
    table.telnet = [](Exchange & exchange) -> auto& { return exchange.telnet; };
    table.step = [](Exchange& exchange, std::size_t k) { exchange.Play(static_cast<int>(k) + 1); };
    table.half = [](Exchange& exchange, std::size_t) { return exchange.Half(); };
    table.stop = [](Exchange& exchange) { exchange.page.StartpnlClick(); };
    table.silence = [](Exchange& exchange) {
      for (int i = 0; i < 2 && exchange.telnet.Connected(); ++i) exchange.clock.Advance(60000);
    };
    table.expect = [&](Exchange& exchange, const kestrel::testing::Cut& cut) {
      const auto& row = steps[cut.step];
      EXPECT_EQ(cut.in_flight, row[0]);
      const bool stop = cut.ending == Ending::kStop;
      const std::string where = cut.ending == Ending::kSilence && row.size() > 3 ? row[3] : row[1];
      const std::string how = stop                             ? "stopped"
                              : cut.ending == Ending::kSilence ? "lost (no answer for 60 s)"
                                                               : cut.Lost().substr(11);
      const std::string note = (stop ? "Session with BSC9 " : "Connection to BSC9 ") + how + " " +
                               where + (row[2].empty() ? "" : ". May still be blocked: " + row[2]) +
                               kRunStopped;
      const auto& page = exchange.page;
      EXPECT_THAT(PaneLines(page, "*** "), ElementsAre("*** " + note));
      EXPECT_THAT(exchange.telnet.notes, ElementsAre(note));
      // A Stop is boxed only when it left something out of traffic.
      const std::vector<std::string> blocked =
          row[2].empty() ? std::vector<std::string>{} : pages::testing::Split(row[2], " ");
      EXPECT_EQ(exchange.messages.shown,
                blocked.empty() && stop ? blocked : std::vector<std::string>{note});
      const pages::ElementOutcome& outcome = *page.Outcomes.Find("BSC9");
      EXPECT_EQ(outcome.ended_early, (stop ? "" : "connection ") + how + " " + where);
      EXPECT_EQ(outcome.maybe_blocked, blocked);
      EXPECT_EQ(outcome.finished, 0);
      EXPECT_FALSE(exchange.telnet.Connected());
      EXPECT_TRUE(page.Startpnl.Caption() == "Start" &&
                  page.Startpnl.Color() == controls::Colour::kButtonFace &&
                  page.TabSheet1.Enabled() && exchange.broadcast_sheet.Enabled());
      EXPECT_THAT(page.ListBox1.Items(), ElementsAre("BSC9"));
      EXPECT_FALSE(page.ReleaseTimer.Enabled() || page.Timer1.Enabled() ||
                   page.BusyTimer.Enabled() || page.WatchdogTimer.Enabled());
    };
    kestrel::testing::ForEveryCut(table);
  }  // namespace
}  // namespace kestrel::proses::testing

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
