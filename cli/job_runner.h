#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/memo.h"
#include "pages/shared/outcomes.h"

namespace kestrel::cli {

// What the runner needs to know of a page job to run it without windows.
struct Job {
  std::function<bool()> running;  // true while the job goes on
  // Writes what the job has to show on standard output; called once more at the end, with
  // `all`, when a line not yet ended goes out too. (Most jobs print as they go.)
  std::function<void(bool all)> print;
  std::function<void()> start;  // the page's Start click
  std::function<void()> stop;   // ends a job that runs, as its Stop does
  // Empty when the job ran to its end; otherwise what was left undone.
  std::function<std::string()> unfinished;
  int timeout_s = 0;  // 0: no limit
  // How each element ended (one entry each), and the elements the job was given, in order:
  // the recap.
  std::function<std::vector<pages::ElementOutcome>()> outcomes;
  std::vector<std::string> elements = {};
  // The job runs until it is stopped: SIGTERM or SIGINT is its normal end.
  bool endless = false;
};

// Writes a report pane's lines to standard output as they are written.
class ReportPrinter {
 public:
  explicit ReportPrinter(controls::Memo& report);
  // The lines written since the last call; `all`: also a line not yet ended.
  void Print(bool all);

 private:
  controls::Memo& report_;
  controls::Notifier::Subscription subscription_;
  std::size_t printed_ = 0;
};

// Runs the job on the event loop until it no longer runs, then writes a recap on standard
// error, one line per element. SIGTERM and SIGINT stop the job as its Stop does (once; a
// second signal ends the program at once). Exit status: 0 only when every element was
// reached, its printouts were whole and accepted, its reports were saved and nothing may
// still be blocked; 1 otherwise (also an error, a lost connection, or a signal before the
// end); 3 when it was stopped at the time-out. An endless job stopped by a signal has come
// to its normal end: 0 unless something may still be blocked or a report file was not
// saved, whatever else its recap names.
int RunJob(Job job);

// The recap lines of `elements` (each once, in order), then of any other element visited:
// "BSC9: reached, done", or what went wrong; an element never started is "not reached".
// True in `clean` when every one is clean.
std::vector<std::string> Recap(const std::vector<pages::ElementOutcome>& outcomes,
                               const std::vector<std::string>& elements, bool& clean);

// The ledger of one page, for Job::outcomes.
std::function<std::vector<pages::ElementOutcome>()> OutcomesOf(const pages::Outcomes& outcomes);

}  // namespace kestrel::cli
