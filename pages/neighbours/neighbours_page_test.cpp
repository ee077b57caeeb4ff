#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/neighbours_test_fixture.h"

namespace kestrel::neighbours::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Chain(const std::string& cell) {
  return {"RLDEP:CELL=" + cell + ";", "RLCPP:CELL=" + cell + ";", "RLLOP:CELL=" + cell + ";",
          "RLLHP:CELL=" + cell + ";"};
}

class CollectTest : public NeighboursTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(CollectTest, CollectsBothSidesWhateverTheChunkSize) {
  const std::size_t chunk = GetParam();
  cells = {{"C09101A", {}},
           {"C09102B", {.cgi = "400-01-1234-10102", .bcchno = "64", .layerhyst = "5"}},
           {"C10101A", {.bsic = "3", .msrxsuff = "12"}}};
  page_breaks = chunk == 5;
  page.Memocell.SetText("C09101A\r\nC09102B\r\n");
  page.Memocellr.SetText("C10101A");
  page.StartqonButtonClick();
  EXPECT_EQ(page.StartqonButton.Caption(), "Stop");
  EXPECT_FALSE(page.Panel4.Enabled());
  LogInBoth();
  Play(chunk);
  auto cell_chain = Chain("C09101A");
  for (const auto& command : Chain("C09102B")) cell_chain.push_back(command);
  EXPECT_EQ(Commands(cell_telnet), cell_chain) << chunk;
  EXPECT_EQ(Commands(cellr_telnet), Chain("C10101A")) << chunk;
  EXPECT_EQ(page.Cell.Finished, "OK");
  EXPECT_EQ(page.Cellr.Finished, "OK");
  EXPECT_EQ(page.Cell.Table[1][kCgi], "400-01-1234-10102");
  EXPECT_EQ(page.Cell.Table[1][kBcchno], "64");
  EXPECT_EQ(page.Cell.Table[1][kCsystype], "GSM900");
  EXPECT_EQ(page.Cell.Table[1][kLayerhyst], "5");
  EXPECT_EQ(page.Cell.Table[0][kAw], "ON");
  EXPECT_EQ(page.Cellr.Table[0][kBsic], "3");
  EXPECT_EQ(page.Cellr.Table[0][kMsrxsuff], "12");
}

INSTANTIATE_TEST_SUITE_P(Chunks, CollectTest, ::testing::Values(1, 5, 4096));

TEST_F(NeighboursTest, FinishedSidesLetTheTimerWriteTheScriptOnce) {
  cells = {{"C09101A", {}}, {"C10101A", {}}};
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
}

// A table slot of an earlier run never stands in for a value that this run did not find.
TEST_F(NeighboursTest, UnknownCellGetsNoValuesAndTheChainGoesOn) {
  page.Memocell.SetText("C09199Z\r\n");
  page.Memocellr.SetText("C10101A");
  page.Cell.Table.resize(1);
  page.Cell.Table[0][kCgi] = "400-01-1234-10101";  // from an earlier run
  page.StartqonButtonClick();
  LogInBoth();
  Play();
  EXPECT_EQ(Commands(cell_telnet), Chain("C09199Z"));
  EXPECT_EQ(page.Cell.Table[0][kCgi], "");
  EXPECT_EQ(page.Cell.Unusable(0, kCgi),
            "ALTBSC1_X29,PROT=V24: RLDEP:CELL=C09199Z; refused: NOT ACCEPTED, FAULT CODE 17, CELL "
            "NOT DEFINED");
  EXPECT_EQ(page.Cell.Finished, "OK");
}

TEST_F(NeighboursTest, ShortLinesGiveEmptyValues) {
  cells = {{"C09101A", {}}};
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

TEST_F(NeighboursTest, StopAndStartAgainBeginsWithTheFirstLine) {
  cells = {{"C09101A", {}}, {"C09102A", {}}};
  page.Memocell.SetText("C09101A\r\nC09102A");
  page.Memocellr.SetText("C09101A");
  page.StartqonButtonClick();
  LogInBoth();
  cell_telnet.Receive("RLDEP:CELL=C09101A;\r\n" + CellPrintout("RLDEP", "C09101A", {}) + "<");
  page.StartqonButtonClick();  // Stop
  EXPECT_EQ(page.StartqonButton.Caption(), "Start");
  EXPECT_TRUE(page.Panel6.Enabled());
  EXPECT_EQ(page.Cell.DepDone, "");
  page.StartqonButtonClick();
  LogInBoth();
  EXPECT_EQ(cell_telnet.Sent().back(), "RLDEP:CELL=C09101A;");
  EXPECT_TRUE(page.Cell.Table.empty());  // the first run's values are gone
}

TEST_F(NeighboursTest, SecondConnectionFailingClosesTheFirst) {
  page.Memocell.SetText("C09101A");
  page.Memocellr.SetText("C10101A");
  page.StartqonButtonClick();
  cellr_telnet.ConnectFails();
  EXPECT_FALSE(cell_telnet.Connected());
  EXPECT_EQ(page.StartqonButton.Caption(), "Start");
  EXPECT_TRUE(page.Panel4.Enabled());
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
  for (int i = 0; i < 600; ++i) cells["C" + std::to_string(100000 + i)] = {};
  page.StartqonButtonClick();
  LogInBoth();
  Play();
  EXPECT_EQ(page.Cell.Finished, "OK");
  EXPECT_EQ(page.Cell.Table.size(), 600u);
  EXPECT_EQ(page.Cell.Table[599][kBcchno], "62");
}

}  // namespace
}  // namespace kestrel::neighbours::testing
