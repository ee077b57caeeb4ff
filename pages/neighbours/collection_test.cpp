// The collection of both sides' cell parameters, row by row: what each side sent, what each
// element's outcome says, the values of every record, the notes, and the script. Values the
// collection could not use never reach the script: a refused command, a printout without the
// heading, a value that does not have its parameter's shape; a note stands in the place of
// each line that would have carried one. A slot of an earlier run never stands in for a value
// this run did not find.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/neighbours_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::neighbours::testing {
namespace {

struct Row {
  std::string name;  // its section in neighbours-collections.txt
  std::map<std::string, CellParameters> cells;
  std::map<std::string, std::string> answers;
  const char* cell_list;
  const char* cellr_list;
  int cellr_bsc = 9;  // BSC10; the Cell side is on BSC9
};

TEST(Collection, EachCollectionSendsBothChainsAndScriptsWhatItCouldUse) {
  const std::string busy = "RLLHP:CELL=C10101A;\r\n\r\nFUNCTION BUSY\r\n\r\n<";
  const std::string unknown = "RLCPP:CELL=C09101A;\r\n\r\nCOMMAND UNKNOWN\r\n\r\n<";
  const std::string headless =
      "RLDEP:CELL=C09101A;\r\n\r\nCELL DESCRIPTION DATA\r\n\r\nCELL     TYPE  BSIC  BCCHNO\r\n"
      "C09101A  INT   47    62\r\n\r\nEND\r\n\r\n<";
  const Row rows[] = {
      {"two cells and one",
       {{"C09101A", {}},
        {"C09102B", {.cgi = "400-01-1234-10102", .bcchno = "64", .layerhyst = "5"}},
        {"C10101A", {.bsic = "3", .msrxsuff = "12"}}},
       {},
       "C09101A\r\nC09102B\r\n",
       "C10101A"},
      // C09199Z: every command NOT ACCEPTED; the same cell again (C09199Z as a partner): its
      // definition and its note are written once.
      {"refused commands",
       {{"C09101A", {}}, {"C10101A", {}}},
       {{"RLLHP:CELL=C10101A;", busy}, {"RLCPP:CELL=C09101A;", unknown}},
       "C09101A\r\nC09199Z",
       "C10101A\r\nC10101A"},
      {"no headings",
       {{"C09101A", {}}, {"C10101A", {}}},
       {{"RLDEP:CELL=C09101A;", headless}},
       "C09101A",
       "C10101A"},
      // A ";" or "," in a value would change the orders the engineer runs. A signed power
      // value fits; a signed layer does not.
      {"values out of shape",
       {{"C09101A",
         {.cgi = "400-01;RLSBE:CELL=A",
          .bcchno = "6;2",
          .mstxpwr = "3\x1b"
                     "3",
          .scho = "O,F"}},
        {"C10101A", {.bsrxmin = "-11", .layer = "-1"}}},
       {},
       "C09101A",
       "C10101A"},
      // The internal form: the second pair's partner is an empty line.
      {"internal form without a BCCH number",
       {{"C09101A", {}}, {"C09102A", {.bcchno = "6;2"}}},
       {},
       "C09101A\r\nC09101A",
       "C09102A",
       8},
      {"both sides on one BSC",
       {{"C09101A", {}}, {"C09102B", {}}},
       {},
       "C09101A\r\nC09102B",
       "C09101A\r\nC09199Z",
       8},
  };
  const auto expected = kestrel::testing::TestDataSections("pages/neighbours-collections.txt");
  for (const auto& row : rows) {
    for (const bool page_breaks : {false, true}) {
      for (const std::size_t chunk : {3, 4096}) {
        SCOPED_TRACE(row.name + (page_breaks ? ", page breaks" : "") + ", chunks of " +
                     std::to_string(chunk));
        NeighboursRig rig;
        rig.cells = row.cells;
        rig.answers = row.answers;
        rig.page_breaks = page_breaks;
        rig.page.Memocell.SetText(row.cell_list);
        rig.page.Memocellr.SetText(row.cellr_list);
        rig.page.CellbscComboBox.SetItemIndex(8);
        rig.page.CellrbscComboBox.SetItemIndex(row.cellr_bsc);
        for (Side* side : {&rig.page.Cell, &rig.page.Cellr}) {  // an earlier run's values
          side->Table.assign(3, {});
          for (auto& record : side->Table) record.fill("STALE");
        }
        rig.page.StartqonButtonClick();
        rig.LogInBoth();
        rig.Play(chunk);
        rig.page.ExqontimeTimer();
        std::string said;
        for (const auto& [prefix, telnet] :
             {std::pair{"> ", &rig.cell_telnet}, std::pair{">> ", &rig.cellr_telnet}}) {
          for (const auto& line : telnet->Sent()) {
            if (line.starts_with("RL")) said += prefix + line + "\r\n";
          }
        }
        for (const auto& outcome : rig.page.Outcomes.All()) {
          said += "= " + RecapLine(outcome) + "\r\n";
        }
        for (const auto& [prefix, side] :
             {std::pair{"cell ", &rig.page.Cell}, std::pair{"cellr ", &rig.page.Cellr}}) {
          for (std::size_t k = 0; k < side->Table.size(); ++k) {
            said += prefix + std::to_string(k) + ":";
            for (const auto& value : side->Table[k]) said += " " + value;
            said += "\r\n";
          }
        }
        for (const auto& [prefix, telnet] :
             {std::pair{"? ", &rig.cell_telnet}, std::pair{"?? ", &rig.cellr_telnet}}) {
          for (const auto& note : telnet->notes) said += prefix + note + "\r\n";
        }
        EXPECT_EQ(said + rig.read_form.Memo1.Text(), expected.at(row.name));
      }
    }
  }
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
