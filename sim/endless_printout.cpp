#include "sim/endless_printout.h"

#include "sim/printouts.h"

namespace kestrel::sim {

namespace {
constexpr int kLinesPerAlarm = 6;
}  // namespace

EndlessPrintout::EndlessPrintout(const Scenario& scenario, const Element& element, std::string time)
    : element_(element), time_(std::move(time)), page_length_(scenario.page_length) {}

std::string EndlessPrintout::NextPage() {
  std::string page = PageHeader(element_, time_) + "\r\n";
  for (int i = 1; i < page_length_; ++i) page += NextLine() + "\r\n";
  return page;
}

std::string EndlessPrintout::NextLine() {
  const int row = row_;
  row_ = (row_ + 1) % kLinesPerAlarm;
  const std::uint64_t alarm = alarm_;
  if (row_ == 0) ++alarm_;
  const bool cells = !element_.cells.empty();
  switch (row) {
    case 0:
      return AlarmHeader(element_, cells ? "A1/APT" : "A3/EXT", 1000 + alarm, time_);
    case 1:
      return cells ? "CELL LOGICAL CHANNEL AVAILABILITY SUPERVISION" : "EXTERNAL ALARM";
    case 3:
      return cells ? "CELL     SCTYPE  CHTYPE  CHRATE  SPV"
                   : "DOOR OPEN SITE " + std::to_string(alarm);
    case 4:
      if (!cells) return "";
      {
        std::string name = element_.cells[alarm % element_.cells.size()].name;
        if (name.size() < 17) name.resize(17, ' ');
        return name + "SDCCH";
      }
    default:
      return "";
  }
}

}  // namespace kestrel::sim
