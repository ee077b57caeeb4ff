#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kestrel::cli {

// The visits of a run: the elements of the list in order, pass after pass, numbered from 0.
// Visits are handed out in that order only, and a visit waits while another visit of its
// element runs, so that an element never has two sessions at once (an element listed twice,
// or a slow visit still running when the next pass reaches its element again).
class VisitSchedule {
 public:
  // `passes`: times through the list; 0 for a run without end.
  VisitSchedule(std::vector<std::string> elements, std::uint64_t passes);

  // The next visit, when it may start now; none when every visit was handed out, the
  // schedule was closed, or the next visit's element is still being visited.
  std::optional<std::uint64_t> Next();
  // Visit `visit` is over: its element is free again.
  void Done(std::uint64_t visit);
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
};

}  // namespace kestrel::cli
