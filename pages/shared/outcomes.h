#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::pages {

// How one element's work ended, over every visit of it in a run: what the runner's recap
// says and its exit status rests on. A page records here as it goes; it never reports as done
// what failed.
struct ElementOutcome {
  std::string element;
  int visits = 0;    // sessions opened for the element
  int reached = 0;   // of them, those that reached the element's prompt
  int finished = 0;  // of them, those whose work ran to its own end
  // Why the last visit that ended early did: "connection lost while ALLIP; was in flight",
  // "LOGIN INCORRECT", "stopped".
  std::string ended_early;
  // Every reason the element's visits ended early, with how many did, in the order first
  // seen: the last reason alone would hide the others of a long run.
  struct EarlyEnd {
    std::string why;
    int count = 0;
  };
  std::vector<EarlyEnd> early_ends;
  int more_early_ends = 0;  // visits that ended for a reason beyond those kept
  // Refused commands, incomplete printouts, values not sent: one line each, the first few.
  std::vector<std::string> problems;
  std::size_t more_problems = 0;  // how often something else went wrong beyond those kept
  // Objects an order blocked and no confirmed order has deblocked yet.
  std::vector<std::string> maybe_blocked;
  // Report files that could not be written.
  std::vector<std::string> unsaved;

  // Reached on every visit, every visit ran to its end, and nothing went wrong.
  bool Clean() const;
  // Counts `count` more visits that ended early for `why`.
  void CountEarlyEnd(const std::string& why, int count = 1);
};

// The recap line of an element: "BSC9: reached, done" or what went wrong.
std::string RecapLine(const ElementOutcome& outcome);

// The outcomes of a run, one entry per element in the order they were first visited. An
// endless run keeps one entry per element, so it stays small however long it runs.
class Outcomes {
 public:
  static constexpr std::size_t kProblemsKept = 10;

  // A session for `element` starts: its entry (new or from an earlier visit) is current.
  void Begin(std::string_view element);
  void Reached();
  void Finished();
  void EndedEarly(std::string why);
  void Problem(std::string text);
  void Blocked(std::string_view object);
  void Deblocked(std::string_view object);
  void Unsaved(std::string path);

  // The current entry; none before the first Begin.
  const ElementOutcome* Current() const;
  const std::vector<ElementOutcome>& All() const { return all_; }
  // The entry of `element`, if it was visited.
  const ElementOutcome* Find(std::string_view element) const;
  void Clear();

 private:
  ElementOutcome* current();
  std::vector<ElementOutcome> all_;
  std::size_t current_ = static_cast<std::size_t>(-1);
  // The reason the current visit was counted under, when it already ended early: a visit
  // counts once, under its last reason.
  std::string counted_;
};

}  // namespace kestrel::pages
