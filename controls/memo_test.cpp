#include "controls/memo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrel::controls {
namespace {

using ::testing::ElementsAre;
using Lines = std::vector<std::string>;

// Only CR LF splits lines; a final line break opens no further line; past the end is empty.
TEST(Memo, TextSplitsIntoLinesAtCrLfOnly) {
  const std::pair<const char*, Lines> rows[] = {
      {"", {}},       {"a\r\nb\r\n", {"a", "b"}}, {"a\r\nb", {"a", "b"}},
      {"\r\n", {""}}, {"a\r\n\r\n", {"a", ""}},   {"a\rb\nc\r\nd", {"a\rb\nc", "d"}},
  };
  for (const auto& [text, lines] : rows) {
    Memo memo;
    memo.SetText(text);
    EXPECT_EQ(memo.Lines(), lines) << text;
    EXPECT_EQ(memo.Line(lines.size()), "") << text;
  }
}

// Chunks are joined raw: every way of cutting a text into three pieces (a CR LF cut in two
// too) gives the same lines.
TEST(Memo, AppendedChunksAreRawConcatenation) {
  const std::string text =
      "RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nC09101A\r\n\r\nEND\r\n\r\n<";
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

// A line added starts a new line even after an open one; deleting lines and clearing keep the
// rest and notify.
TEST(Memo, AddingDeletingAndClearingLines) {
  Memo memo;
  int changes = 0;
  auto subscription = memo.changed.Subscribe([&] { ++changes; });
  memo.SetText("a\r\nb\r\nc");
  memo.DeleteLine(1);
  EXPECT_THAT(memo.Lines(), ElementsAre("a", "c"));
  memo.DeleteLine(5);
  memo.DeleteLine(1);
  memo.Append("x");
  memo.AddLine("Check: BSC9");
  memo.AddLine("");
  memo.AddLine("two\r\nlines");
  EXPECT_EQ(memo.Text(), "a\r\nx\r\nCheck: BSC9\r\n\r\ntwo\r\nlines\r\n");
  const int before = changes;
  memo.Clear();
  EXPECT_EQ(memo.Text(), "");
  EXPECT_EQ(changes, before + 1);
}

}  // namespace
}  // namespace kestrel::controls
