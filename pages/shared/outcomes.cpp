#include "pages/shared/outcomes.h"

#include <algorithm>

#include "mml/text.h"

namespace kestrel::pages {

bool ElementOutcome::Clean() const {
  return visits > 0 && reached == visits && finished == visits && ended_early.empty() &&
         problems.empty() && maybe_blocked.empty() && unsaved.empty();
}

using mml::Joined;

void ElementOutcome::CountEarlyEnd(const std::string& why, int count) {
  const auto found = std::find_if(early_ends.begin(), early_ends.end(),
                                  [&](const EarlyEnd& end) { return end.why == why; });
  if (found != early_ends.end()) {
    found->count += count;
  } else if (early_ends.size() < Outcomes::kProblemsKept) {
    early_ends.push_back({why, count});
  } else {
    more_early_ends += count;
  }
}

namespace {
// A page's own message may begin with the element already.
std::string_view WithoutElement(std::string_view why, const std::string& element) {
  if (why.starts_with(element + ": ")) why.remove_prefix(element.size() + 2);
  return why;
}
}  // namespace

std::string RecapLine(const ElementOutcome& outcome) {
  std::string line = outcome.element + ": ";
  if (outcome.visits == 0) return line + "not reached (never started)";
  if (outcome.visits == 1) {
    line += outcome.reached > 0 ? "reached" : "not reached";
  } else {
    line += "reached in " + std::to_string(outcome.reached) + " of " +
            std::to_string(outcome.visits) + " visits";
  }
  if (outcome.Clean()) return line + ", done";
  int ends = outcome.more_early_ends;
  for (const auto& end : outcome.early_ends) ends += end.count;
  if (ends > 1) {
    // Every reason, the most recent last: "ended early 4 times: ... (3); stopped (1)".
    line += "; ended early " + std::to_string(ends) + " times: ";
    std::vector<std::string> reasons;
    for (const auto& end : outcome.early_ends) {
      reasons.push_back(std::string(WithoutElement(end.why, outcome.element)) + " (" +
                        std::to_string(end.count) + ")");
    }
    if (outcome.more_early_ends > 0) {
      reasons.push_back("other (" + std::to_string(outcome.more_early_ends) + ")");
    }
    line += Joined(reasons, "; ");
  } else if (!outcome.ended_early.empty()) {
    line += "; ended early: ";
    line += WithoutElement(outcome.ended_early, outcome.element);
  }
  if (!outcome.problems.empty()) {
    line += "; " + Joined(outcome.problems, "; ");
    if (outcome.more_problems > 0) {
      line += "; and " + std::to_string(outcome.more_problems) + " more";
    }
  }
  if (!outcome.maybe_blocked.empty()) {
    line += "; may still be blocked: " + Joined(outcome.maybe_blocked, " ");
  }
  if (!outcome.unsaved.empty()) line += "; report file not saved: " + Joined(outcome.unsaved, ", ");
  return line;
}

void Outcomes::Begin(std::string_view element) {
  const auto found = std::find_if(all_.begin(), all_.end(),
                                  [&](const ElementOutcome& o) { return o.element == element; });
  if (found == all_.end()) {
    all_.push_back({});
    all_.back().element = element;
    current_ = all_.size() - 1;
  } else {
    current_ = static_cast<std::size_t>(found - all_.begin());
  }
  ++all_[current_].visits;
  counted_.clear();
}

ElementOutcome* Outcomes::current() { return current_ < all_.size() ? &all_[current_] : nullptr; }

const ElementOutcome* Outcomes::Current() const {
  return current_ < all_.size() ? &all_[current_] : nullptr;
}

const ElementOutcome* Outcomes::Find(std::string_view element) const {
  const auto found = std::find_if(all_.begin(), all_.end(),
                                  [&](const ElementOutcome& o) { return o.element == element; });
  return found == all_.end() ? nullptr : &*found;
}

void Outcomes::Reached() {
  if (auto* outcome = current()) ++outcome->reached;
}

void Outcomes::Finished() {
  if (auto* outcome = current()) ++outcome->finished;
}

void Outcomes::EndedEarly(std::string why) {
  auto* outcome = current();
  if (outcome == nullptr) return;
  if (!counted_.empty()) outcome->CountEarlyEnd(counted_, -1);
  std::erase_if(outcome->early_ends,
                [](const ElementOutcome::EarlyEnd& end) { return end.count <= 0; });
  outcome->CountEarlyEnd(why);
  counted_ = why;
  outcome->ended_early = std::move(why);
}

void Outcomes::Problem(std::string text) {
  auto* outcome = current();
  if (outcome == nullptr) return;
  if (std::find(outcome->problems.begin(), outcome->problems.end(), text) !=
      outcome->problems.end()) {
    return;
  }
  if (outcome->problems.size() < kProblemsKept) {
    outcome->problems.push_back(std::move(text));
  } else {
    ++outcome->more_problems;
  }
}

void Outcomes::Blocked(std::string_view object) {
  auto* outcome = current();
  if (outcome == nullptr) return;
  if (std::find(outcome->maybe_blocked.begin(), outcome->maybe_blocked.end(), object) ==
      outcome->maybe_blocked.end()) {
    outcome->maybe_blocked.emplace_back(object);
  }
}

void Outcomes::Deblocked(std::string_view object) {
  if (auto* outcome = current()) std::erase(outcome->maybe_blocked, object);
}

void Outcomes::Unsaved(std::string path) {
  auto* outcome = current();
  if (outcome == nullptr) return;
  if (std::find(outcome->unsaved.begin(), outcome->unsaved.end(), path) == outcome->unsaved.end() &&
      outcome->unsaved.size() < kProblemsKept) {
    outcome->unsaved.push_back(std::move(path));
  }
}

void Outcomes::Clear() {
  all_.clear();
  current_ = static_cast<std::size_t>(-1);
  counted_.clear();
}

}  // namespace kestrel::pages
