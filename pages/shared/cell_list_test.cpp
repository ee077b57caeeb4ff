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

// What cannot be seen is spelt out, and a whole list on one line is not quoted whole.
TEST(CellList, TheQuotedLineShowsWhatIsInvisibleAndIsCutShort) {
  EXPECT_EQ(Check("\xEF\xBB\xBF"
                  "C09101A\r\n"),
            "Line 1 of the cell list, \"\\xef\\xbb\\xbfC09101A\", is not a cell name (up to 8 "
            "letters, digits or \"_\"): nothing was sent. Correct the list and start again.");
  EXPECT_TRUE(Check("C09\x1b[2J").starts_with("Line 1 of the cell list, \"C09\\x1b[2J\""));
  EXPECT_TRUE(Check("C09\tX").starts_with("Line 1 of the cell list, \"C09\\x09X\""));
  const std::string list = "C09101A\rC09102A\rC09103A\rC09104A\rC09105A\rC09106A";
  EXPECT_TRUE(Check(list).starts_with(
      "Line 1 of the cell list, "
      "\"C09101A\\x0dC09102A\\x0dC09103A\\x0dC09104A\\x0dC09105A\\x0d...\""))
      << Check(list);
}

}  // namespace
}  // namespace kestrel::pages
