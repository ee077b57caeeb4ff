// Values the collection could not use never reach the script: a refused command, a printout
// without the heading, a value that does not have its parameter's shape. A note stands in the
// place of each line that would have carried one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/neighbours_test_fixture.h"

namespace kestrel::neighbours::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class MissingValuesTest : public NeighboursTest {
 protected:
  std::string Collect() {
    page.StartqonButtonClick();
    LogInBoth();
    Play(3);
    page.ExqontimeTimer();
    return read_form.Memo1.Text();
  }
};

// The script's lines of a cell, one per line, for comparing.
std::vector<std::string> LinesOf(const std::string& script, const std::string& cell) {
  std::vector<std::string> lines;
  for (std::size_t from = 0, to; (to = script.find("\r\n", from)) != std::string::npos;
       from = to + 2) {
    const std::string line = script.substr(from, to - from);
    if (line.find(cell) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

// The lines of a file under tests/data/pages.
std::vector<std::string> DataLines(const char* name) { return LinesOf(ExpectedScript(name), ""); }

TEST_F(MissingValuesTest, RefusedCommandsLeaveANoteWhereTheirValuesWouldStand) {
  cells = {{"C09101A", {}}, {"C10101A", {}}};
  answers["RLLHP:CELL=C10101A;"] = "RLLHP:CELL=C10101A;\r\n\r\nFUNCTION BUSY\r\n\r\n<";
  answers["RLCPP:CELL=C09101A;"] = "RLCPP:CELL=C09101A;\r\n\r\nCOMMAND UNKNOWN\r\n\r\n<";
  page.Memocell.SetText("C09101A\r\nC09199Z");  // C09199Z: every command NOT ACCEPTED
  page.Memocellr.SetText("C10101A\r\nC10101A");
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  const std::string refused =
      "BSC9: RLDEP:CELL=C09199Z; refused: NOT ACCEPTED, FAULT CODE 17, CELL NOT DEFINED";
  // The same cell again (C09199Z as a partner): its definition and its note are written once.
  EXPECT_EQ(Collect(), ExpectedScript("neighbours_refused_commands.txt"));

  const auto* bsc9 = page.Outcomes.Find("BSC9");
  ASSERT_NE(bsc9, nullptr);
  EXPECT_EQ(bsc9->finished, 1);
  EXPECT_THAT(bsc9->problems,
              ElementsAre("BSC9: RLCPP:CELL=C09101A; refused: COMMAND UNKNOWN", refused,
                          "BSC9: RLCPP:CELL=C09199Z; refused: NOT ACCEPTED, FAULT CODE 17, CELL "
                          "NOT DEFINED",
                          "BSC9: RLLOP:CELL=C09199Z; refused: NOT ACCEPTED, FAULT CODE 17, CELL "
                          "NOT DEFINED",
                          "BSC9: RLLHP:CELL=C09199Z; refused: NOT ACCEPTED, FAULT CODE 17, CELL "
                          "NOT DEFINED"));
  EXPECT_THAT(page.Outcomes.Find("BSC10")->problems,
              ElementsAre("BSC10: RLLHP:CELL=C10101A; refused: FUNCTION BUSY"));
  EXPECT_THAT(cellr_telnet.notes, ElementsAre("BSC10: RLLHP:CELL=C10101A; refused: FUNCTION BUSY",
                                              "BSC10: RLLHP:CELL=C10101A; refused: FUNCTION BUSY"));
}

// Slots emptied at Start: a printout without a heading leaves its slot empty in this run,
// whatever an earlier run found for the cell.
TEST_F(MissingValuesTest, ASecondRunWhosePrintoutLacksHeadingsKeepsNothingOfTheFirst) {
  cells = {{"C09101A", {.cgi = "400-01-909-1011", .csystype = "GSM1800"}}, {"C10101A", {}}};
  page.Memocell.SetText("C09101A");
  page.Memocellr.SetText("C10101A");
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  ASSERT_THAT(Collect(), HasSubstr("MGOCI:CELL=C09101A,CGI=400-01-909-1011,MSC=MSC9;"));
  page.StartqonButtonClick();  // Stop

  answers["RLDEP:CELL=C09101A;"] =
      "RLDEP:CELL=C09101A;\r\n\r\nCELL DESCRIPTION DATA\r\n\r\nCELL     TYPE  BSIC  BCCHNO\r\n"
      "C09101A  INT   47    62\r\n\r\nEND\r\n\r\n<";
  const std::string script = Collect();
  EXPECT_THAT(script, Not(HasSubstr("400-01-909-1011")));
  EXPECT_THAT(script, Not(HasSubstr("GSM1800")));
  EXPECT_EQ(LinesOf(script, "CELL=C09101A"), DataLines("neighbours_no_headings_c09101a.txt"));
  EXPECT_THAT(
      page.Outcomes.Find("BSC9")->problems,
      ElementsAre("BSC9: RLDEP:CELL=C09101A; CGI, CSYSTYPE of C09101A: no value in the RLDEP "
                  "printout"));
}

// A ";" or "," in a value would change the orders the engineer runs: such a value goes into
// no line, and only its printable text into the note.
TEST_F(MissingValuesTest, ValuesOutOfShapeNeverReachALine) {
  cells = {{"C09101A",
            {.cgi = "400-01;RLSBE:CELL=A",
             .bcchno = "6;2",
             .mstxpwr = "3\x1b"
                        "3",
             .scho = "O,F"}},
           {"C10101A", {.bsrxmin = "-11", .layer = "-1"}}};
  page.Memocell.SetText("C09101A");
  page.Memocellr.SetText("C10101A");
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  const std::string script = Collect();
  for (const auto* telnet : {&cell_telnet, &cellr_telnet}) {
    for (const auto& line : telnet->Sent()) {
      EXPECT_THAT(line, Not(HasSubstr("RLSBE")));
      EXPECT_THAT(line, Not(HasSubstr("6;2")));
    }
  }
  EXPECT_EQ(LinesOf(script, "CELL=C09101A"), DataLines("neighbours_out_of_shape_c09101a.txt"));
  // The partner's RLMFC line would carry the BCCH number: a note in its place too.
  EXPECT_THAT(script, HasSubstr("! RLMFC:CELL=C10101A not written: BCCHNO of C09101A: \"6;2\" "
                                "does not fit !\r\n"));
  // A signed power value fits; a signed layer does not.
  EXPECT_THAT(script, HasSubstr("BSRXMIN=-11,"));
  EXPECT_THAT(script, HasSubstr("! RLLHC:CELL=C10101A not written: LAYER of C10101A: \"-1\" does "
                                "not fit !"));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->problems.size(), 3u);  // RLDEP, RLCPP, RLLOP
}

TEST_F(MissingValuesTest, InternalFormPutsANoteInPlaceOfAnRlmfcWithoutItsNumber) {
  cells = {{"C09101A", {}}, {"C09102A", {.bcchno = "6;2"}}};
  page.Memocell.SetText("C09101A\r\nC09101A");
  page.Memocellr.SetText("C09102A");  // the second pair's partner is an empty line
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(8);
  const std::string script = Collect();
  EXPECT_THAT(LinesOf(script, "RLMFC"),
              ElementsAre("! RLMFC:CELL=C09101A not written: BCCHNO of C09102A: \"6;2\" does not "
                          "fit !",
                          "RLMFC:CELL=C09102A,MBCCHNO=62,MRNIC;",
                          "! RLMFC:CELL=C09101A not written: BCCHNO of the empty line 2 of the "
                          "Cellr list: no value in the RLDEP printout !",
                          "RLMFC:CELL=,MBCCHNO=62,MRNIC;"));
  EXPECT_THAT(script, HasSubstr("RLNRI:CELL=C09101A,CELLR=C09102A;\r\n"));
}

TEST(CellSlots, Shapes) {
  EXPECT_TRUE(FitsSlot(kCgi, "400-01-909-1011"));
  EXPECT_TRUE(FitsSlot(kCgi, "400-01-65535-65535"));
  for (const char* cgi : {"400-01-909", "400-01-909-1011-1", "400-01--1011", "400-01-909-1011 ",
                          "400-01-909-101x", "-400-01-909-1011", "400-01-909-123456", ""})
    EXPECT_FALSE(FitsSlot(kCgi, cgi)) << cgi;
  EXPECT_TRUE(FitsSlot(kBcchno, "1023"));
  EXPECT_TRUE(FitsSlot(kBsrxmin, "-110"));
  for (const char* number : {"", "-", "6;2", "1,2", "62 ", " 62", "+5", "1234567"})
    EXPECT_FALSE(FitsSlot(kBcchno, number)) << number;
  EXPECT_TRUE(FitsSlot(kCsystype, "GSM1800"));
  EXPECT_TRUE(FitsSlot(kAw, "ON"));
  for (const char* word : {"", "GSM 900", "GSM;900", "MIXEDMODE"})
    EXPECT_FALSE(FitsSlot(kCsystype, word)) << word;
  EXPECT_TRUE(FitsSlot(kLayerhyst, "3"));
  EXPECT_FALSE(FitsSlot(kLayer, "-1"));
}

}  // namespace
}  // namespace kestrel::neighbours::testing
