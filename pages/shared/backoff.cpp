#include "pages/shared/backoff.h"

#include <algorithm>

namespace kestrel::pages {

void Backoffs::Failed(const std::string& element, std::int64_t now) {
  if (first_ms_ <= 0) return;
  Entry& entry = entries_[element];
  entry.failures = std::min(entry.failures + 1, 30);
  entry.until = now + std::min(first_ms_ << std::min(entry.failures - 1, 20), kLongestMs);
}

void Backoffs::Checked(std::string_view element) {
  if (const auto found = entries_.find(element); found != entries_.end()) entries_.erase(found);
}

std::int64_t Backoffs::Until(std::string_view element) const {
  const auto found = entries_.find(element);
  return found == entries_.end() ? 0 : found->second.until;
}

}  // namespace kestrel::pages
