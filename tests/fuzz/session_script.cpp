#include "tests/fuzz/rig.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <stdexcept>

#include "mml/session_record.h"
#include "sim/session_log.h"

namespace kestrel::fuzz {

namespace {

using Kind = Operation::Kind;

constexpr std::array<std::int64_t, 4> kScales = {1, 100, 1000, 10000};
constexpr std::string_view kCellr = "cellr.";

// The argument bits each kind uses, in the order of Kind; the others are dropped, so that a
// script has one reading.
constexpr std::uint8_t kUsedBits[] = {1, 1, 3, 0, 3, 1, 1, 31};

std::optional<long long> Number(std::string_view text, int base = 10) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

// Received bytes as a script writes them: as a session log does, a blank at the end "\x20".
std::string Escape(std::string_view bytes) {
  std::string text = mml::EscapedForRecord(bytes);
  if (text.ends_with(' ')) text.replace(text.size() - 1, 1, "\\x20");
  return text;
}

}  // namespace

std::int64_t Operation::Milliseconds() const {
  return (static_cast<std::int64_t>(count) + 1) * kScales[argument & 3];
}

SessionScript Decode(std::string_view bytes) {
  // A record cut short by the end of the input still counts, with what there is.
  auto byte = [&]() -> std::uint8_t {
    if (bytes.empty()) return 0;
    const auto first = static_cast<std::uint8_t>(bytes.front());
    bytes.remove_prefix(1);
    return first;
  };
  auto take = [&](std::size_t n) {
    const std::string taken(bytes.substr(0, n));
    bytes.remove_prefix(taken.size());
    return taken;
  };
  SessionScript script;
  script.options = byte();
  while (!bytes.empty()) {
    const std::uint8_t head = byte();
    Operation op;
    op.kind = static_cast<Kind>(head & 7);
    op.argument = static_cast<std::uint8_t>((head >> 3) & kUsedBits[head & 7]);
    if (op.kind == Kind::kReceive) {
      op.bytes = take(byte());
    } else if (op.kind == Kind::kReceiveRepeated) {
      const std::size_t n = byte();
      op.count = byte() + 1;
      op.bytes = take(n);
    } else if (op.kind == Kind::kAdvance) {
      op.count = byte();
    }
    script.operations.push_back(std::move(op));
  }
  return script;
}

std::string Encode(const SessionScript& script) {
  std::string bytes(1, static_cast<char>(script.options));
  for (const Operation& op : script.operations) {
    bytes += static_cast<char>(static_cast<std::uint8_t>(op.kind) | (op.argument << 3));
    if (op.kind == Kind::kReceive || op.kind == Kind::kReceiveRepeated) {
      bytes += static_cast<char>(op.bytes.size());
      if (op.kind == Kind::kReceiveRepeated) bytes += static_cast<char>(op.count - 1);
      bytes += op.bytes;
    } else if (op.kind == Kind::kAdvance) {
      bytes += static_cast<char>(op.count);
    }
  }
  return bytes;
}

std::string ToText(const Operation& op) {
  const std::string side = op.Side() == 1 ? std::string(kCellr) : std::string();
  switch (op.kind) {
    case Kind::kReceive:
      return side + "receive " + Escape(op.bytes);
    case Kind::kReceiveRepeated:
      return side + "receive*" + std::to_string(op.count) + " " + Escape(op.bytes);
    case Kind::kAdvance:
      return "advance " + std::to_string(op.Milliseconds());
    case Kind::kNextTimer:
      return "next-timer";
    case Kind::kClose:
      return side + (op.ByClient() ? "client-ends" : "close");
    case Kind::kStartStop:
      return op.Stop() ? "stop" : "start";
    case Kind::kConnectFails:
      return side + "connect-fails";
    case Kind::kPage:
      return "page " + std::to_string(op.argument);
  }
  return {};
}

std::string ToText(const SessionScript& script) {
  char options[8];
  std::snprintf(options, sizeof options, "0x%02x", script.options);
  std::string text = "options " + std::string(options) + "\n";
  for (const Operation& op : script.operations) text += ToText(op) + "\n";
  return text;
}

std::optional<SessionScript> FromText(std::string_view text, std::string& error) {
  SessionScript script;
  for (int number = 1; !text.empty(); ++number) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.starts_with('#')) continue;
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(number) + ": " + why;
      return std::nullopt;
    };
    const std::size_t blank = line.find(' ');
    std::string_view word = line.substr(0, blank);
    const std::string_view rest =
        blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    Operation op;
    const bool cellr = word.starts_with(kCellr);
    if (cellr) word.remove_prefix(kCellr.size());
    op.argument = cellr ? 1 : 0;
    // The words that take no side.
    const bool one_sided = word == "options" || word == "advance" || word == "next-timer" ||
                           word == "start" || word == "stop" || word == "page";
    if (cellr && one_sided) return fail("\"" + std::string(word) + "\" has no cellr side");
    if (word == "options") {
      const auto value = rest.starts_with("0x") ? Number(rest.substr(2), 16) : Number(rest);
      if (!value || *value < 0 || *value > 255) return fail("options take 0 to 255");
      script.options = static_cast<std::uint8_t>(*value);
      continue;
    }
    if (word == "receive" || word.starts_with("receive*")) {
      try {
        op.bytes = sim::UnescapeRecordText(rest);
      } catch (const std::runtime_error& malformed) {
        return fail(malformed.what());
      }
      if (word != "receive") {
        const auto count = Number(word.substr(8));
        if (!count || *count < 1 || *count > 256) return fail("a repeat count is 1 to 256");
        if (op.bytes.size() > 255) return fail("a repeated text holds more than 255 bytes");
        op.kind = Kind::kReceiveRepeated;
        op.count = static_cast<int>(*count);
      }
      // A longer chunk goes in pieces of what one record holds: the page takes any cut.
      for (; op.bytes.size() > 255; op.bytes.erase(0, 255)) {
        script.operations.push_back({Kind::kReceive, op.argument, op.bytes.substr(0, 255), 0});
      }
    } else if (word == "advance") {
      // With the largest scale that divides it.
      const auto ms = Number(rest);
      for (std::size_t s = kScales.size(); ms && s-- > 0 && op.kind != Kind::kAdvance;) {
        const long long v = *ms / kScales[s] - 1;
        if (*ms % kScales[s] != 0 || v < 0 || v > 255) continue;
        op = {Kind::kAdvance, static_cast<std::uint8_t>(s), {}, static_cast<int>(v)};
      }
      if (op.kind != Kind::kAdvance) {
        return fail("an advance is n * 1, 100, 1000 or 10000 ms, n from 1 to 256");
      }
    } else if (word == "next-timer") {
      op.kind = Kind::kNextTimer;
    } else if (word == "close" || word == "client-ends") {
      op.kind = Kind::kClose;
      if (word == "client-ends") op.argument |= 2;
    } else if (word == "start" || word == "stop") {
      op.kind = Kind::kStartStop;
      op.argument = word == "stop" ? 1 : 0;
    } else if (word == "connect-fails") {
      op.kind = Kind::kConnectFails;
    } else if (word == "page") {
      const auto action = Number(rest);
      if (!action || *action < 0 || *action > 31) return fail("a page action is 0 to 31");
      op.kind = Kind::kPage;
      op.argument = static_cast<std::uint8_t>(*action);
    } else {
      return fail("\"" + std::string(word) + "\" is no operation");
    }
    script.operations.push_back(std::move(op));
  }
  return script;
}

}  // namespace kestrel::fuzz
