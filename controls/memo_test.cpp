#include "controls/memo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrel::controls {
namespace {

using ::testing::ElementsAre;

TEST(Memo, EmptyTextHasNoLinesAndReadsEmptyPastTheEnd) {
  Memo memo;
  EXPECT_EQ(memo.LineCount(), 0u);
  EXPECT_EQ(memo.Line(0), "");
  EXPECT_EQ(memo.Line(99), "");
}

TEST(Memo, FinalLineBreakOpensNoFurtherLine) {
  Memo memo;
  memo.SetText("a\r\nb\r\n");
  EXPECT_THAT(memo.Lines(), ElementsAre("a", "b"));
  memo.SetText("a\r\nb");
  EXPECT_THAT(memo.Lines(), ElementsAre("a", "b"));
  memo.SetText("\r\n");
  EXPECT_THAT(memo.Lines(), ElementsAre(""));
  memo.SetText("a\r\n\r\n");
  EXPECT_THAT(memo.Lines(), ElementsAre("a", ""));
}

TEST(Memo, OnlyCrLfSplitsLines) {
  Memo memo;
  memo.SetText("a\rb\nc\r\nd");
  EXPECT_THAT(memo.Lines(), ElementsAre("a\rb\nc", "d"));
}

TEST(Memo, AppendedChunksAreRawConcatenation) {
  const std::string text =
      "RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nC09101A\r\n\r\nEND\r\n\r\n<";
  // Every way of cutting the text into two or three pieces gives the same lines.
  Memo whole;
  whole.SetText(text);
  for (std::size_t i = 0; i <= text.size(); ++i) {
    for (std::size_t j = i; j <= text.size(); j += 7) {
      Memo memo;
      memo.Append(text.substr(0, i));
      memo.Append(text.substr(i, j - i));
      memo.Append(text.substr(j));
      ASSERT_EQ(memo.Lines(), whole.Lines()) << "cut at " << i << " and " << j;
      ASSERT_EQ(memo.Text(), text);
    }
  }
}

TEST(Memo, CrAtChunkEndPairsWithLfAtNextStart) {
  Memo memo;
  memo.Append("abc\r");
  EXPECT_THAT(memo.Lines(), ElementsAre("abc\r"));
  memo.Append("\ndef");
  EXPECT_THAT(memo.Lines(), ElementsAre("abc", "def"));
  memo.Append("\r\n");
  memo.Append("ghi");
  EXPECT_THAT(memo.Lines(), ElementsAre("abc", "def", "ghi"));
}

TEST(Memo, AddLineStartsANewLineEvenAfterAnOpenOne) {
  Memo memo;
  memo.Append("partial");
  memo.AddLine("Check: BSC9");
  memo.AddLine("");
  memo.AddLine("two\r\nlines");
  EXPECT_THAT(memo.Lines(), ElementsAre("partial", "Check: BSC9", "", "two", "lines"));
  EXPECT_EQ(memo.Text(), "partial\r\nCheck: BSC9\r\n\r\ntwo\r\nlines\r\n");
}

TEST(Memo, DeleteLineKeepsTheOthers) {
  Memo memo;
  memo.SetText("a\r\nb\r\nc");
  memo.DeleteLine(1);
  EXPECT_THAT(memo.Lines(), ElementsAre("a", "c"));
  memo.DeleteLine(1);
  EXPECT_THAT(memo.Lines(), ElementsAre("a"));
  memo.DeleteLine(5);
  memo.DeleteLine(0);
  EXPECT_EQ(memo.LineCount(), 0u);
  memo.Append("x");
  EXPECT_THAT(memo.Lines(), ElementsAre("x"));
}

TEST(Memo, ClearEmptiesAndNotifies) {
  Memo memo;
  int changes = 0;
  auto subscription = memo.changed.Subscribe([&] { ++changes; });
  memo.Append("a\r\nb");
  memo.Clear();
  EXPECT_EQ(memo.LineCount(), 0u);
  EXPECT_EQ(memo.Text(), "");
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace kestrel::controls
