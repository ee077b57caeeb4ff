#include "mml/columns.h"

#include <gtest/gtest.h>

namespace kestrel::mml {
namespace {

TEST(Columns, PageHeaderIsWoAndSixBlanks) {
  for (const char* line : {"WO      BSC9  AD-739  TIME 261206 093001", "WO      "}) {
    EXPECT_TRUE(IsPageHeader(line)) << line;
  }
  for (const char* line : {"WO     BSC9", " WO      BSC9", "WORK"}) {
    EXPECT_FALSE(IsPageHeader(line)) << line;
  }
}

// A value is taken below its heading, past a page header; the nth row below moves one past a
// page header among the first n; a short line or the end gives nothing.
TEST(Columns, ValueIsTakenBelowTheHeadingOrBelowAPageHeader) {
  controls::Memo memo;
  memo.SetText(
      "CELL       SCTYPE\r\nC09101A    UL\r\nCELL       SCTYPE\r\n"
      "WO      BSC9  AD-739  TIME 261206 093001\r\nC09102B\r\nrow2\r\n");
  EXPECT_EQ(ValueBelow(memo, 0, 0, 7), "C09101A");
  EXPECT_EQ(ValueBelow(memo, 0, 11, 6), "UL");
  EXPECT_EQ(ValueBelow(memo, 2, 0, 7), "C09102B");
  EXPECT_EQ(ValueBelow(memo, 2, 11, 6), "");
  EXPECT_EQ(ValueBelow(memo, 5, 0, 7), "");
  EXPECT_EQ(RowBelow(memo, 2), 4u);
  EXPECT_EQ(RowBelow(memo, 1, 1), 2u);
  EXPECT_EQ(RowBelow(memo, 1, 2), 4u);
  EXPECT_EQ(RowBelow(memo, 1, 3), 5u);
}

TEST(Columns, CutAndTrim) {
  EXPECT_EQ(Cut("ACTIVE", 2, 10), "TIVE");
  EXPECT_EQ(Cut("ACTIVE", 6, 3), "");
  EXPECT_EQ(Cut("ACTIVE", 60, 3), "");
  EXPECT_EQ(Trim("  NO \t\r"), "NO");
  EXPECT_EQ(Trim("A B"), "A B");
  EXPECT_EQ(WithoutControlCharacters("RXOTS\r\n-12\x1b-0\x04"), "RXOTS-12-0");
}

}  // namespace
}  // namespace kestrel::mml
