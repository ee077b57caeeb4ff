#pragma once

#include <functional>
#include <string>

#include "controls/memo.h"

namespace kestrel::cli {

// What the runner needs to know of a page job to run it without windows.
struct Job {
  std::function<bool()> running;  // true while the job goes on
  controls::Memo& report;         // printed to standard output as it grows
  std::function<void()> start;    // the page's Start click
  std::function<void()> stop;     // ends a job that runs
  // Empty when the job ran to its end; otherwise what was left undone.
  std::function<std::string()> unfinished;
  int timeout_s = 0;  // 0: no limit
};

// Runs the job on the event loop until it no longer runs, printing the report as it is
// written. Exit status: 0 when the job ran to its end, 1 when it failed
// (an error, a lost connection), 3 when it was stopped at the time-out.
int RunJob(Job job);

}  // namespace kestrel::cli
