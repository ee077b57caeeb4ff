#pragma once

#include <string>
#include <vector>

#include "pages/shared/outcomes.h"

namespace kestrel::cli {

// The outcomes of a run whose visits run on several pages at once, as one ledger would have
// them had every visit run on one page. Each page's own ledger holds only the visit it runs:
// before it starts, the ledger is seeded with what the element's earlier visits left that a
// later visit can still change (objects that may still be blocked, which a confirmed deblock
// clears; the problems and unsaved files already named, which are not named twice); after
// it, the element's entry comes back here. Visits of one element never overlap, so each
// takes up where the one before left off.
class VisitLedger {
 public:
  // Before `page` starts a visit of `element`.
  void Seed(pages::Outcomes& page, const std::string& element) const;
  // After that visit: what it recorded becomes the element's entry of the run.
  void Take(const pages::Outcomes& page, const std::string& element);

  // One entry per element, in the order of their first visits.
  const std::vector<pages::ElementOutcome>& All() const { return all_; }
  const pages::ElementOutcome* Find(const std::string& element) const;

 private:
  std::vector<pages::ElementOutcome> all_;
};

}  // namespace kestrel::cli
