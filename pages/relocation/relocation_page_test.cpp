#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/relocation/relocation_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::relocation::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> ReportLines(const RelocationPage& page, std::string_view containing) {
  std::vector<std::string> lines;
  for (const auto& line : page.DqonrepMemo.Lines()) {
    if (line.find(containing) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

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
  page.DqonoComboBox.SetText("BSC9");
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
  page.DqonstartButtonClick();  // Stop after the end changes nothing
  EXPECT_EQ(pages::RecapLine(page.Outcomes.All().front()), "BSC9: reached, done");
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

TEST_F(RelocationTest, NeighbourNamesThatAreNotCellNamesAreNeitherSentNorScripted) {
  Network network = TwoMovedCells();
  network.neighbours["C09102A"] = {"C1;X", "C09201A", std::string("C0910\x1b") + "9", "RLDEL"};
  network.data["RLDEL"] = {"400-01-912-99", "99"};
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09102A");
  Check(network);
  EXPECT_THAT(Commands(), ElementsAre("RLNRP:CELL=C09102A,CELLR=ALL,NODATA;", "RLDEP:CELL=C09102A;",
                                      "RLDEP:CELL=C09201A;", "RLDEP:CELL=RLDEL;"));
  const std::string step = "BSC9: RLNRP:CELL=C09102A,CELLR=ALL,NODATA; names a neighbour ";
  EXPECT_THAT(
      ReportLines(page, "not a cell name"),
      ElementsAre(step + "\"C1;X\" that is not a cell name; it is not read and not in "
                         "the script",
                  step + "\"C0910?9\" that is not a cell name; it is not read and not in the "
                         "script"));
  EXPECT_THAT(read_form.Memo1.Text(), Not(HasSubstr("C1;X")));
  EXPECT_THAT(read_form.Memo1.Text(), HasSubstr("@COMMENT C09201A BSC9\r\n"));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->problems.size(), 2u);
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

TEST_F(RelocationTest, NumbersThatAreNotDigitsCountAsNotFound) {
  Network network = TwoMovedCells();
  network.data["C09101B"] = {"400-01-9;2-10111", "63"};
  network.data["C09201A"] = {"400-01-921-10201", "7;0"};
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A");
  page.DqondComboBox.SetItemIndex(8);  // "9": C09201A stays on the same BSC
  Check(network);
  const std::string script = read_form.Memo1.Text();
  EXPECT_THAT(script, Not(HasSubstr(";2")));
  EXPECT_THAT(script, Not(HasSubstr("7;0")));
  EXPECT_THAT(script, HasSubstr("@COMMENT C09101B BSC\r\n"));  // no BSC number
  // No BCCH number: a comment stands where the order would go out with an empty value.
  EXPECT_THAT(script, HasSubstr("\r\n! RLMFC:CELL=C09101A,MBCCHNO=,MRNIC; not written: the "
                                "BCCHNO of C09201A is not known !\r\n"));
  EXPECT_THAT(script, HasSubstr("\r\nRLMFC:CELL=C09201A,MBCCHNO=62,MRNIC;\r\n"));
  EXPECT_THAT(ReportLines(page, "not used"),
              ElementsAre("BSC9: RLDEP:CELL=C09101B; CGI \"400-01-9;2-10111\" gives no BSC "
                          "number; not used",
                          "BSC9: RLDEP:CELL=C09201A; BCCHNO \"7;0\" is not a number; not used"));
  EXPECT_THAT(page.DqonrepMemo.Text(), Not(HasSubstr("7;0\t")));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->problems.size(), 2u);
}

TEST_F(RelocationTest, RefusedCommandsAreReportedAndTheCheckGoesOn) {
  Network network = TwoMovedCells();
  network.answers["RLNRP:CELL=C09102A,CELLR=ALL,NODATA;"] =
      "RLNRP:CELL=C09102A,CELLR=ALL,NODATA;\r\n\r\nFUNCTION BUSY\r\n\r\n<";
  network.data.erase("C09201A");  // its RLDEP is NOT ACCEPTED
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A\r\nC09102A");
  Check(network);
  EXPECT_THAT(ReportLines(page, "refused"),
              ElementsAre("BSC9: RLNRP:CELL=C09102A,CELLR=ALL,NODATA; refused: FUNCTION BUSY",
                          "BSC9: RLDEP:CELL=C09201A; refused: NOT ACCEPTED, FAULT CODE 17"));
  EXPECT_THAT(page.Outcomes.Find("BSC9")->problems,
              ElementsAre("BSC9: RLNRP:CELL=C09102A,CELLR=ALL,NODATA; refused: FUNCTION BUSY",
                          "BSC9: RLDEP:CELL=C09201A; refused: NOT ACCEPTED, FAULT CODE 17"));
  EXPECT_THAT(telnet.notes, ElementsAre(page.Outcomes.Find("BSC9")->problems[0],
                                        page.Outcomes.Find("BSC9")->problems[1]));
  EXPECT_TRUE(read_form.Window.Visible());
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

// The list is the check's work list: locked while the check runs, and whatever changes it
// meanwhile, a line that is no cell name goes into no command.
TEST_F(RelocationTest, TheListIsLockedWhileTheCheckRunsAndNeverSendsWhatIsNoCellName) {
  const Network network = TwoMovedCells();
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A\r\nC09102A");
  EXPECT_TRUE(page.DqonListPanel.Enabled());
  page.DqonstartButtonClick();
  EXPECT_FALSE(page.DqonListPanel.Enabled());
  for (const auto& prompt : Login()) telnet.Receive(prompt);
  page.DqonListMemo.SetText("C09101A\r\nC09;EVIL\r\n");
  AnswerNext(network);
  for (const std::string& line : telnet.Sent()) EXPECT_THAT(line, Not(HasSubstr("EVIL")));
  const std::string said =
      "BSC9: the list line \"C09;EVIL\" is not a cell name; the check is stopped";
  EXPECT_THAT(messages.shown, ElementsAre(said));
  EXPECT_EQ(page.DqonrepMemo.Lines().back(), said);
  EXPECT_FALSE(telnet.Connected());
  EXPECT_TRUE(page.DqonListPanel.Enabled());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");

  // Unlocked again when the check runs to its own end (and however else it ends: see the
  // page endings table).
  page.DqonListMemo.SetText("C09101A\r\nC09102A");
  telnet.Forget();
  Check(network);
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
  EXPECT_TRUE(page.DqonListPanel.Enabled());
}

// The engineer's list: names are taken without the blanks and empty lines around them; a
// line that could carry more than a name stops the check before anything is sent.
TEST_F(RelocationTest, TheCellListIsCheckedBeforeAnythingIsSent) {
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("  c09101a \r\n\r\nC09;EVIL\r\n");
  page.DqonstartButtonClick();
  EXPECT_THAT(messages.shown,
              ElementsAre("Line 2 of the cell list, \"C09;EVIL\", is not a cell name (up to 8 "
                          "letters, digits or \"_\"): nothing was sent. Correct the list and "
                          "start again."));
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");
  EXPECT_EQ(page.Outcomes.Find("BSC9"), nullptr);

  page.DqonListMemo.SetText("  c09101a \r\n\r\n\tC09102A\r\n");
  Check(TwoMovedCells());
  EXPECT_EQ(Commands().front(), "RLNRP:CELL=C09101A,CELLR=ALL,NODATA;");
  EXPECT_THAT(Commands(), Contains("RLNRP:CELL=C09102A,CELLR=ALL,NODATA;"));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

}  // namespace
}  // namespace kestrel::relocation::testing
