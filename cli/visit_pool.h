#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "cli/ordered_output.h"
#include "cli/page_output.h"
#include "cli/result_format.h"
#include "cli/visit_ledger.h"
#include "cli/visit_schedule.h"
#include "controls/memo.h"
#include "pages/shared/outcomes.h"

namespace kestrel::cli {

// The bookkeeping of a job whose visits run on several pages at once, each page a lane with
// its own session: which visit each lane runs, what the lanes write, on standard output in
// the order of the visits (a CSV header first), and how each visit ended, in one ledger for
// the run. How a page begins and ends a visit is its command's business.
class VisitPool {
 public:
  VisitPool(VisitSchedule schedule, const RecordLines& format);
  VisitPool(const VisitPool&) = delete;
  VisitPool& operator=(const VisitPool&) = delete;

  // A page as a lane: what it writes is taken as it writes it.
  std::size_t AddLane(controls::Memo& report, pages::Outcomes& outcomes,
                      PageOutput::TakeRecords take_records);

  // Hands the lane the next visit at `now` (steady milliseconds, for a paced schedule): its
  // element, or null when there is none for now.
  const std::string* Begin(std::size_t lane, std::int64_t now = 0);
  // The lane's visit is over (nothing when it has none): its output goes out in its turn, its
  // outcome into the ledger, and its element is free for a later visit. `undone`: the
  // visit's work did not get done and stays to be done (for Unfinished).
  void End(std::size_t lane, bool undone = false);
  bool Visiting(std::size_t lane) const { return lanes_[lane].visit.has_value(); }
  // The number of the lane's visit (counted from 0 over the passes), if it has one.
  std::optional<std::uint64_t> Visit(std::size_t lane) const { return lanes_[lane].visit; }

  // The lanes a run of `elements` with `parallel` sessions needs: at least one, at most one
  // an element.
  static std::size_t LaneCount(int parallel, std::size_t elements) {
    return std::min<std::size_t>(static_cast<std::size_t>(std::max(parallel, 1)), elements);
  }

  VisitSchedule& Schedule() { return schedule_; }
  const VisitSchedule& Schedule() const { return schedule_; }
  const VisitLedger& Ledger() const { return ledger_; }
  // How many visits were left undone, and the element of the first of them in list order
  // (counting the visits never handed out); none when nothing was.
  std::uint64_t UndoneCount() const;
  std::optional<std::string> FirstUndone() const;

 private:
  struct Lane {
    std::unique_ptr<PageOutput> output;
    pages::Outcomes* outcomes;
    std::optional<std::uint64_t> visit;
    controls::Notifier::Subscription changed;
  };
  void Collect(Lane& lane, bool all);

  VisitSchedule schedule_;
  const RecordLines& format_;
  OrderedOutput output_;
  VisitLedger ledger_;
  std::deque<Lane> lanes_;
  std::uint64_t undone_ = 0;
  std::optional<std::uint64_t> first_undone_;
};

}  // namespace kestrel::cli
