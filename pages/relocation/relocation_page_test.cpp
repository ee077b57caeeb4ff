#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/relocation/relocation_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::relocation::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// An expected script from tests/data/pages.
std::string Expected(const char* name) {
  return kestrel::testing::TestDataLines(std::string("pages/") + name);
}

// From the location area code; what is not digits and dashes gives no number.
TEST(BscNumbers, FromTheLocationAreaCode) {
  for (const auto& [cgi, number] :
       std::vector<std::pair<const char*, const char*>>{{"400-01-912-10101", "9"},
                                                        {"400-01-1234-1201", "12"},
                                                        {"", ""},
                                                        {"400-01-9;2-10111", ""},
                                                        {"400-01-A12-10111", ""},
                                                        {"400-01-9 12-1011", ""},
                                                        {"400-01-", ""}}) {
    EXPECT_EQ(BscNumberOfCgi(cgi), number) << cgi;
  }
}

TEST_F(RelocationTest, ReadsNeighboursThenEveryNameOnceAndWritesTheScript) {
  page.DqonListMemo.SetText("c09101a\r\nC09102A");  // lower case is checked in upper case
  page.DqondComboBox.SetItemIndex(11);              // "12"
  Check(TwoMovedCells(), 5);
  EXPECT_THAT(Commands(), ElementsAre("RLNRP:CELL=C09101A,CELLR=ALL,NODATA;",
                                      "RLNRP:CELL=C09102A,CELLR=ALL,NODATA;", "RLDEP:CELL=C09101A;",
                                      "RLDEP:CELL=C09101B;", "RLDEP:CELL=C12101A;",
                                      "RLDEP:CELL=C09102A;", "RLDEP:CELL=C09201A;"));
  EXPECT_EQ(read_form.Memo1.Text(), Expected("relocation_two_moved_cells.txt"));
  EXPECT_TRUE(read_form.Window.Visible());
  EXPECT_EQ(page.DqonCellDataDone, "OK");
  // The report: every column before the move, then after it.
  EXPECT_EQ(page.DqonrepMemo.Text(),
            "C09101A\tC09101B\tC12101A\tC09102A\tC09201A\t\r\n\n\r\n9\t9\t12\t9\t9\t\r\n\n\r\n62\t6"
            "3\t80\t64\t70\t\r\n\n\r\n"
            "C09102A\tC09201A\tC09101A\t\r\n\n\r\n9\t9\t9\t\r\n\n\r\n64\t70\t62\t\r\n\n\r\n"
            "C09101A\tC09101B\tC12101A\tC09102A\tC09201A\t\r\n\n\r\n12\t9\t12\t12\t9\t\r\n\n\r\n62"
            "\t63\t80\t64\t70\t\r\n\n\r\n"
            "C09102A\tC09201A\tC09101A\t\r\n\n\r\n12\t9\t12\t\r\n\n\r\n64\t70\t62\t\r\n\n\r\n");
  // The same as results: a row per name of each column, with the BSC before and after.
  std::vector<std::string> rows;
  for (const auto& row : page.TableRows) {
    rows.push_back(row.cell + " " + row.name + " " + row.bsc_before + ">" + row.bsc_after + " " +
                   row.bcch);
  }
  EXPECT_THAT(rows, ElementsAre("C09101A C09101A 9>12 62", "C09101A C09101B 9>9 63",
                                "C09101A C12101A 12>12 80", "C09101A C09102A 9>12 64",
                                "C09101A C09201A 9>9 70", "C09102A C09102A 9>12 64",
                                "C09102A C09201A 9>9 70", "C09102A C09101A 9>12 62"));
  std::string script;
  for (const std::string& line : page.ScriptLines) script += line + "\r\n";
  EXPECT_EQ(script, read_form.Memo1.Text());
}

TEST_F(RelocationTest, PageHeadersMoveTheRowsDown) {
  Network network = TwoMovedCells();
  network.page_breaks = true;
  page.DqonListMemo.SetText("C09102A");
  Check(network);
  EXPECT_THAT(read_form.Memo1.Text(), HasSubstr("@COMMENT C09201A BSC9\r\n"));
  EXPECT_THAT(read_form.Memo1.Text(), HasSubstr("@COMMENT C09101A BSC9\r\n"));
}

TEST_F(RelocationTest, LimitsAtStart) {
  std::string many;
  for (int i = 0; i < 201; ++i) many += "C" + std::to_string(100000 + i) + "\r\n";
  page.DqonListMemo.SetText(many);
  page.DqonstartButtonClick();
  page.DqonListMemo.Clear();
  page.DqonstartButtonClick();
  EXPECT_THAT(messages.shown,
              ElementsAre("CELL-lerin sayi 200-den artiq ola bilmez!!!", "CELL-elave et"));
  EXPECT_TRUE(telnet.events.empty());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");
}

TEST_F(RelocationTest, NeighboursBeyondTheColumnAreLeftOutAndSaidSo) {
  Network network;
  for (int n = 0; n < 70; ++n) {
    const std::string name = "C" + std::to_string(20000 + n) + "A";
    network.neighbours["C09101A"].push_back(name);
    network.data[name] = {"400-01-912-" + std::to_string(n), "1"};
  }
  network.data["C09101A"] = {"400-01-912-10101", "62"};
  page.DqonListMemo.SetText("C09101A");
  Check(network);
  EXPECT_EQ(page.DqonTable[64][0], "C20063A");
  EXPECT_EQ(page.DqonTable[65][0], "");
  EXPECT_THAT(
      page.DqonrepMemo.Text(),
      HasSubstr("C09101A: 6 neighbour(s) beyond the 64 that fit are left out of the script"));
  EXPECT_THAT(read_form.Memo1.Text(), Not(HasSubstr("C20064A")));
}

TEST_F(RelocationTest, EarlierCheckLeavesNothingBehind) {
  page.DqonListMemo.SetText("C09101A");
  Check(TwoMovedCells());
  page.DqonstartButtonClick();  // Stop
  page.DqonListMemo.SetText("C09101A");
  Network fewer = TwoMovedCells();
  fewer.neighbours["C09101A"] = {"C09101B"};
  telnet.Forget();
  Check(fewer);
  EXPECT_EQ(page.DqonTable[2][0], "");
  EXPECT_THAT(read_form.Memo1.Text(), Not(HasSubstr("C12101A")));
}

// Only a moved cell moves: a neighbour whose name is a moved cell's name cut short stays on
// its BSC and gets its comment line.
TEST_F(RelocationTest, ANeighbourMovesOnlyWhenItIsOneOfTheMovedCells) {
  Network network{{{"AB12", {"AB1", "AB3", "B12"}}, {"AB3", {}}},
                  {{"AB12", {"400-01-912-1", "10"}},
                   {"AB1", {"400-01-912-2", "11"}},
                   {"AB3", {"400-01-912-3", "12"}},
                   {"B12", {"400-01-912-4", "13"}}}};
  page.DqonListMemo.SetText("AB12\r\nab3");
  page.DqondComboBox.SetItemIndex(11);  // "12"
  Check(network);
  EXPECT_EQ(read_form.Memo1.Text(), Expected("relocation_cut_short_names.txt"));
}

TEST_F(RelocationTest, ACheckThatRanToItsEndIsRecordedAsDone) {
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A");
  Check(TwoMovedCells());
  ASSERT_EQ(page.Outcomes.All().size(), 1u);
  EXPECT_EQ(pages::RecapLine(page.Outcomes.All().front()), "BSC9: reached, done");
  page.DqonstartButtonClick();  // Stop after the end changes nothing
  EXPECT_EQ(pages::RecapLine(page.Outcomes.All().front()), "BSC9: reached, done");
}

}  // namespace
}  // namespace kestrel::relocation::testing
