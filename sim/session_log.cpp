#include "sim/session_log.h"

#include <cctype>

namespace kestrel::sim {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "YYYY-MM-DD HH:MM:SS.mmm": digits where the pattern has 'd', the separators as they stand.
bool IsTimestamp(std::string_view text) {
  constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd.ddd";
  if (text.size() != kPattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) return false;
  }
  return true;
}

LogRecord ParseLine(std::string_view line, int number) {
  constexpr std::size_t kTimestamp = 23;
  if (line.size() < kTimestamp + 5 || !IsTimestamp(line.substr(0, kTimestamp)) ||
      line[kTimestamp] != ' ') {
    throw MalformedLog("does not start with a time \"YYYY-MM-DD HH:MM:SS.mmm\" and a direction");
  }
  const std::string_view direction = line.substr(kTimestamp + 1, 4);
  LogRecord record;
  record.line = number;
  if (direction == "sent") {
    record.kind = LogRecord::Kind::kSent;
  } else if (direction == "recv") {
    record.kind = LogRecord::Kind::kReceived;
  } else if (direction == "note") {
    record.kind = LogRecord::Kind::kNote;
  } else {
    throw MalformedLog("the direction \"" + std::string(direction) +
                       "\" is not sent, recv or note");
  }
  std::string_view rest = line.substr(kTimestamp + 5);
  // An empty text leaves a blank after the direction, which an editor may have taken away.
  if (!rest.empty() && rest[0] != ' ') {
    throw MalformedLog("the direction must be followed by a blank");
  }
  if (!rest.empty()) rest.remove_prefix(1);
  record.text = UnescapeRecordText(rest);
  return record;
}

}  // namespace

std::string UnescapeRecordText(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte >= 0x7f) {
      throw MalformedLog("a raw byte " + std::to_string(byte) + " at column " +
                         std::to_string(i + 1) + " (the log writes it escaped)");
    }
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    const char escape = i + 1 < text.size() ? text[i + 1] : '\0';
    if (escape == '\\' || escape == 'r' || escape == 'n' || escape == 't') {
      bytes += escape == '\\' ? '\\' : escape == 'r' ? '\r' : escape == 'n' ? '\n' : '\t';
      ++i;
    } else if (escape == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 &&
               HexDigit(text[i + 3]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      throw MalformedLog("a broken escape at column " + std::to_string(i + 1) +
                         " (\\\\, \\r, \\n, \\t or \\xHH)");
    }
  }
  return bytes;
}

std::vector<LogRecord> ParseSessionLog(std::string_view text) {
  std::vector<LogRecord> records;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty()) continue;
    try {
      records.push_back(ParseLine(line, number));
    } catch (const MalformedLog& error) {
      throw MalformedLog("line " + std::to_string(number) + ": " + error.what());
    }
  }
  return records;
}

}  // namespace kestrel::sim
