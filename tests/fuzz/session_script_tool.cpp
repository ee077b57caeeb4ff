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

#include "sim/session_log.h"
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
  bool sent;
  std::string bytes;  // received
};

// "2026-12-06 14:40:55.618 recv \r\nUser: ": the time of day, and the record.
std::vector<Entry> ReadLog(const std::string& path, int side) {
  std::vector<Entry> entries;
  std::istringstream lines(ReadFile(path));
  for (std::string line; std::getline(lines, line);) {
    int hours = 0, minutes = 0, seconds = 0, ms = 0;
    char kind[5] = {};
    if (line.size() < 28 || std::sscanf(line.c_str() + 11, "%2d:%2d:%2d.%3d %4s", &hours, &minutes,
                                        &seconds, &ms, kind) != 5) {
      continue;
    }
    const std::string direction = kind;
    entries.push_back(
        {((hours * 60LL + minutes) * 60 + seconds) * 1000 + ms, side, direction == "sent",
         direction == "recv" && line.size() > 29 ? kestrel::sim::UnescapeRecordText(line.substr(29))
                                                 : std::string()});
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
    } else if (auto log = ReadLog(arguments[k], side); !log.empty()) {
      logs[side].push_back(std::move(log));
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
    if (entry.sent && last[entry.side] >= 0 && entry.ms - last[entry.side] >= kPauseMs) {
      text += "next-timer\n";
    }
    last[entry.side] = entry.ms;
    // A chunk of more than 255 bytes goes in pieces: the page takes any cut.
    for (std::size_t at = 0; at < entry.bytes.size(); at += 255) {
      text += (entry.side == 1 ? "cellr.receive " : "receive ") +
              kestrel::fuzz::Escape(entry.bytes.substr(at, 255)) + "\n";
    }
  }
  std::cout << text;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    if (arguments.size() == 3 && arguments[0] == "encode") {
      std::string error;
      const auto script = kestrel::fuzz::FromText(ReadFile(arguments[1]), error);
      if (!script) {
        std::cerr << arguments[1] << ": " << error << "\n";
        return 1;
      }
      std::ofstream(arguments[2], std::ios::binary) << kestrel::fuzz::Encode(*script);
      return 0;
    }
    if (arguments.size() == 2 && arguments[0] == "decode") {
      std::cout << kestrel::fuzz::ToText(kestrel::fuzz::Decode(ReadFile(arguments[1])));
      return 0;
    }
    if (!arguments.empty() && arguments[0] == "from-log") {
      return FromLogs({arguments.begin() + 1, arguments.end()});
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  std::cerr << "usage: kestrel_session_script encode SCRIPT OUT | decode INPUT | from-log "
               "[--options N] LOG... [--cellr LOG...]\n";
  return 2;
}
