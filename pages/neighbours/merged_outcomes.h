#pragma once

#include <initializer_list>

#include "pages/shared/outcomes.h"

namespace kestrel::neighbours {

// Rebuilds `into` from the ledgers of the page's two sessions. Each session records into a
// ledger of its own, because a ledger records into the element it began last and the two
// sessions interleave chunk by chunk; the page's ledger holds one entry per BSC, and a BSC
// that both sides work on gets both sides' visits, problems and ends in its one entry.
void MergeOutcomes(std::initializer_list<const pages::Outcomes*> parts, pages::Outcomes& into);

}  // namespace kestrel::neighbours
