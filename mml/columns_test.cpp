#include "mml/columns.h"

#include <gtest/gtest.h>

namespace kestrel::mml {
namespace {

controls::Memo Printout(std::string_view text) {
  controls::Memo memo;
  memo.SetText(text);
  return memo;
}

TEST(Columns, PageHeaderIsWoAndSixBlanks) {
  EXPECT_TRUE(IsPageHeader("WO      BSC9  AD-739  TIME 261206 093001"));
  EXPECT_TRUE(IsPageHeader("WO      "));
  EXPECT_FALSE(IsPageHeader("WO     BSC9"));  // five blanks
  EXPECT_FALSE(IsPageHeader(" WO      BSC9"));
  EXPECT_FALSE(IsPageHeader("WORK"));
}

TEST(Columns, ValueIsTakenBelowTheHeadingOrBelowAPageHeader) {
  const auto memo = Printout(
      "CELL       SCTYPE\r\n"
      "C09101A    UL\r\n"
      "CELL       SCTYPE\r\n"
      "WO      BSC9  AD-739  TIME 261206 093001\r\n"
      "C09102B\r\n");
  EXPECT_EQ(ValueBelow(memo, 0, 0, 7), "C09101A");
  EXPECT_EQ(ValueBelow(memo, 0, 11, 6), "UL");
  EXPECT_EQ(RowBelow(memo, 2), 4u);
  EXPECT_EQ(ValueBelow(memo, 2, 0, 7), "C09102B");
  EXPECT_EQ(ValueBelow(memo, 2, 11, 6), "");  // short line
  EXPECT_EQ(ValueBelow(memo, 4, 0, 7), "");   // past the end
}

TEST(Columns, NthRowMovesOnePastAPageHeaderAmongTheFirstN) {
  const auto memo = Printout("HEAD\r\nrow1\r\nWO      X\r\nrow2\r\nrow3\r\n");
  EXPECT_EQ(RowBelow(memo, 0, 1), 1u);
  EXPECT_EQ(RowBelow(memo, 0, 2), 3u);
  EXPECT_EQ(RowBelow(memo, 0, 3), 4u);
}

TEST(Columns, CutAndTrim) {
  EXPECT_EQ(Cut("ACTIVE", 2, 10), "TIVE");
  EXPECT_EQ(Cut("ACTIVE", 6, 3), "");
  EXPECT_EQ(Cut("ACTIVE", 60, 3), "");
  EXPECT_EQ(Trim("  NO \t\r"), "NO");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("A B"), "A B");
  EXPECT_EQ(WithoutControlCharacters("RXOTS\r\n-12\x1b-0\x04"), "RXOTS-12-0");
}

}  // namespace
}  // namespace kestrel::mml
