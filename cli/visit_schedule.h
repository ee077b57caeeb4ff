#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pages/shared/backoff.h"

namespace kestrel::cli {

// The visits of a run: the elements of the list in order, pass after pass, numbered from 0.
// Visits are handed out in that order only, and a visit waits while another visit of its
// element runs, so that an element never has two sessions at once (an element listed twice,
// or a slow visit still running when the next pass reaches its element again).
//
// Paced (see Pace), a pass begins no sooner than the shortest cycle after the last one began,
// and a visit whose element waits out its back-off is passed over (counted as handed out,
// never run), unless every element of the list waits: then the first one due is waited for.
// Times are steady milliseconds.
class VisitSchedule {
 public:
  // `passes`: times through the list; 0 for a run without end.
  VisitSchedule(std::vector<std::string> elements, std::uint64_t passes);

  // The shortest cycle and the first back-off; 0 for none (the default).
  void Pace(std::int64_t min_cycle_ms, std::int64_t retry_ms);

  // The next visit, when it may start at `now`; none when every visit was handed out, the
  // schedule was closed, the next visit's element is still being visited, or the pace holds
  // it back (WaitsUntil says till when).
  std::optional<std::uint64_t> Next(std::int64_t now = 0);
  // Visit `visit` is over: its element is free again.
  void Done(std::uint64_t visit);
  // How `element`'s visit ended, for its back-off.
  void Settle(const std::string& element, bool checked, std::int64_t now);
  // The visits passed over since the last call, in order.
  std::vector<std::uint64_t> TakePassedOver();
  std::uint64_t PassedOverCount() const { return passed_over_count_; }
  // When the pace lets the next visit start, if the pace alone held it back at the last Next.
  std::optional<std::int64_t> WaitsUntil() const { return waits_until_; }
  // No visit is handed out any more.
  void Close() { closed_ = true; }

  // Nothing is left to hand out: closed, or every visit handed out.
  bool Exhausted() const { return closed_ || (total_ > 0 && next_ >= total_); }
  const std::string& Element(std::uint64_t visit) const;
  const std::vector<std::string>& Elements() const { return elements_; }
  std::uint64_t HandedOut() const { return next_; }
  // Visits of the whole run; 0 for a run without end.
  std::uint64_t Total() const { return total_; }

 private:
  std::vector<std::string> elements_;
  std::uint64_t total_;
  std::uint64_t next_ = 0;
  std::set<std::string, std::less<>> running_;  // elements with a visit running
  bool closed_ = false;
  std::int64_t min_cycle_ms_ = 0;
  std::int64_t pass_started_ = 0;
  pages::Backoffs backoff_;
  std::vector<std::uint64_t> passed_over_;
  std::uint64_t passed_over_count_ = 0;
  std::optional<std::int64_t> waits_until_;
};

}  // namespace kestrel::cli
