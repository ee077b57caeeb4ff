#include "cli/visit_schedule.h"

#include <algorithm>
#include <limits>
#include <utility>

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

void VisitSchedule::Pace(std::int64_t min_cycle_ms, std::int64_t retry_ms) {
  min_cycle_ms_ = std::max<std::int64_t>(min_cycle_ms, 0);
  backoff_.SetFirst(std::max<std::int64_t>(retry_ms, 0));
}

std::optional<std::uint64_t> VisitSchedule::Next(std::int64_t now) {
  waits_until_.reset();
  // Every element waits out its back-off: the first one due is waited for.
  std::int64_t first_due = std::numeric_limits<std::int64_t>::max();
  for (const std::string& element : elements_)
    first_due = std::min(first_due, backoff_.Until(element));
  if (!Exhausted() && first_due > now) {
    waits_until_ = first_due;
    return std::nullopt;
  }
  while (!Exhausted()) {
    const bool pass_begins = next_ % elements_.size() == 0;
    if (pass_begins && next_ > 0 && now < pass_started_ + min_cycle_ms_) {
      waits_until_ = pass_started_ + min_cycle_ms_;
      return std::nullopt;
    }
    const std::string& element = Element(next_);
    if (backoff_.Until(element) > now) {
      if (pass_begins) pass_started_ = now;
      passed_over_.push_back(next_++);
      ++passed_over_count_;
      continue;
    }
    if (!running_.insert(element).second) return std::nullopt;
    if (pass_begins) pass_started_ = now;
    return next_++;
  }
  return std::nullopt;
}

void VisitSchedule::Done(std::uint64_t visit) { running_.erase(Element(visit)); }

void VisitSchedule::Settle(const std::string& element, bool checked, std::int64_t now) {
  if (checked) {
    backoff_.Checked(element);
  } else {
    backoff_.Failed(element, now);
  }
}

std::vector<std::uint64_t> VisitSchedule::TakePassedOver() {
  return std::exchange(passed_over_, {});
}

}  // namespace kestrel::cli
