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
  controls::Memo& report;         // printed to standard output as it grows
  std::function<void()> start;    // the page's Start click
  std::function<void()> stop;     // ends a job that runs
  // Empty when the job ran to its end; otherwise what was left undone.
  std::function<std::string()> unfinished;
  int timeout_s = 0;  // 0: no limit
  // How each element ended, and the elements the job was given, in order: the recap.
  const pages::Outcomes* outcomes = nullptr;
  std::vector<std::string> elements = {};
};

// Runs the job on the event loop until it no longer runs, printing the report as it is
// written, then a recap on standard error, one line per element. Exit status: 0 only when
// every element was reached, its printouts were whole and accepted, its reports were saved
// and nothing may still be blocked; 1 otherwise (also an error or a lost connection); 3 when
// it was stopped at the time-out.
int RunJob(Job job);

// The recap lines of `elements` (each once, in order): "BSC9: reached, done", or what went
// wrong; an element never started is "not reached". True in `clean` when every one is clean.
std::vector<std::string> Recap(const pages::Outcomes& outcomes,
                               const std::vector<std::string>& elements, bool& clean);

}  // namespace kestrel::cli
