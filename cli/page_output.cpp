#include "cli/page_output.h"

#include <iostream>

#include "mml/text.h"

namespace kestrel::cli {

PageOutput::PageOutput(controls::Memo& report, const RecordLines& format, TakeRecords take_records)
    : report_(report), format_(format), take_records_(std::move(take_records)) {}

void PageOutput::Take(std::vector<std::string>& lines, bool all) {
  if (taking_) return;
  taking_ = true;
  const bool text = format_.format() == Format::kText;
  if (take_records_) take_records_(format_, lines);
  const std::string& whole = report_.Text();
  const bool ended = whole.empty() || whole.ends_with("\r\n");
  const std::size_t complete = all ? report_.LineCount() : report_.EndedLineCount();
  // Whatever a printout held, nothing that could act on the engineer's terminal is printed.
  for (; taken_ < complete; ++taken_) {
    if (text) lines.push_back(mml::PrintableLine(report_.Line(taken_)) + "\n");
  }
  if (ended && !whole.empty()) {
    taken_ = 0;
    report_.Clear();  // at a line's end: the page's next line starts a new line either way
  }
  taking_ = false;
}

PagePrinter::PagePrinter(controls::Memo& report, const RecordLines& format,
                         PageOutput::TakeRecords take)
    : output_(report, format, std::move(take)),
      subscription_(report.changed.Subscribe([this] { Print(false); })) {
  std::cout << format.Header();
}

void PagePrinter::Print(bool all) {
  std::vector<std::string> lines;
  output_.Take(lines, all);
  for (const std::string& line : lines) std::cout << line;
  std::cout.flush();
}

}  // namespace kestrel::cli
