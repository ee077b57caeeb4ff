#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/merged_outcomes.h"
#include "pages/neighbours/neighbours_test_fixture.h"

namespace kestrel::neighbours::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST_F(NeighboursTest, FinishedSidesLetTheTimerWriteTheScriptOnce) {
  cells = {"C09101A", "C10101A"};
  page.Memocell.SetText("C09101A");
  page.Memocellr.SetText("C10101A");
  page.StartqonButtonClick();
  LogInBoth();
  page.ExqontimeTimer();
  EXPECT_EQ(page.Label16.Caption(), "|");
  EXPECT_EQ(read_form.Memo1.Text(), "");
  Play();
  page.ExqontimeTimer();
  EXPECT_THAT(read_form.Memo1.Text(), HasSubstr("RLNRI:CELL=C09101A,CELLR=C10101A;"));
  EXPECT_TRUE(read_form.Window.Visible());
  EXPECT_FALSE(page.Exqontime.Enabled());
  EXPECT_EQ(page.StartqonButton.Caption(), "Stop");  // both sessions stay at their prompts
  EXPECT_EQ(page.Cell.Finished, "");
  // Both kept sessions end: nothing runs any more, and nothing is said.
  cell_telnet.ClientEnds("idle");
  EXPECT_EQ(page.StartqonButton.Caption(), "Stop");
  cellr_telnet.PeerCloses();
  EXPECT_EQ(page.StartqonButton.Caption(), "Start");
  EXPECT_EQ(page.LastFailure, "");
}

TEST_F(NeighboursTest, ShortLinesGiveEmptyValues) {
  cells = {"C09101A"};
  page.Memocell.SetText("C09101A");
  page.Memocellr.SetText("C09101A");
  page.StartqonButtonClick();
  LogInBoth();
  cell_telnet.Receive(
      "RLDEP:CELL=C09101A;\r\nCELL     TYPE  CGI                   BSIC  BCCHNO\r\nC09101A  INT   "
      "400-01-1\r\n<");
  EXPECT_EQ(page.Cell.Table[0][kCgi], "400-01-1");
  EXPECT_EQ(page.Cell.Table[0][kBsic], "");
  EXPECT_EQ(cell_telnet.Sent().back(), "RLCPP:CELL=C09101A;");
}

TEST_F(NeighboursTest, ActivityIndicatorCyclesThroughTwelveBars) {
  for (int i = 0; i < 12; ++i) page.ExqontimeTimer();
  EXPECT_EQ(page.Label16.Caption(), "||||||||||||");
  page.ExqontimeTimer();
  EXPECT_EQ(page.Label16.Caption(), "|");
}

TEST_F(NeighboursTest, LineCountersFollowTheLists) {
  page.Memocell.SetText("A\r\nB\r\nC\r\n");
  page.Memocellr.SetText("A");
  EXPECT_EQ(page.Label8.Caption() + page.Label9.Caption(), "31");
  page.Memocell.Clear();
  EXPECT_EQ(page.Label8.Caption(), "0");
}

TEST_F(NeighboursTest, ListsLongerThanFiveHundredLinesHaveRoom) {
  std::string list;
  for (int i = 0; i < 600; ++i) list += "C" + std::to_string(100000 + i) + "\r\n";
  page.Memocell.SetText(list);
  page.Memocellr.SetText(list);
  for (int i = 0; i < 600; ++i) cells.insert("C" + std::to_string(100000 + i));
  page.StartqonButtonClick();
  LogInBoth();
  Play();
  EXPECT_EQ(page.Cell.Finished, "OK");
  EXPECT_EQ(page.Cell.Table.size(), 600u);
  EXPECT_EQ(page.Cell.Table[599][kBcchno], "62");
}

// A side whose cells are all collected loses nothing when its session ends; Stop records as
// stopped only the side that had not finished.
TEST_F(NeighboursTest, ASideThatFinishedLosesNothingWhenItsSessionEnds) {
  TwoPairs();
  page.StartqonButtonClick();
  LogInBoth();
  while (page.Cell.Finished != "OK") AnswerNext(cell_telnet);
  cell_telnet.PeerCloses();
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(page.StartqonButton.Caption(), "Stop");
  Play();
  page.ExqontimeTimer();
  EXPECT_THAT(read_form.Memo1.Text(), HasSubstr("MGOCI:CELL=C09102B,CGI=400-01-1234-10101"));
  for (const auto& outcome : page.Outcomes.All()) EXPECT_TRUE(outcome.Clean());

  page.StartqonButtonClick();  // Stop, then again: Cellr finishes, Cell does not
  page.Memocellr.SetText("C10101A");
  page.StartqonButtonClick();
  LogInBoth();
  while (page.Cellr.Finished != "OK") AnswerNext(cellr_telnet);
  page.StartqonButtonClick();
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(page.Outcomes.Find("BSC9")->ended_early, "stopped");
  EXPECT_TRUE(page.Outcomes.Find("BSC10")->Clean());
}

// A list line that could carry more than a cell name (a ";", a second command), a list that
// names no cell (which would send RLDEP:CELL=;), or no BSC to answer "NE:" with stops the
// collection; the message names the list (and the line), as the rows of "neighbours cell
// lists" in readings.txt give it.
TEST_F(NeighboursTest, AListThatIsNoCellListOrNoBscStopsIt) {
  for (const auto& row : pages::testing::Rows("readings.txt", "neighbours cell lists")) {
    const std::string &list = row.at(0), &why = row.at(1);
    NeighboursRig rig;
    rig.TwoPairs();
    rig.page.Memocell.SetText(list);
    rig.page.StartqonButtonClick();
    EXPECT_THAT(rig.messages.shown, ElementsAre(why));
    EXPECT_EQ(rig.page.LastFailure, why);
    EXPECT_TRUE(rig.cell_telnet.events.empty() && rig.cellr_telnet.events.empty());
    EXPECT_EQ(rig.page.StartqonButton.Caption(), "Start");
  }
  TwoPairs();
  page.CellbscComboBox.SetText("");
  page.StartqonButtonClick();
  cell_telnet.Receive("User: Password: NE: ");
  EXPECT_THAT(messages.shown,
              ElementsAre(HasSubstr("Cell: no BSC: nothing to answer \"NE:\" with; cells not "
                                    "collected: C09101A, C09102B\n")));
  EXPECT_FALSE(cellr_telnet.Connected());
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
