#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr std::string_view kRunStopped =
    ". The run is stopped; the BSC stays at the head of the queue.";

std::set<std::string> AsSet(const std::vector<std::string>& items) {
  return {items.begin(), items.end()};
}

// The commands sent after the first `n`.
std::vector<std::string> Since(const Exchange& exchange, std::size_t n) {
  const auto all = exchange.Commands();
  return {all.begin() + static_cast<std::ptrdiff_t>(std::min(n, all.size())), all.end()};
}

// The session ends at every step of a BSC: before the n-th answer of the exchange, the line
// drops, the engineer (or the runner at its time-out) presses Stop, or the exchange falls
// silent until the watchdog ends the session.
void EndAtEveryStep(bool rxtei, Exchange::Cut cut) {
  const std::string head = cut == Exchange::Cut::kStop      ? "Session with BSC9 stopped"
                           : cut == Exchange::Cut::kSilence ? "Connection to BSC9 lost (no "
                                                              "answer for 60 s)"
                                                            : "Connection to BSC9 lost";
  int with_objects = 0;
  for (int at = 0;; ++at) {
    SCOPED_TRACE("cut before answer " + std::to_string(at));
    Exchange exchange;
    BscWithWork(exchange, rxtei);
    exchange.cut = cut;
    exchange.cut_after_answers = at;
    ASSERT_NO_THROW(exchange.Run());
    const auto& page = exchange.page;
    if (exchange.cut_after_answers >= 0) {  // the BSC ran to its end first: every step seen
      EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
      EXPECT_TRUE(page.Outcomes.Find("BSC9")->Clean());
      EXPECT_GT(at, 10);
      EXPECT_GT(with_objects, 3);
      return;
    }
    EXPECT_EQ(page.Startpnl.Caption(), "Start");
    EXPECT_EQ(page.Startpnl.Color(), controls::Colour::kButtonFace);
    EXPECT_TRUE(page.TabSheet1.Enabled());
    EXPECT_TRUE(exchange.broadcast_sheet.Enabled());
    EXPECT_THAT(page.ListBox1.Items(), ElementsAre("BSC9"));
    EXPECT_FALSE(page.ProsesAttached);
    EXPECT_EQ(page.ProsesStep, "");
    EXPECT_EQ(page.ProsesMoIndex, 0);
    EXPECT_FALSE(page.ReleaseTimer.Enabled() || page.Timer1.Enabled() || page.BusyTimer.Enabled() ||
                 page.WatchdogTimer.Enabled());
    if (cut == Exchange::Cut::kSilence) {
      EXPECT_GE(exchange.clock.Now(), 60000);
    }

    // One note, naming exactly the objects taken out of traffic and not confirmed back.
    const auto notes = PaneLines(page, "*** ");
    ASSERT_EQ(notes.size(), 1u);
    const std::string note = notes[0].substr(4);
    EXPECT_THAT(note, StartsWith(head));
    EXPECT_TRUE(note.ends_with(kRunStopped)) << note;
    const std::set<std::string> expected = Unconfirmed(exchange);
    with_objects += !expected.empty();
    EXPECT_EQ(NamedAsBlocked(note), expected) << note;
    EXPECT_EQ(note.find("May still be blocked") != std::string::npos, !expected.empty());
    EXPECT_THAT(exchange.telnet.notes, ElementsAre(note));
    // A Stop is boxed only when it left something out of traffic.
    if (cut == Exchange::Cut::kStop && expected.empty()) {
      EXPECT_THAT(exchange.messages.shown, IsEmpty());
    } else {
      EXPECT_THAT(exchange.messages.shown, ElementsAre(note));
    }

    const pages::ElementOutcome& outcome = *page.Outcomes.Find("BSC9");
    EXPECT_EQ(AsSet(outcome.maybe_blocked), expected);
    EXPECT_THAT(outcome.ended_early,
                StartsWith(cut == Exchange::Cut::kStop ? "stopped" : "connection lost"));
    EXPECT_EQ(outcome.finished, 0);
    EXPECT_FALSE(outcome.Clean());
    ASSERT_LT(at, 200);
  }
}

TEST(ProsesSessionEnd, DropStopOrSilenceAtEveryStepOfAnRxteiOrRxltiBsc) {
  for (const bool rxtei : {true, false}) {
    for (const auto cut :
         {Exchange::Cut::kPeerCloses, Exchange::Cut::kStop, Exchange::Cut::kSilence}) {
      SCOPED_TRACE(std::string(rxtei ? "RXTEI" : "RXLTI") + ", cut " +
                   std::to_string(static_cast<int>(cut)));
      EndAtEveryStep(rxtei, cut);
    }
  }
}

TEST(ProsesSessionEnd, ClientsOwnReasonIsInTheNote) {
  Exchange exchange;
  exchange.page.ListBox1.Add("BSC9");
  exchange.page.StartpnlClick();
  exchange.telnet.Receive("\r\nUser: \r\nPassword: \r\nNE: \r\n<");
  ASSERT_EQ(exchange.page.ProsesStep, "RXASP:MOTY=RXOTG;");
  exchange.telnet.ClientEnds("a line passed 64 KB");
  const std::string note =
      "Connection to BSC9 lost (a line passed 64 KB) while RXASP:MOTY=RXOTG; was in flight. "
      "The run is stopped; the BSC stays at the head of the queue.";
  EXPECT_THAT(PaneLines(exchange.page, "*** "), ElementsAre("*** " + note));
  EXPECT_THAT(exchange.messages.shown, ElementsAre(note));
  EXPECT_EQ(exchange.page.Outcomes.Find("BSC9")->ended_early,
            "connection lost (a line passed 64 KB) while RXASP:MOTY=RXOTG; was in flight");
}

// The gateway refuses the login or does not know the element: the run stops there, with the
// gateway's words in the pane and in a box, and the BSC stays queued.
TEST(ProsesSessionEnd, RefusedLoginOrUnknownElementStopsTheRun) {
  struct Case {
    std::string prompts, refusal, words;
  };
  const Case cases[] = {
      {"\r\nUser: \r\nPassword: ", "\r\nLOGIN INCORRECT\r\nUser: ", "LOGIN INCORRECT"},
      {"\r\nUser: \r\nPassword: \r\nNE: ", "\r\nNE BSC9 NOT DEFINED IN GATEWAY\r\nNE: ",
       "NE BSC9 NOT DEFINED IN GATEWAY"},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {1, 5, 4096}) {
      SCOPED_TRACE(c.words + ", chunks of " + std::to_string(chunk));
      Exchange exchange;
      exchange.page.ListBox1.Add("BSC9");
      exchange.page.ListBox1.Add("BSC10");
      exchange.page.StartpnlClick();
      exchange.telnet.ReceiveInChunks(c.prompts, chunk);
      exchange.telnet.ReceiveInChunks(c.refusal, chunk);
      const std::string note = "BSC9 not reached: " + c.words + std::string(kRunStopped);
      EXPECT_FALSE(exchange.telnet.Connected());
      EXPECT_EQ(std::count(exchange.telnet.events.begin(), exchange.telnet.events.end(), "connect"),
                1);
      EXPECT_THAT(exchange.Commands(), IsEmpty());
      EXPECT_THAT(PaneLines(exchange.page, "*** "), ElementsAre("*** " + note));
      EXPECT_THAT(exchange.messages.shown, ElementsAre(note));
      EXPECT_THAT(exchange.page.ListBox1.Items(), ElementsAre("BSC9", "BSC10"));
      EXPECT_EQ(exchange.page.Startpnl.Caption(), "Start");
      EXPECT_TRUE(exchange.page.TabSheet1.Enabled());
      EXPECT_TRUE(exchange.broadcast_sheet.Enabled());
      EXPECT_FALSE(exchange.page.WatchdogTimer.Enabled());
      const auto& outcome = *exchange.page.Outcomes.Find("BSC9");
      EXPECT_EQ(outcome.ended_early, c.words);
      EXPECT_EQ(outcome.reached, 0);
      EXPECT_EQ(exchange.page.Outcomes.Find("BSC10"), nullptr);
    }
  }
}

TEST(ProsesSessionEnd, PrintoutPastTheCapEndsTheSession) {
  Exchange exchange;
  exchange.page.SetMaxPrintout(4096);
  exchange.page.ListBox1.Add("BSC9");
  std::string situation = "MO                 FAULT\r\n";
  for (int i = 0; i < 300; ++i) situation += "RXOTS-12-0-1       TS SYNC FAULT\r\n";
  exchange.printouts["RXASP:MOTY=RXOTG;"] = situation;
  exchange.Run();
  EXPECT_FALSE(exchange.telnet.Connected());
  EXPECT_THAT(exchange.Commands(), ElementsAre("RXASP:MOTY=RXOTG;"));
  const std::string note =
      "BSC9: the answer to RXASP:MOTY=RXOTG; passed the printout cap of 4096 bytes; the "
      "session is ended" +
      std::string(kRunStopped);
  EXPECT_THAT(PaneLines(exchange.page, "*** "), ElementsAre("*** " + note));
  EXPECT_THAT(exchange.messages.shown, ElementsAre(note));
  EXPECT_THAT(exchange.page.ListBox1.Items(), ElementsAre("BSC9"));
  EXPECT_TRUE(exchange.page.TabSheet1.Enabled());
}

// A restart after a drop treats what the new session's printouts name, and only that; what
// the broken session left out of traffic is still named at the end.
TEST(ProsesSessionEnd, RestartAfterADropSendsNothingForTheOldSessionsObjects) {
  Exchange exchange;
  BscWithWork(exchange, false);
  exchange.printouts["RXASP:MOTY=RXOTG;"] =
      "MO                 FAULT\r\nRXOTS-12-0-1       TS SYNC FAULT\r\n"
      "RXOTS-12-0-2       TS SYNC FAULT\r\nRXOTRX-12-1        PERMANENT FAULT\r\n";
  exchange.cut_after_answers = 3;  // RXASP, RXBLI, its confirmation; then the line drops
  exchange.Run();
  ASSERT_THAT(exchange.Commands(), ElementsAre("RXASP:MOTY=RXOTG;", "RXBLI:MO=RXOTS-12-0-1,FORCE;",
                                               ";", "RXBLI:MO=RXOTS-12-0-2,FORCE;"));
  exchange.printouts["RXASP:MOTY=RXOTG;"] =
      "MO                 FAULT\r\nRXOTRX-12-7        PERMANENT FAULT\r\n";
  exchange.Run();
  EXPECT_THAT(Since(exchange, 4), ElementsAre("RXASP:MOTY=RXOTG;", "RXBLI:MO=RXOTRX-12-7,FORCE;",
                                              ";", "RXBLE:MO=RXOTRX-12-7;", ";"));
  EXPECT_THAT(exchange.messages.shown,
              ElementsAre(HasSubstr("May still be blocked: RXOTS-12-0-1 RXOTS-12-0-2"),
                          "Proses finish\nMay still be blocked on BSC9: RXOTS-12-0-1 "
                          "RXOTS-12-0-2"));
  const auto& outcome = *exchange.page.Outcomes.Find("BSC9");
  EXPECT_EQ(outcome.visits, 2);
  EXPECT_EQ(outcome.finished, 1);
  EXPECT_THAT(outcome.maybe_blocked, ElementsAre("RXOTS-12-0-1", "RXOTS-12-0-2"));

  Exchange tei;
  BscWithWork(tei, true);
  tei.cut_after_answers = 4;  // after RXMFP: the cell's objects are listed
  tei.Run();
  ASSERT_EQ(tei.Commands().back(), "RXBLI:MO=RXOTS-12-0-1,FORCE;");
  tei.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09102B"});
  tei.printouts["RLSLP:CELL=C09102B;"] = CellCheck("C09102B", "7", "0");
  tei.Run();
  EXPECT_THAT(Since(tei, 5), ElementsAre("ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09102B;"));
}

// The page's own pauses (release pause, 30-second wait, busy retry) are not silence.
TEST(ProsesSessionEnd, WatchdogSleepsThroughThePagesOwnPauses) {
  Exchange lti;
  BscWithWork(lti, false);
  lti.page.SetWatchdogSeconds(1);
  lti.Run();
  EXPECT_THAT(lti.messages.shown, ElementsAre("Proses finish"));
  EXPECT_EQ(lti.clock.Now(), 30000 + 3000);

  Exchange tei;
  BscWithWork(tei, true);
  tei.page.SetWatchdogSeconds(1);
  tei.busy["ALLIP:ALCAT=KESINTI;"] = 1;
  tei.Run();
  EXPECT_THAT(tei.messages.shown, ElementsAre("Proses finish"));
  EXPECT_EQ(tei.clock.Now(), 5000 + 2 * 3000);
}

TEST(ProsesSessionEnd, WatchdogCountsFromTheLastTextAndCanBeSwitchedOff) {
  Exchange exchange;
  exchange.page.ListBox1.Add("BSC9");
  exchange.auto_time = false;
  exchange.page.StartpnlClick();
  exchange.clock.Advance(59999);  // no login prompt yet
  exchange.telnet.Receive("\r\nUser: ");
  exchange.clock.Advance(59999);
  exchange.telnet.Receive("\r\nPassword: \r\nNE: \r\n<");
  exchange.clock.Advance(59999);
  exchange.telnet.Receive("RXASP:MOTY=RXOTG;\r\n\r\nMO   ");  // part of the printout
  exchange.clock.Advance(59999);
  ASSERT_TRUE(exchange.telnet.Connected());
  exchange.clock.Advance(1);
  EXPECT_FALSE(exchange.telnet.Connected());
  EXPECT_THAT(PaneLines(exchange.page, "*** "),
              ElementsAre("*** Connection to BSC9 lost (no answer for 60 s) while "
                          "RXASP:MOTY=RXOTG; was in flight" +
                          std::string(kRunStopped)));

  Exchange off;
  off.page.ListBox1.Add("BSC9");
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
                          std::string(kRunStopped)));
}

}  // namespace
}  // namespace kestrel::proses::testing
