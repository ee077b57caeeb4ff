#pragma once

#include <string>
#include <vector>

namespace kestrel::bench {

// How a program run by a benchmark ended: its exit status (-1 when it did not exit, or could
// not be started), its peak resident memory and its wall time.
struct Measured {
  int status = -1;
  double seconds = 0;
  long peak_kb = 0;
};

// Runs `program` with `arguments`, its standard output into `out` and its standard error into
// `err` (files made or emptied), and waits for it.
Measured RunMeasured(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& out = "/dev/null", const std::string& err = "/dev/null");

}  // namespace kestrel::bench
