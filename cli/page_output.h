#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/result_format.h"
#include "controls/memo.h"

namespace kestrel::cli {

// What one page has written, taken as output lines: the lines of its report pane (text), or
// its result records in the chosen format. Whatever is taken is dropped from the page (the
// page never reads its report pane back, and only appends its records), so that a run
// without end keeps nothing of what it printed.
class PageOutput {
 public:
  // Moves the page's records written since the last call into `lines`, formatted.
  using TakeRecords = std::function<void(const RecordLines& format, std::vector<std::string>&)>;

  PageOutput(controls::Memo& report, const RecordLines& format, TakeRecords take_records);

  // What is new since the last call; `all`: a report line not yet ended too.
  void Take(std::vector<std::string>& lines, bool all);

 private:
  controls::Memo& report_;
  const RecordLines& format_;
  TakeRecords take_records_;
  std::size_t taken_ = 0;  // report lines taken so far
  bool taking_ = false;    // the report's change notice of our own clearing
};

// One page's output written to standard output as the page writes it; the CSV header first.
class PagePrinter {
 public:
  PagePrinter(controls::Memo& report, const RecordLines& format, PageOutput::TakeRecords take);
  void Print(bool all);

 private:
  PageOutput output_;
  controls::Notifier::Subscription subscription_;
};

// Takes the records of `results` (a page's public list) through `as_record`; with text, only
// drops them.
template <typename Item, typename AsRecord>
PageOutput::TakeRecords RecordsOf(std::vector<Item>& results, AsRecord as_record) {
  return [&results, as_record](const RecordLines& format, std::vector<std::string>& lines) {
    if (format.format() != Format::kText) {
      for (const Item& item : results) lines.push_back(format.Line(as_record(item)));
    }
    results.clear();
  };
}

}  // namespace kestrel::cli
