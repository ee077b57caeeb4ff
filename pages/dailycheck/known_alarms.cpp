#include "pages/dailycheck/known_alarms.h"

namespace kestrel::dailycheck {

KnownAlarms::KnownAlarms(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!line.starts_with('#') && !line.empty()) entries_.emplace_back(line);
    start = end + 1;
  }
  std::string joined;
  for (const auto& entry : entries_) joined.append(entry).append("\r\n");
  index_.Append(joined);
}

}  // namespace kestrel::dailycheck
