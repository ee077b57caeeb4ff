// Turns session scripts into the fuzzers' bytes and back, and session logs into scripts:
//   kestrel_session_script encode SCRIPT.txt OUT     the bytes of a readable script
//   kestrel_session_script decode INPUT              a fuzzer's input (a finding), readable
//   kestrel_session_script from-log [--options N] LOG... [--cellr LOG...]
//                                                    a script that plays the received text of
//                                                    recorded sessions (the second side's logs
//                                                    after --cellr) in the order it arrived
// A line the page sent after a pause in the log (a release pause, the RXLTI wait) becomes a
// "next-timer" before it, so that the page's timer fires there.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/session_script.h"

namespace {

// A gap in a log longer than this before a line sent is a pause of the page's own.
constexpr long long kPauseMs = 15;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Entry {
  long long ms;
  int side;
  std::string direction;
  std::string text;  // escaped, as the log holds it
};

// "2026-12-06 14:40:55.618 recv \r\nUser: "
std::vector<Entry> ReadLog(const std::string& path, int side) {
  std::vector<Entry> entries;
  std::istringstream lines(ReadFile(path));
  for (std::string line; std::getline(lines, line);) {
    if (line.size() < 29 || line[10] != ' ' || line[23] != ' ') continue;
    const long long ms =
        ((std::stoll(line.substr(11, 2)) * 60 + std::stoll(line.substr(14, 2))) * 60 +
         std::stoll(line.substr(17, 2))) *
            1000 +
        std::stoll(line.substr(20, 3));
    const std::size_t blank = line.find(' ', 24);
    const std::string direction = line.substr(24, blank - 24);
    const std::string text = blank == std::string::npos ? "" : line.substr(blank + 1);
    entries.push_back({ms, side, direction, text});
  }
  return entries;
}

int FromLogs(const std::vector<std::string>& arguments) {
  // The sessions of one side follow each other: their logs go one after the other, by the
  // time each began (and ended, for sessions within one millisecond). The two sides of a
  // Qonsuluq job run at once: their entries are merged by time.
  std::vector<std::vector<Entry>> logs[2];
  int options = 0;
  int side = 0;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    if (arguments[k] == "--options" && k + 1 < arguments.size()) {
      options = std::stoi(arguments[++k], nullptr, 0);
    } else if (arguments[k] == "--cellr") {
      side = 1;
    } else {
      logs[side].push_back(ReadLog(arguments[k], side));
      if (logs[side].back().empty()) logs[side].pop_back();
    }
  }
  std::vector<Entry> sides[2];
  for (int s = 0; s < 2; ++s) {
    std::stable_sort(logs[s].begin(), logs[s].end(), [](const auto& a, const auto& b) {
      return a.front().ms != b.front().ms ? a.front().ms < b.front().ms : a.back().ms < b.back().ms;
    });
    for (const auto& log : logs[s]) sides[s].insert(sides[s].end(), log.begin(), log.end());
  }
  std::vector<Entry> entries;
  std::merge(sides[0].begin(), sides[0].end(), sides[1].begin(), sides[1].end(),
             std::back_inserter(entries),
             [](const Entry& a, const Entry& b) { return a.ms < b.ms; });
  std::string text = "options " + std::to_string(options) + "\nstart\n";
  long long last[2] = {-1, -1};
  for (const Entry& entry : entries) {
    const std::string prefix = entry.side == 1 ? "cellr." : "";
    if (entry.direction == "sent" && last[entry.side] >= 0 &&
        entry.ms - last[entry.side] >= kPauseMs) {
      text += "next-timer\n";
    }
    last[entry.side] = entry.ms;
    if (entry.direction != "recv") continue;
    // A chunk of more than 255 bytes goes in pieces: the page takes any cut.
    const auto bytes = kestrel::fuzz::Unescape(entry.text);
    if (!bytes) {
      std::cerr << "from-log: not a session log line: " << entry.text << "\n";
      return 1;
    }
    for (std::size_t at = 0; at < bytes->size(); at += 255) {
      text += prefix + "receive " + kestrel::fuzz::Escape(bytes->substr(at, 255)) + "\n";
    }
  }
  std::cout << text;
  return 0;
}

int Usage() {
  std::cerr << "usage: kestrel_session_script encode SCRIPT OUT | decode INPUT | from-log "
               "[--options N] LOG... [--cellr LOG...]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) return Usage();
  try {
    if (arguments[0] == "encode" && arguments.size() == 3) {
      std::string error;
      const auto script = kestrel::fuzz::FromText(ReadFile(arguments[1]), error);
      if (!script) {
        std::cerr << arguments[1] << ": " << error << "\n";
        return 1;
      }
      std::ofstream(arguments[2], std::ios::binary) << kestrel::fuzz::Encode(*script);
      return 0;
    }
    if (arguments[0] == "decode" && arguments.size() == 2) {
      std::cout << kestrel::fuzz::ToText(kestrel::fuzz::Decode(ReadFile(arguments[1])));
      return 0;
    }
    if (arguments[0] == "from-log") return FromLogs({arguments.begin() + 1, arguments.end()});
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return Usage();
}
