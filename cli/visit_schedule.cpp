#include "cli/visit_schedule.h"

#include <limits>

namespace kestrel::cli {

VisitSchedule::VisitSchedule(std::vector<std::string> elements, std::uint64_t passes)
    : elements_(std::move(elements)), total_(0) {
  const std::uint64_t size = elements_.size();
  if (size == 0) {
    closed_ = true;
  } else if (passes > 0 && passes <= std::numeric_limits<std::uint64_t>::max() / size) {
    total_ = passes * size;  // more could never run: a count beyond is a run without end
  }
}

const std::string& VisitSchedule::Element(std::uint64_t visit) const {
  return elements_[static_cast<std::size_t>(visit % elements_.size())];
}

std::optional<std::uint64_t> VisitSchedule::Next() {
  if (Exhausted()) return std::nullopt;
  const std::string& element = Element(next_);
  if (!running_.insert(element).second) return std::nullopt;
  return next_++;
}

void VisitSchedule::Done(std::uint64_t visit) { running_.erase(Element(visit)); }

}  // namespace kestrel::cli
