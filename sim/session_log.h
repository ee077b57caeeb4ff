#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::sim {

// One line of a session log as the Kestrel programs write it:
// "YYYY-MM-DD HH:MM:SS.mmm DIR TEXT", DIR "sent" (a line the client sent), "recv" (a chunk
// received as it arrived) or "note" (a remark of the client), TEXT escaped.
struct LogRecord {
  enum class Kind { kSent, kReceived, kNote };
  Kind kind = Kind::kNote;
  std::string text;  // unescaped
  int line = 0;      // in the file, from 1
};

// A log that does not have the form; what() names the line and what is wrong with it.
class MalformedLog : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The records of a session log, in order. Empty lines are skipped, and a CR before a line
// break is taken as part of the break (a log copied through a CR LF system).
std::vector<LogRecord> ParseSessionLog(std::string_view text);

// TEXT of a record, unescaped: "\\", "\r", "\n", "\t" and "\xHH"; a raw control character,
// a byte from 0x7f up, or any other backslash is malformed.
std::string UnescapeRecordText(std::string_view text);

}  // namespace kestrel::sim
