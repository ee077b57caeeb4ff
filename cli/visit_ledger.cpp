#include "cli/visit_ledger.h"

#include <algorithm>

namespace kestrel::cli {

const pages::ElementOutcome* VisitLedger::Find(const std::string& element) const {
  const auto found = std::find_if(all_.begin(), all_.end(), [&](const pages::ElementOutcome& o) {
    return o.element == element;
  });
  return found == all_.end() ? nullptr : &*found;
}

// The seed counts as a visit of the page's ledger; Take leaves it out again.
void VisitLedger::Seed(pages::Outcomes& page, const std::string& element) const {
  page.Clear();
  const pages::ElementOutcome* before = Find(element);
  if (before == nullptr) return;
  page.Begin(element);
  for (const std::string& object : before->maybe_blocked) page.Blocked(object);
  for (const std::string& problem : before->problems) page.Problem(problem);
  for (const std::string& path : before->unsaved) page.Unsaved(path);
}

void VisitLedger::Take(const pages::Outcomes& page, const std::string& element) {
  const pages::ElementOutcome* visit = page.Find(element);
  if (visit == nullptr) return;  // the visit never began
  // The ledger's own entry, to be changed.
  auto* found = const_cast<pages::ElementOutcome*>(Find(element));
  if (found == nullptr) {
    all_.push_back(*visit);
    return;
  }
  pages::ElementOutcome& run = *found;
  run.visits += visit->visits - 1;
  run.reached += visit->reached;
  run.finished += visit->finished;
  if (!visit->ended_early.empty()) run.ended_early = visit->ended_early;
  for (const auto& end : visit->early_ends) run.CountEarlyEnd(end.why, end.count);
  run.more_early_ends += visit->more_early_ends;
  run.problems = visit->problems;
  run.more_problems += visit->more_problems;
  run.maybe_blocked = visit->maybe_blocked;
  run.unsaved = visit->unsaved;
}

}  // namespace kestrel::cli
