#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr std::string_view kRefusal = "NOT ACCEPTED\r\nFAULT CODE 17";

// Two timeslots (one ended and restarted in service) and two other objects for RXLTI; a
// timeslot (ended and restarted in service) and a transceiver for RXTEI.
void Bsc(Exchange& exchange, bool rxtei) {
  BscWithWork(exchange, rxtei);
  exchange.printouts["RXASP:MOTY=RXOTG;"] =
      "MO                 FAULT\r\n"
      "RXOTS-12-0-1       TS SYNC FAULT  PERMANENT FAULT\r\n"
      "RXOTRX-12-1        PERMANENT FAULT\r\n"
      "RXOTS-12-0-13      TS SYNC FAULT\r\n"
      "RXOTX-12-1         PERMANENT FAULT\r\n";
}

std::vector<std::string> GoodRun(bool rxtei) {
  Exchange exchange;
  Bsc(exchange, rxtei);
  exchange.Run();
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
  EXPECT_TRUE(exchange.page.Outcomes.Find("BSC9")->Clean());
  return exchange.Commands();
}

// Every deblock and every start of service, refused in each way the exchange can: at once,
// in the answer to the confirmation, or with an answer that does not say EXECUTED. The
// procedure goes on as it would (the exchange is back at its prompt), but the run does not end
// as if all were well, and the object stays named.
TEST(ProsesOrders, RefusedDeblockOrServiceStartAtEveryObject) {
  for (const bool rxtei : {true, false}) {
    const auto good = GoodRun(rxtei);
    int undos = 0;
    for (const auto& undo : good) {
      if (!undo.starts_with("RXBLE:") && !undo.starts_with("RXESI:")) continue;
      ++undos;
      const std::string object = undo.substr(9, undo.size() - 10);
      for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(undo + " refused, way " + std::to_string(way));
        Exchange exchange;
        Bsc(exchange, rxtei);
        if (way == 0) exchange.refuse[undo] = kRefusal;
        if (way == 1) exchange.confirm_answers[undo] = kRefusal;
        if (way == 2) exchange.confirm_answers[undo] = "ORDERED";
        exchange.Run();
        EXPECT_EQ(exchange.Commands(), good);
        const std::string refusal =
            "BSC9: " + undo + " refused: " +
            (way == 2 ? "the answer holds no EXECUTED" : "NOT ACCEPTED, FAULT CODE 17");
        const std::string blocked = "May still be blocked on BSC9: " + object;
        EXPECT_THAT(exchange.messages.shown,
                    ElementsAre("Proses finish\n" + refusal + "\n" + blocked));
        EXPECT_THAT(
            PaneLines(exchange.page, "*** "),
            ElementsAre("*** " + refusal, "*** Proses finish", "*** " + refusal, "*** " + blocked));
        const auto& outcome = *exchange.page.Outcomes.Find("BSC9");
        EXPECT_THAT(outcome.maybe_blocked, ElementsAre(object));
        EXPECT_THAT(outcome.problems, ElementsAre(refusal));
      }
    }
    EXPECT_EQ(undos, rxtei ? 3 : 5);
  }
}

// A refused block may have half blocked its object: it stays named until a deblock of it is
// confirmed.
TEST(ProsesOrders, RefusedBlockIsNotedAndItsObjectStaysNamedUntilADeblockIsConfirmed) {
  const std::string block = "RXBLI:MO=RXOTRX-12-1,FORCE;";
  const std::string refusal = "BSC9: " + block + " refused: FUNCTION BUSY";
  Exchange exchange;
  Bsc(exchange, false);
  exchange.refuse[block] = "FUNCTION BUSY";
  exchange.Run();
  EXPECT_EQ(exchange.Commands(), GoodRun(false));
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish\n" + refusal));
  EXPECT_THAT(exchange.page.Outcomes.Find("BSC9")->maybe_blocked, IsEmpty());

  Exchange cut;
  Bsc(cut, false);
  cut.refuse[block] = "FUNCTION BUSY";
  const auto good = GoodRun(false);
  const auto at = std::find(good.begin(), good.end(), block) - good.begin();
  cut.cut_after_answers = static_cast<int>(at) + 1;  // the line drops after its ";"
  cut.Run();
  EXPECT_EQ(cut.Commands().back(), ";");
  EXPECT_THAT(PaneLines(cut.page, "*** "),
              ElementsAre("*** " + refusal,
                          "*** Connection to BSC9 lost while " + block +
                              " was in flight. May still be blocked: RXOTRX-12-1. The run is "
                              "stopped; the BSC stays at the head of the queue."));
}

// An order that the exchange carried out at once (no confirmation asked) counts as done,
// whatever the lone ";" that follows gets for an answer.
TEST(ProsesOrders, OrderExecutedAtOnceIsDone) {
  Exchange exchange;
  Bsc(exchange, false);
  exchange.refuse["RXBLE:MO=RXOTX-12-1;"] = "EXECUTED";
  exchange.Run();
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
  EXPECT_TRUE(exchange.page.Outcomes.Find("BSC9")->Clean());
}

TEST(ProsesOrders, RefusedReadingCommandsAndTestsAreNoted) {
  const std::string words = "NOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE";
  for (const bool rxtei : {true, false}) {
    const auto good = GoodRun(rxtei);
    for (const auto& command : good) {
      const std::string verb = command.substr(0, 5);
      if (verb != "ALLIP" && verb != "RLSLP" && verb != "RXTCP" && verb != "RXMFP" &&
          verb != "RXASP" && verb != "RXTEI" && verb != "RXLTI") {
        continue;
      }
      SCOPED_TRACE(command + " refused");
      Exchange exchange;
      Bsc(exchange, rxtei);
      exchange.refuse[command] = words;
      exchange.Run();
      const std::string refusal =
          "BSC9: " + command + " refused: NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE";
      EXPECT_THAT(PaneLines(exchange.page, "*** " + refusal), Not(IsEmpty()));
      ASSERT_EQ(exchange.messages.shown.size(), 1u);
      EXPECT_TRUE(exchange.messages.shown[0].starts_with("Proses finish\n" + refusal))
          << exchange.messages.shown[0];
      EXPECT_THAT(exchange.page.Outcomes.Find("BSC9")->problems, Contains(refusal));
    }
  }
}

// A ";" or "," inside a printout field would change the order itself; a control character
// would reach the wire. Such values are noted, in printable form, and never sent.
TEST(ProsesOrders, ValuesThatAreNotShapedLikeTheirColumnNeverReachTheWire) {
  Exchange tei;
  Bsc(tei, true);
  tei.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09;01A", "C0,9101",
                                                      "C09\x1b"
                                                      "01A",
                                                      "C09101A", "C09102B"});
  tei.printouts["RXMFP:MO=RXOTG-12,SUBORD,FAULTY;"] =
      FaultyObjects({"RXOTS-12-0-1;X", "RXOTRX-12-0,FORCE", "RXOTS-12-0-3"});
  tei.printouts["RLSLP:CELL=C09102B;"] = CellCheck("C09102B", "7", "14");
  tei.printouts["RXTCP:MOTY=RXOTG,CELL=C09102B;"] = TgOfCell("C09102B", "1;2");
  tei.Run();
  EXPECT_THAT(tei.Commands(),
              ElementsAreArray(std::vector<std::string>{
                  "ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09101A;", "RXTCP:MOTY=RXOTG,CELL=C09101A;",
                  "RXMFP:MO=RXOTG-12,SUBORD,FAULTY;", "RXBLI:MO=RXOTS-12-0-3,FORCE;", ";",
                  "RXESE:MO=RXOTS-12-0-3;", ";", "RXTEI:MO=RXOTS-12-0-3;", "RXESI:MO=RXOTS-12-0-3;",
                  ";", "RXBLE:MO=RXOTS-12-0-3;", ";", "\x04", "", "RLSLP:CELL=C09101A;",
                  "RLSLP:CELL=C09102B;", "RXTCP:MOTY=RXOTG,CELL=C09102B;"}));
  const std::vector<std::string> not_sent = {
      "*** BSC9: ALLIP:ALCAT=KESINTI; names \"C09;01A\", not a cell name; not sent",
      "*** BSC9: ALLIP:ALCAT=KESINTI; names \"C0,9101\", not a cell name; not sent",
      "*** BSC9: ALLIP:ALCAT=KESINTI; names \"C09?01A\", not a cell name; not sent",
      "*** BSC9: RXMFP:MO=RXOTG-12,SUBORD,FAULTY; names \"RXOTS-12-0-1;X\", not a managed "
      "object; not sent",
      "*** BSC9: RXMFP:MO=RXOTG-12,SUBORD,FAULTY; names \"RXOTRX-12-0,FO\", not a managed "
      "object; not sent",
      "*** BSC9: RXTCP:MOTY=RXOTG,CELL=C09102B; names \"1;2\", not a TG number; not sent",
      "*** Cell C09102B: RXTCP names no TG; cell skipped"};
  // Each when it was found, and again in the closing lines.
  for (const auto& line : not_sent) {
    EXPECT_THAT(PaneLines(tei.page, line), ElementsAre(line, line));
  }
  EXPECT_EQ(tei.page.Outcomes.Find("BSC9")->problems.size(), not_sent.size());

  Exchange lti;
  Bsc(lti, false);
  lti.printouts["RXASP:MOTY=RXOTG;"] =
      "MO                 FAULT\r\n"
      "RXOTRX-12-5;ZZ     PERMANENT FAULT\r\n"
      "RXOTS-12-0-7,9     TS SYNC FAULT\r\n"
      "RXOTX-12-1         PERMANENT FAULT\r\n";
  lti.Run();
  EXPECT_THAT(lti.Commands(), ElementsAre("RXASP:MOTY=RXOTG;", "RXBLI:MO=RXOTX-12-1,FORCE;", ";",
                                          "RXBLE:MO=RXOTX-12-1;", ";"));
  EXPECT_THAT(lti.messages.shown,
              ElementsAre("Proses finish\n"
                          "BSC9: RXASP:MOTY=RXOTG; names \"RXOTRX-12-5;ZZ\", not a managed object; "
                          "not sent\n"
                          "BSC9: RXASP:MOTY=RXOTG; names \"RXOTS-12-0-7,9\", not a managed "
                          "object; not sent"));
}

TEST(ProsesOrders, ClosingMessageShowsTenProblemsAndCountsTheRest) {
  Exchange exchange;
  Bsc(exchange, true);
  std::vector<std::string> cells;
  for (int i = 0; i < 12; ++i) cells.push_back("C;" + std::to_string(10 + i));
  exchange.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList(cells);
  exchange.Run();
  ASSERT_EQ(exchange.messages.shown.size(), 1u);
  const std::string& message = exchange.messages.shown[0];
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 11);
  EXPECT_TRUE(message.ends_with("\nand 2 more in the output pane")) << message;
  EXPECT_EQ(PaneLines(exchange.page, "*** BSC9: ALLIP").size(), 12u + 10u);
}

}  // namespace
}  // namespace kestrel::proses::testing
