#include "cli/page_output.h"

#include <gtest/gtest.h>

namespace kestrel::cli {
namespace {

struct Finding {
  std::string element, line;
};

Record AsRecord(const Finding& finding) {
  return {{"element", finding.element}, {"line", finding.line}};
}

TEST(PageOutput, TextTakesEndedLinesPrintableAndDropsThemFromThePane) {
  controls::Memo report;
  std::vector<Finding> results;
  const RecordLines text(Format::kText, {});
  PageOutput output(report, text, RecordsOf(results, AsRecord));
  std::vector<std::string> lines;
  results.push_back({"BSC9", "C09101B: ACTIVE=NO"});  // with text, dropped unread
  report.AddLine("Check: BSC9");
  report.Append("C09101B: ACT");
  output.Take(lines, false);
  EXPECT_EQ(lines, std::vector<std::string>{"Check: BSC9\n"});
  report.Append("IVE=NO\x1b[2J\r\n");
  output.Take(lines, false);
  EXPECT_EQ(lines, (std::vector<std::string>{"Check: BSC9\n", "C09101B: ACTIVE=NO?[2J\n"}));
  // Everything taken and the pane at a line's end: it holds nothing any more, and the
  // page's next lines come out as before.
  EXPECT_EQ(report.Text(), "");
  report.AddLine("Finish check");
  report.AddLine("");
  output.Take(lines, false);
  EXPECT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "Finish check\n");
  EXPECT_EQ(lines[3], "\n");
  // At the end a line not yet ended goes out too.
  report.Append("half");
  output.Take(lines, true);
  EXPECT_EQ(lines.back(), "half\n");
  EXPECT_TRUE(results.empty());
}

TEST(PageOutput, RecordsAreTakenFromThePageAndThePaneIsEmptied) {
  controls::Memo report;
  std::vector<Finding> results;
  const RecordLines csv(Format::kCsv, {"element", "line"});
  PageOutput output(report, csv, RecordsOf(results, AsRecord));
  results.push_back({"BSC9", "BSC9: SETAR; 14:07:30"});
  report.AddLine("BSC9: SETAR; 14:07:30");
  std::vector<std::string> lines;
  output.Take(lines, false);
  EXPECT_EQ(lines, std::vector<std::string>{"BSC9,BSC9: SETAR; 14:07:30\r\n"});
  EXPECT_TRUE(results.empty());
  EXPECT_EQ(report.Text(), "");
}

// The pane is cleared from inside its own change notice: the notice of that clearing finds
// nothing more to take, and nothing is taken twice.
TEST(PageOutput, TakingFromTheNoticeOfThePaneTakesEachLineOnce) {
  controls::Memo report;
  std::vector<Finding> results;
  const RecordLines text(Format::kText, {});
  PageOutput output(report, text, RecordsOf(results, AsRecord));
  std::vector<std::string> lines;
  auto subscription = report.changed.Subscribe([&] { output.Take(lines, false); });
  report.AddLine("one");
  report.Append("tw");
  report.Append("o\r\nthree\r\n");
  EXPECT_EQ(lines, (std::vector<std::string>{"one\n", "two\n", "three\n"}));
}

}  // namespace
}  // namespace kestrel::cli
