#include "pages/dailycheck/known_alarms.h"

#include <cstring>

namespace kestrel::dailycheck {

std::uint32_t KnownAlarms::Key(std::string_view gram) {
  std::uint32_t key = 0;
  std::memcpy(&key, gram.data(), kGram);
  return key;
}

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
  for (const auto& entry : entries_) text_.append(entry).append("\r\n");
  for (std::size_t i = 0; i + kGram <= text_.size(); ++i) {
    positions_[Key(std::string_view(text_).substr(i, kGram))].push_back(
        static_cast<std::uint32_t>(i));
  }
}

bool KnownAlarms::Contains(std::string_view alarm) const {
  if (alarm.empty()) return false;
  if (alarm.size() < kGram) return text_.find(alarm) != std::string::npos;
  // The rarest run of the query, and where in the query it stands.
  const std::vector<std::uint32_t>* rarest = nullptr;
  std::size_t offset = 0;
  for (std::size_t i = 0; i + kGram <= alarm.size(); ++i) {
    const auto found = positions_.find(Key(alarm.substr(i, kGram)));
    if (found == positions_.end()) return false;  // a run the list never has
    if (rarest == nullptr || found->second.size() < rarest->size()) {
      rarest = &found->second;
      offset = i;
    }
  }
  for (const std::uint32_t at : *rarest) {
    if (at < offset) continue;
    const std::size_t start = at - offset;
    if (std::string_view(text_).substr(start, alarm.size()) == alarm) return true;
  }
  return false;
}

}  // namespace kestrel::dailycheck
