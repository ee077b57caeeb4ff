#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::fuzz {

// What the gateway, the clock and the engineer do to a page, in order: the fuzzer's input.
// Its bytes and its readable form (seeds, findings) are described in README.md.
struct Operation {
  enum class Kind : std::uint8_t {
    kReceive,
    kReceiveRepeated,
    kAdvance,
    kNextTimer,
    kClose,
    kStartStop,
    kConnectFails,
    kPage,
  };
  Kind kind = Kind::kReceive;
  std::uint8_t argument = 0;  // 0 to 31
  std::string bytes;          // what is received
  int count = 0;              // repeats of a repeated receive; v of an advance

  int Side() const { return argument & 1; }  // 0: Cell, 1: Cellr
  bool ByClient() const { return (argument & 2) != 0; }
  bool Stop() const { return (argument & 1) != 0; }
  std::int64_t Milliseconds() const;
};

struct SessionScript {
  std::uint8_t options = 0;
  std::vector<Operation> operations;
};

SessionScript Decode(std::string_view bytes);
std::string Encode(const SessionScript& script);

// The readable form: a line per operation, after the options.
std::string ToText(const Operation& op);
std::string ToText(const SessionScript& script);
// The script `text` describes; none, with `error` naming the line, when it is not one.
std::optional<SessionScript> FromText(std::string_view text, std::string& error);
// Received bytes as a script writes them: as a session log does, a blank at the end "\x20".
std::string Escape(std::string_view bytes);

}  // namespace kestrel::fuzz
