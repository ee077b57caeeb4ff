#include "tests/fuzz/session_script.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "mml/session_record.h"

namespace kestrel::fuzz {

namespace {

using Kind = Operation::Kind;

constexpr std::array<std::int64_t, 4> kScales = {1, 100, 1000, 10000};
constexpr std::string_view kCellr = "cellr.";

// The argument bits each kind uses; the others are dropped, so a script has one reading.
std::uint8_t UsedBits(Kind kind) {
  switch (kind) {
    case Kind::kReceive:
    case Kind::kReceiveRepeated:
    case Kind::kStartStop:
    case Kind::kConnectFails:
      return 1;
    case Kind::kAdvance:
    case Kind::kClose:
      return 3;
    case Kind::kNextTimer:
      return 0;
    case Kind::kPage:
      return 31;
  }
  return 0;
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Done() const { return bytes_.empty(); }
  std::uint8_t Byte() {
    if (bytes_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return byte;
  }
  std::string Bytes(std::size_t n) {
    const std::string_view taken = bytes_.substr(0, n);
    bytes_.remove_prefix(taken.size());
    return std::string(taken);
  }

 private:
  std::string_view bytes_;
};

}  // namespace

std::optional<std::string> Unescape(std::string_view text) {
  std::string bytes;
  bool ok = true;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] != '\\') {
      bytes += text[k];
      continue;
    }
    const char next = k + 1 < text.size() ? text[k + 1] : '\0';
    ++k;
    if (next == '\\') {
      bytes += '\\';
    } else if (next == 'r') {
      bytes += '\r';
    } else if (next == 'n') {
      bytes += '\n';
    } else if (next == 't') {
      bytes += '\t';
    } else if (next == 'x' && k + 2 < text.size()) {
      unsigned value = 0;
      const auto [end, error] =
          std::from_chars(text.data() + k + 1, text.data() + k + 3, value, 16);
      if (error != std::errc() || end != text.data() + k + 3) ok = false;
      bytes += static_cast<char>(value);
      k += 2;
    } else {
      ok = false;
    }
  }
  if (!ok) return std::nullopt;
  return bytes;
}

std::string Escape(std::string_view bytes) {
  std::string text = mml::EscapedForRecord(bytes);
  if (text.ends_with(' ')) text.replace(text.size() - 1, 1, "\\x20");
  return text;
}

namespace {

std::optional<long long> Number(std::string_view text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

// An advance of `ms` as one operation, with the largest scale that divides it.
std::optional<Operation> Advance(long long ms) {
  for (std::size_t s = kScales.size(); s-- > 0;) {
    if (ms % kScales[s] != 0) continue;
    const long long v = ms / kScales[s] - 1;
    if (v >= 0 && v <= 255) {
      return Operation{Kind::kAdvance, static_cast<std::uint8_t>(s), {}, static_cast<int>(v)};
    }
  }
  return {};
}

}  // namespace

std::int64_t Operation::Milliseconds() const {
  return (static_cast<std::int64_t>(count) + 1) * kScales[argument & 3];
}

SessionScript Decode(std::string_view bytes) {
  Reader in(bytes);
  SessionScript script;
  script.options = in.Byte();
  while (!in.Done()) {
    const std::uint8_t head = in.Byte();
    Operation op;
    op.kind = static_cast<Kind>(head & 7);
    op.argument = static_cast<std::uint8_t>((head >> 3) & UsedBits(op.kind));
    switch (op.kind) {
      case Kind::kReceive:
        op.bytes = in.Bytes(in.Byte());
        break;
      case Kind::kReceiveRepeated: {
        const std::size_t n = in.Byte();
        op.count = in.Byte() + 1;
        op.bytes = in.Bytes(n);
        break;
      }
      case Kind::kAdvance:
        op.count = in.Byte();
        break;
      default:
        break;
    }
    script.operations.push_back(std::move(op));
  }
  return script;
}

std::string Encode(const SessionScript& script) {
  std::string bytes(1, static_cast<char>(script.options));
  for (const Operation& op : script.operations) {
    bytes += static_cast<char>(static_cast<std::uint8_t>(op.kind) | (op.argument << 3));
    switch (op.kind) {
      case Kind::kReceive:
        bytes += static_cast<char>(op.bytes.size());
        bytes += op.bytes;
        break;
      case Kind::kReceiveRepeated:
        bytes += static_cast<char>(op.bytes.size());
        bytes += static_cast<char>(op.count - 1);
        bytes += op.bytes;
        break;
      case Kind::kAdvance:
        bytes += static_cast<char>(op.count);
        break;
      default:
        break;
    }
  }
  return bytes;
}

std::string ToText(const SessionScript& script) {
  char options[8];
  std::snprintf(options, sizeof options, "0x%02x", script.options);
  std::string text = "options " + std::string(options) + "\n";
  for (const Operation& op : script.operations) {
    const std::string side = op.Side() == 1 ? std::string(kCellr) : std::string();
    switch (op.kind) {
      case Kind::kReceive:
        text += side + "receive " + Escape(op.bytes);
        break;
      case Kind::kReceiveRepeated:
        text += side + "receive*" + std::to_string(op.count) + " " + Escape(op.bytes);
        break;
      case Kind::kAdvance:
        text += "advance " + std::to_string(op.Milliseconds());
        break;
      case Kind::kNextTimer:
        text += "next-timer";
        break;
      case Kind::kClose:
        text += side + (op.ByClient() ? "client-ends" : "close");
        break;
      case Kind::kStartStop:
        text += op.Stop() ? "stop" : "start";
        break;
      case Kind::kConnectFails:
        text += side + "connect-fails";
        break;
      case Kind::kPage:
        text += "page " + std::to_string(op.argument);
        break;
    }
    text += "\n";
  }
  return text;
}

std::optional<SessionScript> FromText(std::string_view text, std::string& error) {
  SessionScript script;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
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
    if (word.starts_with(kCellr)) {
      word.remove_prefix(kCellr.size());
      op.argument = 1;
    }
    if (word == "options") {
      const auto value = rest.starts_with("0x") ? std::optional<long long>() : Number(rest);
      unsigned hex = 0;
      const bool is_hex =
          rest.starts_with("0x") &&
          std::from_chars(rest.data() + 2, rest.data() + rest.size(), hex, 16).ec == std::errc();
      if ((!value && !is_hex) || (value ? *value : hex) > 255) return fail("options take 0 to 255");
      script.options = static_cast<std::uint8_t>(value ? *value : hex);
      continue;
    }
    if (word == "receive" || word.starts_with("receive*")) {
      auto bytes = Unescape(rest);
      if (!bytes) return fail("a received text holds a backslash that is not an escape");
      op.bytes = std::move(*bytes);
      if (op.bytes.size() > 255) return fail("a received text holds more than 255 bytes");
      op.kind = Kind::kReceive;
      if (word != "receive") {
        const auto count = Number(word.substr(8));
        if (!count || *count < 1 || *count > 256) return fail("a repeat count is 1 to 256");
        op.kind = Kind::kReceiveRepeated;
        op.count = static_cast<int>(*count);
      }
    } else if (word == "advance" && op.argument == 0) {
      const auto ms = Number(rest);
      const auto advance = ms ? Advance(*ms) : std::nullopt;
      if (!advance) return fail("an advance is n * 1, 100, 1000 or 10000 ms, n from 1 to 256");
      op = *advance;
    } else if (word == "next-timer" && op.argument == 0) {
      op.kind = Kind::kNextTimer;
    } else if (word == "close" || word == "client-ends") {
      op.kind = Kind::kClose;
      if (word == "client-ends") op.argument |= 2;
    } else if ((word == "start" || word == "stop") && op.argument == 0) {
      op.kind = Kind::kStartStop;
      op.argument = word == "stop" ? 1 : 0;
    } else if (word == "connect-fails") {
      op.kind = Kind::kConnectFails;
    } else if (word == "page" && op.argument == 0) {
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
