#include "cli/page_output.h"

#include <gtest/gtest.h>

namespace kestrel::cli {
namespace {

using Lines = std::vector<std::string>;

struct Finding {
  std::string element, line;
};

// A page with its report pane and its results, whose output is taken in `format`.
struct Page {
  explicit Page(Format format) : lines_of(format, {"element", "line"}) {}
  controls::Memo report;
  std::vector<Finding> results;
  const RecordLines lines_of;
  PageOutput output{report, lines_of, RecordsOf(results, [](const Finding& finding) {
                      return Record{{"element", finding.element}, {"line", finding.line}};
                    })};
  Lines lines;
};

TEST(PageOutput, TextTakesEndedLinesPrintableAndDropsThemFromThePane) {
  Page page(Format::kText);
  page.results.push_back({"BSC9", "C09101B: ACTIVE=NO"});  // with text, dropped unread
  page.report.AddLine("Check: BSC9");
  page.report.Append("C09101B: ACT");
  page.output.Take(page.lines, false);
  EXPECT_EQ(page.lines, Lines{"Check: BSC9\n"});
  page.report.Append("IVE=NO\x1b[2J\r\n");
  page.output.Take(page.lines, false);
  EXPECT_EQ(page.lines, (Lines{"Check: BSC9\n", "C09101B: ACTIVE=NO?[2J\n"}));
  // Everything taken and the pane at a line's end: it holds nothing any more, and the
  // page's next lines come out as before; at the end a line not yet ended goes out too.
  EXPECT_EQ(page.report.Text(), "");
  page.report.AddLine("Finish check");
  page.report.AddLine("");
  page.output.Take(page.lines, false);
  page.report.Append("half");
  page.output.Take(page.lines, true);
  EXPECT_EQ(page.lines,
            (Lines{"Check: BSC9\n", "C09101B: ACTIVE=NO?[2J\n", "Finish check\n", "\n", "half\n"}));
  EXPECT_TRUE(page.results.empty());
}

TEST(PageOutput, RecordsAreTakenFromThePageAndThePaneIsEmptied) {
  Page page(Format::kCsv);
  page.results.push_back({"BSC9", "BSC9: SETAR; 14:07:30"});
  page.report.AddLine("BSC9: SETAR; 14:07:30");
  page.output.Take(page.lines, false);
  EXPECT_EQ(page.lines, Lines{"BSC9,BSC9: SETAR; 14:07:30\r\n"});
  EXPECT_TRUE(page.results.empty());
  EXPECT_EQ(page.report.Text(), "");
}

// The pane is cleared from inside its own change notice: the notice of that clearing finds
// nothing more to take, and nothing is taken twice.
TEST(PageOutput, TakingFromTheNoticeOfThePaneTakesEachLineOnce) {
  Page page(Format::kText);
  auto subscription = page.report.changed.Subscribe([&] { page.output.Take(page.lines, false); });
  page.report.AddLine("one");
  page.report.Append("tw");
  page.report.Append("o\r\nthree\r\n");
  EXPECT_EQ(page.lines, (Lines{"one\n", "two\n", "three\n"}));
}

}  // namespace
}  // namespace kestrel::cli
