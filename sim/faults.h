#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::sim {

// Faults the simulator can put into its answers, to test how clients bear them, and the few
// things that change how the gateway presents itself.
struct Faults {
  int chunk_max = 0;                // cut all output into random chunks of 1..chunk_max bytes
  int chunk_delay_ms = 0;           // pause before each chunk
  long long drop_after_bytes = -1;  // close each connection after sending this many bytes
  std::set<std::string> silent;     // elements that never answer once selected
  int busy_allip = 0;               // outage list requests answered "FUNCTION BUSY" first
  unsigned seed = 1;                // of the random chunk sizes, so a failing run can be repeated

  // Typed lines are matched by their start, without regard to case (see StartsAny).
  std::vector<std::string> drop_after_command = {};   // close the connection, leave it unanswered
  std::vector<std::string> refuse = {};               // "NOT ACCEPTED"
  std::vector<std::string> busy = {};                 // "FUNCTION BUSY"
  std::vector<std::string> unknown = {};              // "COMMAND UNKNOWN"
  std::vector<std::string> refuse_confirmation = {};  // the order's ";" is refused
  std::vector<std::string> endless_printout = {};     // a printout that never ends

  int answer_delay_ms = 0;  // each answer goes out this long after its line arrived
  int max_sessions = -1;    // sessions at once; -1: no limit
  bool echo_password = false;
  bool flood_options = false;  // option requests without end; the client is never read
  std::string banner = "KESTREL DEMO COMMAND GATEWAY";
  // The user logged in before the dialogue began (over SSH): no user or password is asked.
  bool signed_in = false;
  // An element reached directly: its prompt comes at once, no element is asked for.
  std::string direct = {};
};

// True when `line` starts with one of `prefixes`, letters compared without regard to case (the
// exchange takes commands in either case).
bool StartsAny(const std::vector<std::string>& prefixes, std::string_view line);

}  // namespace kestrel::sim
