#include "pages/shared/cell_list.h"

#include <gtest/gtest.h>

namespace kestrel::pages {
namespace {

std::string Check(const std::string& text) {
  controls::Memo cells;
  cells.SetText(text);
  return IllShapedCellLine(cells, "cell list");
}

std::string Said(int line, const std::string& shown) {
  return "Line " + std::to_string(line) + " of the cell list, \"" + shown +
         "\", is not a cell name (up to 8 letters, digits or \"_\"): nothing was sent. Correct "
         "the list and start again.";
}

// Names and empty lines pass; the first line that could carry more than a name is named, with
// what cannot be seen spelt out, and a whole list on one line is not quoted whole.
TEST(CellList, TheFirstLineThatIsNoCellNameIsNamed) {
  EXPECT_EQ(Check(""), "");
  EXPECT_EQ(Check("C09101A\r\n\r\nc09102a\r\nCELL_1\r\n"), "");
  EXPECT_EQ(Check("C09101A\r\nC09;EVIL\r\nX Y\r\n"), Said(2, "C09;EVIL"));
  EXPECT_EQ(Check("\xEF\xBB\xBF"
                  "C09101A\r\n"),
            Said(1, "\\xef\\xbb\\xbfC09101A"));
  EXPECT_EQ(Check("C09101A\rC09102A\rC09103A\rC09104A\rC09105A\rC09106A"),
            Said(1, "C09101A\\x0dC09102A\\x0dC09103A\\x0dC09104A\\x0dC09105A\\x0d..."));
  for (const auto& [bad, shown] :
       std::vector<std::pair<const char*, const char*>>{{"C09 ", "C09 "},
                                                        {"C09,CELLR=ALL", "C09,CELLR=ALL"},
                                                        {"C0910101A", "C0910101A"},
                                                        {"C09\x1b[2J", "C09\\x1b[2J"},
                                                        {"C09\tX", "C09\\x09X"},
                                                        {"C09\"", "C09\""},
                                                        {"RLDEP:CELL=C0", "RLDEP:CELL=C0"}}) {
    EXPECT_EQ(Check(std::string("C09101A\r\n") + bad), Said(2, shown));
  }
}

}  // namespace
}  // namespace kestrel::pages
