#include "pages/shared/cell_list.h"

#include <gtest/gtest.h>

namespace kestrel::pages {
namespace {

std::string Check(const std::string& text) {
  controls::Memo cells;
  cells.SetText(text);
  return IllShapedCellLine(cells, "cell list");
}

TEST(CellList, NamesAndEmptyLinesPass) {
  EXPECT_EQ(Check(""), "");
  EXPECT_EQ(Check("C09101A\r\n\r\nc09102a\r\nCELL_1\r\n"), "");
}

TEST(CellList, TheFirstLineThatCouldCarryMoreThanANameIsNamed) {
  EXPECT_EQ(Check("C09101A\r\nC09;EVIL\r\nX Y\r\n"),
            "Line 2 of the cell list, \"C09;EVIL\", is not a cell name (up to 8 letters, "
            "digits or \"_\"): nothing was sent. Correct the list and start again.");
  for (const char* bad :
       {"C09 ", "C09,CELLR=ALL", "C0910101A", "C09\x1b", "C09\t", "C09\"", "RLDEP:CELL=C0"}) {
    SCOPED_TRACE(bad);
    const std::string said = Check(std::string("C09101A\r\n") + bad);
    EXPECT_TRUE(said.starts_with("Line 2 of the cell list")) << said;
    EXPECT_EQ(said.find('\x1b'), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace kestrel::pages
