#include "pages/neighbours/merged_outcomes.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kestrel::neighbours {

void MergeOutcomes(std::initializer_list<const pages::Outcomes*> parts, pages::Outcomes& into) {
  into.Clear();
  // Element by element, so that every record lands in the entry that Begin made current.
  std::vector<std::string> order;
  for (const pages::Outcomes* part : parts) {
    for (const auto& outcome : part->All()) {
      if (std::find(order.begin(), order.end(), outcome.element) == order.end())
        order.push_back(outcome.element);
    }
  }
  for (const std::string& element : order) {
    for (const pages::Outcomes* part : parts) {
      const pages::ElementOutcome* outcome = part->Find(element);
      if (outcome == nullptr) continue;
      for (int visit = 0; visit < outcome->visits; ++visit) into.Begin(element);
      for (int n = 0; n < outcome->reached; ++n) into.Reached();
      for (int n = 0; n < outcome->finished; ++n) into.Finished();
      if (!outcome->ended_early.empty()) into.EndedEarly(outcome->ended_early);
      for (const auto& problem : outcome->problems) into.Problem(problem);
      // The problems a part counted beyond those it kept: the merged entry's list is full by
      // then, so each of these only counts as one more.
      for (std::size_t n = 0; n < outcome->more_problems; ++n)
        into.Problem("\x1f" + std::to_string(n));
      for (const auto& object : outcome->maybe_blocked) into.Blocked(object);
      for (const auto& path : outcome->unsaved) into.Unsaved(path);
    }
  }
}

}  // namespace kestrel::neighbours
