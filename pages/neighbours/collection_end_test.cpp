// How a collection ends when a side's session does: lost at any step of the chain, refused at
// the login, or past the printout cap.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "pages/neighbours/merged_outcomes.h"
#include "pages/neighbours/neighbours_test_fixture.h"
#include "tests/cut_points.h"

namespace kestrel::neighbours::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Two pairs on BSC9 (Cell) and BSC10 (Cellr).
std::unique_ptr<NeighboursRig> TwoPairs() {
  auto rig = std::make_unique<NeighboursRig>();
  rig->cells = {{"C09101A", {}}, {"C09102B", {}}, {"C10101A", {}}, {"C10102A", {}}};
  rig->page.Memocell.SetText("C09101A\r\nC09102B");
  rig->page.Memocellr.SetText("C10101A\r\nC10102A");
  rig->page.CellbscComboBox.SetItemIndex(8);
  rig->page.CellrbscComboBox.SetItemIndex(9);
  return rig;
}

constexpr std::size_t kLoginSteps = 4;
constexpr std::size_t kSteps = kLoginSteps + 2 * 4;  // the login, then two cells of four commands

// Step `step` of a side's dialogue: a prompt of the login, then the answer to the command the
// side has sent.
void Step(NeighboursRig& rig, kestrel::testing::FakeTelnetClient& telnet, std::size_t step) {
  if (!telnet.Connected()) return;
  if (step < kLoginSteps) {
    telnet.Receive(NeighboursRig::Login()[step]);
  } else {
    rig.AnswerNext(telnet, 7);
  }
}

TEST(CollectionEnd, ASideLostAtAnyStepEndsTheCollectionAndSaysWhatWasNotCollected) {
  for (const bool cellr_fails : {false, true}) {
    for (const bool other_first : {false, true}) {
      SCOPED_TRACE(std::string(cellr_fails ? "Cellr" : "Cell") +
                   (other_first ? ", other side done" : ""));
      const auto failing = [=](NeighboursRig & rig) -> auto& {
        return cellr_fails ? rig.cellr_telnet : rig.cell_telnet;
      };
      const auto other = [=](NeighboursRig & rig) -> auto& {
        return cellr_fails ? rig.cell_telnet : rig.cellr_telnet;
      };
      const std::string side = cellr_fails ? "Cellr" : "Cell";
      const std::string other_side = cellr_fails ? "Cell: BSC9" : "Cellr: BSC10";
      kestrel::testing::ForEveryCut<NeighboursRig>({
          .steps = kSteps,
          .endings = {kestrel::testing::Ending::kPeer, kestrel::testing::Ending::kClient},
          .start =
              [&] {
                auto rig = TwoPairs();
                rig->page.StartqonButtonClick();
                if (other_first) {
                  for (std::size_t step = 0; step < kSteps; ++step) Step(*rig, other(*rig), step);
                }
                return rig;
              },
          .telnet = failing,
          .step =
              [&](NeighboursRig& rig, std::size_t step) {
                Step(rig, failing(rig), step);
                if (!other_first) Step(rig, other(rig), step);
              },
          .half =
              [&](NeighboursRig& rig, std::size_t step) {
                auto& telnet = failing(rig);
                return kestrel::testing::HalfOf(telnet, step < kLoginSteps
                                                            ? NeighboursRig::Login()[step]
                                                            : rig.Answer(telnet.Sent().back()));
              },
          .stop = nullptr,
          .silence = nullptr,
          .expect =
              [&](NeighboursRig& rig, const kestrel::testing::Cut& cut) {
                const std::string why =
                    cut.Lost() + (cut.step < kLoginSteps
                                      ? " during the login"
                                      : " while " + cut.in_flight + " was in flight");
                const bool first_cell_done = cut.step >= kLoginSteps + 4;
                const std::string cell_names = first_cell_done ? "C09102B" : "C09101A, C09102B";
                const std::string cellr_names = first_cell_done ? "C10102A" : "C10101A, C10102A";
                const std::string expected =
                    std::string(cellr_fails ? "Cellr: BSC10: " : "Cell: BSC9: ") + why +
                    "; cells not collected: " + (cellr_fails ? cellr_names : cell_names);
                // The box says how the other side ended too.
                const std::string other_end = other_first
                                                  ? other_side + ": all cells collected"
                                                  : other_side + ": stopped with the " + side +
                                                        " side; cells not collected: " +
                                                        (cellr_fails ? cell_names : cellr_names);
                EXPECT_THAT(rig.messages.shown,
                            ElementsAre(cellr_fails ? other_end + "\n" + expected
                                                    : expected + "\n" + other_end));
                EXPECT_EQ(rig.page.LastFailure, expected);
                EXPECT_THAT(failing(rig).notes, ElementsAre(expected));
                EXPECT_FALSE(rig.cell_telnet.Connected() || rig.cellr_telnet.Connected());
                EXPECT_EQ(rig.page.StartqonButton.Caption(), "Start");
                EXPECT_TRUE(rig.page.Panel4.Enabled() && rig.page.Panel6.Enabled());
                EXPECT_FALSE(rig.page.ProgressBar1.Visible() || rig.page.Label16.Visible());
                rig.page.ExqontimeTimer();
                EXPECT_EQ(rig.read_form.Memo1.Text(), "");
                EXPECT_FALSE(rig.read_form.Window.Visible());

                const auto* lost = rig.page.Outcomes.Find(cellr_fails ? "BSC10" : "BSC9");
                const auto* stopped = rig.page.Outcomes.Find(cellr_fails ? "BSC9" : "BSC10");
                ASSERT_NE(lost, nullptr);
                ASSERT_NE(stopped, nullptr);
                EXPECT_EQ(lost->ended_early, why);
                EXPECT_EQ(lost->reached, cut.step >= kLoginSteps ? 1 : 0);
                EXPECT_EQ(lost->finished, 0);
                if (other_first) {
                  EXPECT_TRUE(stopped->Clean()) << RecapLine(*stopped);
                } else {
                  EXPECT_EQ(stopped->ended_early, "stopped with the " + side + " side: " + why);
                }
              },
      });
    }
  }
}

TEST(CollectionEnd, ASideThatFinishedLosesNothingAndTheNextRunStartsClean) {
  const auto rig = TwoPairs();
  rig->page.StartqonButtonClick();
  rig->LogInBoth();
  while (rig->page.Cell.Finished != "OK") rig->AnswerNext(rig->cell_telnet);
  rig->cell_telnet.PeerCloses();  // its cells are all collected
  EXPECT_TRUE(rig->messages.shown.empty());
  EXPECT_EQ(rig->page.StartqonButton.Caption(), "Stop");
  rig->Play();
  rig->page.ExqontimeTimer();
  EXPECT_THAT(rig->read_form.Memo1.Text(), HasSubstr("MGOCI:CELL=C09102B,CGI=400-01-1234-10101"));
  for (const auto& outcome : rig->page.Outcomes.All()) EXPECT_TRUE(outcome.Clean());

  // After a failed run, the next one collects again from the start.
  const auto again = TwoPairs();
  again->page.StartqonButtonClick();
  again->cellr_telnet.PeerCloses();
  ASSERT_EQ(again->messages.shown.size(), 1u);
  again->page.StartqonButtonClick();
  EXPECT_EQ(again->page.LastFailure, "");
  again->LogInBoth();
  again->Play();
  again->page.ExqontimeTimer();
  EXPECT_TRUE(again->read_form.Window.Visible());
  EXPECT_EQ(again->page.Outcomes.Find("BSC9")->visits, 2);
  EXPECT_EQ(again->page.Outcomes.Find("BSC9")->finished, 1);
}

TEST(CollectionEnd, RefusedLoginOrElementEndsTheCollectionInTheGatewaysWords) {
  for (const bool cellr_fails : {false, true}) {
    for (const bool element : {false, true}) {
      const auto rig = TwoPairs();
      auto& failing = cellr_fails ? rig->cellr_telnet : rig->cell_telnet;
      (cellr_fails ? rig->page.CellrbscComboBox : rig->page.CellbscComboBox).SetText("BSC99");
      rig->page.StartqonButtonClick();
      failing.Receive("User: ");
      failing.Receive("Password: ");
      if (element) {
        failing.Receive("NE: ");
        failing.Receive("NE BSC99 NOT DEFI");
        EXPECT_TRUE(rig->messages.shown.empty());  // only a whole line counts
        failing.Receive("NED IN GATEWAY\r\n");
      } else {
        failing.Receive("\r\nLOGIN INCORRECT\r\nUser: ");
      }
      const std::string words = element ? "NE BSC99 NOT DEFINED IN GATEWAY" : "LOGIN INCORRECT";
      // Both sides' outcomes, in the order of the page.
      const std::string refused =
          std::string(cellr_fails ? "Cellr" : "Cell") + ": BSC99: refused: " + words +
          "; cells not collected: " + (cellr_fails ? "C10101A, C10102A" : "C09101A, C09102B");
      const std::string stopped =
          cellr_fails
              ? "Cell: BSC9: stopped with the Cellr side; cells not collected: C09101A, C09102B"
              : "Cellr: BSC10: stopped with the Cell side; cells not collected: C10101A, C10102A";
      EXPECT_THAT(rig->messages.shown,
                  ElementsAre(cellr_fails ? stopped + "\n" + refused : refused + "\n" + stopped));
      EXPECT_FALSE(rig->cell_telnet.Connected());
      EXPECT_FALSE(rig->cellr_telnet.Connected());
      EXPECT_EQ(rig->page.StartqonButton.Caption(), "Start");
      EXPECT_EQ(rig->page.Outcomes.Find("BSC99")->ended_early, "refused: " + words);
      EXPECT_EQ(rig->page.Outcomes.Find("BSC99")->reached, 0);
    }
  }
}

TEST(CollectionEnd, AnAnswerPastThePrintoutCapEndsTheCollection) {
  for (const bool cellr_fails : {false, true}) {
    const auto rig = TwoPairs();
    auto& failing = cellr_fails ? rig->cellr_telnet : rig->cell_telnet;
    rig->page.SetMaxPrintout(600);
    rig->page.StartqonButtonClick();
    rig->LogInBoth();
    rig->AnswerNext(failing);  // RLDEP of the first cell fits
    failing.Receive(std::string(700, 'x'));
    const std::string cell = cellr_fails ? "C10101A" : "C09101A";
    EXPECT_THAT(rig->messages.shown,
                ElementsAre(HasSubstr(std::string(cellr_fails ? "Cellr: BSC10" : "Cell: BSC9") +
                                      ": the answer to RLCPP:CELL=" + cell +
                                      "; passed the printout cap of 600 bytes; the session is "
                                      "ended; cells not collected: " +
                                      (cellr_fails ? "C10101A, C10102A" : "C09101A, C09102B"))));
    EXPECT_FALSE(rig->cell_telnet.Connected());
    EXPECT_FALSE(rig->cellr_telnet.Connected());
    EXPECT_EQ(rig->page.StartqonButton.Caption(), "Start");
  }
}

TEST(CollectionEnd, NoNameForTheElementEndsTheCollection) {
  const auto rig = TwoPairs();
  rig->page.CellbscComboBox.SetText("");
  rig->page.StartqonButtonClick();
  rig->cell_telnet.Receive("User: Password: NE: ");
  EXPECT_THAT(rig->messages.shown,
              ElementsAre(HasSubstr("Cell: no BSC: nothing to answer \"NE:\" with; cells not "
                                    "collected: C09101A, C09102B\n")));
  EXPECT_FALSE(rig->cellr_telnet.Connected());
}

TEST(CollectionEnd, StopRecordsTheSidesThatDidNotFinish) {
  const auto rig = TwoPairs();
  rig->page.Memocellr.SetText("C10101A");
  rig->page.StartqonButtonClick();
  rig->LogInBoth();
  while (rig->page.Cellr.Finished != "OK") rig->AnswerNext(rig->cellr_telnet);
  rig->page.StartqonButtonClick();  // Stop
  EXPECT_TRUE(rig->messages.shown.empty());
  EXPECT_EQ(RecapLine(*rig->page.Outcomes.Find("BSC9")), "BSC9: reached; ended early: stopped");
  EXPECT_EQ(RecapLine(*rig->page.Outcomes.Find("BSC10")), "BSC10: reached, done");
}

TEST(CollectionEnd, TheSecondConnectionFailingIsRecordedForBothSides) {
  const auto rig = TwoPairs();
  rig->page.StartqonButtonClick();
  rig->cellr_telnet.ConnectFails();
  const std::string why =
      "could not connect: Cannot connect to 127.0.0.1:52200: Connection refused";
  EXPECT_EQ(rig->page.Outcomes.Find("BSC10")->ended_early, why);
  EXPECT_EQ(rig->page.Outcomes.Find("BSC9")->ended_early, "stopped with the Cellr side: " + why);
  // The box says how each side ended.
  ASSERT_EQ(rig->messages.shown.size(), 1u);
  EXPECT_EQ(rig->messages.shown[0],
            "Cell: BSC9: stopped with the Cellr side; cells not collected: C09101A, C09102B\n"
            "Cellr: BSC10: " +
                why + "; cells not collected: C10101A, C10102A");
}

TEST(CollectionEnd, BothSidesOnOneBscShareItsEntry) {
  const auto rig = TwoPairs();
  rig->page.CellrbscComboBox.SetItemIndex(8);
  rig->page.Memocellr.SetText("C09101A\r\nC09199Z");  // C09199Z is refused
  rig->cells["C09101A"] = {};
  rig->page.StartqonButtonClick();
  rig->LogInBoth();
  rig->Play();
  ASSERT_EQ(rig->page.Outcomes.All().size(), 1u);
  const auto& bsc9 = rig->page.Outcomes.All().front();
  EXPECT_EQ(bsc9.visits, 2);
  EXPECT_EQ(bsc9.reached, 2);
  EXPECT_EQ(bsc9.finished, 2);
  EXPECT_EQ(bsc9.problems.size(), 4u);  // the four commands of C09199Z
}

// A list line that could carry more than a cell name (a ";", a second command), or a list that
// names no cell (which would send RLDEP:CELL=;), stops the collection before either session
// is opened; the message names the list (and the line).
TEST(CollectionEnd, AListThatIsNoCellListStopsItBeforeAnythingIsSent) {
  const std::string ill =
      " list, \"C09;EVIL\", is not a cell name (up to 8 letters, digits or "
      "\"_\"): nothing was sent. Correct the list and start again.";
  const std::string none =
      " list names no cell: nothing was sent. Give one cell name a line and start again.";
  const struct {
    const char* text;
    std::string why;  // after "Line 3 of the Cell" or "The Cell"
  } rows[] = {
      {"C09101A\r\n\r\nC09;EVIL", ill},
      {"", none},
      {"\r\n\r\n", none},
  };
  for (const auto& row : rows) {
    for (const bool cellr : {false, true}) {
      const auto rig = TwoPairs();
      (cellr ? rig->page.Memocellr : rig->page.Memocell).SetText(row.text);
      rig->page.StartqonButtonClick();
      const std::string side = cellr ? "Cellr" : "Cell";
      const std::string why = (row.why == ill ? "Line 3 of the " : "The ") + side + row.why;
      EXPECT_THAT(rig->messages.shown, ElementsAre(why));
      EXPECT_EQ(rig->page.LastFailure, why);
      EXPECT_TRUE(rig->cell_telnet.events.empty());
      EXPECT_TRUE(rig->cellr_telnet.events.empty());
      EXPECT_EQ(rig->page.StartqonButton.Caption(), "Start");
    }
  }
}

TEST(MergedOutcomes, KeepWhatEachPartCounted) {
  pages::Outcomes cell, cellr, merged;
  cell.Begin("BSC9");
  cell.Reached();
  for (int n = 0; n < 13; ++n) cell.Problem("cell " + std::to_string(n));
  cellr.Begin("BSC9");
  cellr.EndedEarly("connection lost");
  cellr.Problem("cellr");
  cellr.Begin("BSC10");
  cellr.Finished();
  MergeOutcomes({&cell, &cellr}, merged);
  ASSERT_EQ(merged.All().size(), 2u);
  const auto& bsc9 = merged.All()[0];
  EXPECT_EQ(bsc9.visits, 2);
  EXPECT_EQ(bsc9.reached, 1);
  EXPECT_EQ(bsc9.ended_early, "connection lost");
  EXPECT_EQ(bsc9.problems.size(), pages::Outcomes::kProblemsKept);
  EXPECT_EQ(bsc9.problems.front(), "cell 0");
  EXPECT_EQ(bsc9.more_problems, 4u);  // three of the Cell side's, the Cellr side's one
  EXPECT_EQ(merged.All()[1].element, "BSC10");
  EXPECT_EQ(merged.All()[1].finished, 1);
  MergeOutcomes({&cell, &cellr}, merged);  // rebuilt, not added to
  EXPECT_EQ(merged.All()[0].visits, 2);
}

}  // namespace
}  // namespace kestrel::neighbours::testing
