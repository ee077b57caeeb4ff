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

TEST(Collection, EachCollectionSendsBothChainsAndScriptsWhatItCouldUse) {
  const auto expected = kestrel::testing::TestDataSections("pages/neighbours-collections.txt");
  for (const auto& row : pages::testing::DataCases("neighbours-printouts.txt")) {
    if (!row.parts.contains("cell list")) continue;  // the printouts of any cell
    // A row with page breaks collects what the row without them does.
    const std::string name = row.name.substr(0, row.name.find(", page breaks"));
    for (const std::size_t chunk : {3, 4096}) {
      SCOPED_TRACE(row.name + ", chunks of " + std::to_string(chunk));
      NeighboursRig rig;
      rig.answers = pages::testing::Printouts(row);
      rig.page.Memocell.SetText(row.Lines("cell list").at(0));
      rig.page.Memocellr.SetText(row.Lines("cellr list").at(0));
      rig.page.CellbscComboBox.SetItemIndex(8);
      rig.page.CellrbscComboBox.SetItemIndex(std::stoi(row.Lines("cellr bsc").at(0)));
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
      EXPECT_EQ(said + rig.read_form.Memo1.Text(), expected.at(name));
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
