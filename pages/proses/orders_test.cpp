// The orders that take objects out of traffic and put them back, the refusals of any command,
// and printout values that are not shaped like their column.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::StartsWith;

constexpr const char* kRefusal = "NOT ACCEPTED\r\nFAULT CODE 17";
constexpr const char* kProcedures[] = {"rxtei", "rxlti"};

// Every deblock and every start of service refused at once, in the answer to its confirmation,
// or answered without EXECUTED; or carried out at once, without a confirmation asked. The
// procedure goes on as it would (the exchange is back at its prompt); a refused undo keeps its
// object named and the run does not end as if all were well.
TEST(ProsesOrders, EveryUndoRefusedInEachWayOrExecutedAtOnce) {
  for (const char* procedure : kProcedures) {
    const auto good = Case(procedure).Lines("commands");
    int undos = 0;
    for (const auto& undo : good) {
      if (!undo.starts_with("RXBLE:") && !undo.starts_with("RXESI:")) continue;
      ++undos;
      const std::string object = undo.substr(9, undo.size() - 10);
      for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(undo + ", way " + std::to_string(way));
        Exchange exchange(procedure);
        if (way == 0) exchange.refuse[undo] = kRefusal;
        if (way == 1) exchange.confirm_answers[undo] = kRefusal;
        if (way == 2) exchange.confirm_answers[undo] = "ORDERED";
        if (way == 3) exchange.refuse[undo] = "EXECUTED";
        exchange.Run();
        EXPECT_EQ(exchange.Commands(), good);
        const auto& outcome = *exchange.page.Outcomes.Find("BSC9");
        if (way == 3) {
          EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
          EXPECT_TRUE(outcome.Clean());
          continue;
        }
        const std::string refusal =
            "BSC9: " + undo + " refused: " +
            (way == 2 ? "the answer holds no EXECUTED" : "NOT ACCEPTED, FAULT CODE 17");
        const std::string blocked = "May still be blocked on BSC9: " + object;
        EXPECT_THAT(exchange.messages.shown,
                    ElementsAre("Proses finish\n" + refusal + "\n" + blocked));
        EXPECT_THAT(
            PaneLines(exchange.page, "*** "),
            ElementsAre("*** " + refusal, "*** Proses finish", "*** " + refusal, "*** " + blocked));
        EXPECT_THAT(outcome.maybe_blocked, ElementsAre(object));
        EXPECT_THAT(outcome.problems, ElementsAre(refusal));
      }
    }
    EXPECT_EQ(undos, procedure == kProcedures[0] ? 3 : 5);
  }
}

// A refused block may have half blocked its object: it stays named until a deblock of it is
// confirmed.
TEST(ProsesOrders, RefusedBlockIsNotedAndItsObjectStaysNamedUntilADeblockIsConfirmed) {
  const std::string block = "RXBLI:MO=RXOTRX-12-1,FORCE;";
  const std::string refusal = "BSC9: " + block + " refused: FUNCTION BUSY";
  Exchange exchange;
  exchange.refuse[block] = "FUNCTION BUSY";
  exchange.Run();
  EXPECT_EQ(exchange.Commands(), Case("rxlti").Lines("commands"));
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish\n" + refusal));
  EXPECT_TRUE(exchange.page.Outcomes.Find("BSC9")->maybe_blocked.empty());

  Exchange cut;
  cut.refuse[block] = "FUNCTION BUSY";
  cut.Run(0);
  cut.PlayUntil(block);
  cut.PlayUntil(";");  // its confirmation goes out; the line drops
  cut.telnet.PeerCloses();
  EXPECT_EQ(cut.Commands().back(), ";");
  EXPECT_THAT(PaneLines(cut.page, "*** "),
              ElementsAre("*** " + refusal,
                          "*** Connection to BSC9 lost while " + block +
                              " was in flight. May still be blocked: RXOTRX-12-1. The run is "
                              "stopped; the BSC stays at the head of the queue."));
}

TEST(ProsesOrders, RefusedReadingCommandsAndTestsAreNoted) {
  for (const char* procedure : kProcedures) {
    for (const auto& command : Case(procedure).Lines("commands")) {
      if (command.size() < 5 ||
          std::string("RXBLI RXBLE RXESE RXESI").find(command.substr(0, 5)) != std::string::npos) {
        continue;  // orders, confirmations and the dialogue's own lines
      }
      SCOPED_TRACE(command + " refused");
      Exchange exchange(procedure);
      exchange.refuse[command] = "NOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE";
      exchange.Run();
      const std::string refusal =
          "BSC9: " + command + " refused: NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE";
      EXPECT_THAT(PaneLines(exchange.page, "*** "), Contains("*** " + refusal));
      EXPECT_THAT(exchange.messages.shown, ElementsAre(StartsWith("Proses finish\n" + refusal)));
      EXPECT_THAT(exchange.page.Outcomes.Find("BSC9")->problems, Contains(refusal));
    }
  }
}

}  // namespace
}  // namespace kestrel::proses::testing
