#pragma once

#include <cstdint>
#include <string>

#include "sim/scenario.h"

namespace kestrel::sim {

// An alarm list that never ends: alarm after alarm of the element's cells (external alarms on
// an element without cells), a page header at the top of every page, never "END" and never
// the prompt. It is made a page at a time, so nothing of it piles up in the simulator.
class EndlessPrintout {
 public:
  // `time` is the "yymmdd hhmmss" text of the page headers and alarm lines.
  EndlessPrintout(const Scenario& scenario, const Element& element, std::string time);

  // The next page: its header line and page_length - 1 lines, each ending in CR LF.
  std::string NextPage();

 private:
  std::string NextLine();

  const Element& element_;
  std::string time_;
  int page_length_;
  std::uint64_t alarm_ = 0;  // alarms printed so far
  int row_ = 0;              // line within the current alarm
};

}  // namespace kestrel::sim
