#pragma once

#include <set>
#include <string>

namespace kestrel::sim {

// Faults the simulator can put into its answers, to test how clients bear them.
struct Faults {
  int chunk_max = 0;                // cut printouts into random chunks of 1..chunk_max bytes
  int chunk_delay_ms = 0;           // pause before each chunk
  long long drop_after_bytes = -1;  // close each connection after sending this many bytes
  std::set<std::string> silent;     // elements that never answer once selected
  int busy_allip = 0;               // outage list requests answered "FUNCTION BUSY" first
  unsigned seed = 1;                // of the random chunk sizes, so a failing run can be repeated
};

}  // namespace kestrel::sim
