#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::fuzz {

// What the gateway, the clock and the engineer do to a page, in order: the fuzzer's input.
//
// The bytes: the first chooses the page's options, then come records of an operation byte
// (its kind in the low three bits, an argument in the upper five) and what the kind takes:
//   receive            a length byte and that many bytes, delivered as one chunk
//   receive repeated   a length byte, a count byte and the bytes, delivered count + 1 times
//   advance            a byte v: the clock moves (v + 1) * scale ms, scale 1, 100, 1000 or
//                      10000 by the argument
//   next timer         the clock moves by the shortest interval of the running timers
//   close              the gateway ends the connection (argument bit 1: the client ends it,
//                      for a cap)
//   start / stop       the page's Start (or Stop, argument bit 0) button
//   connect fails      the connection being made cannot be opened
//   page               an action of the page, numbered by the argument
// Argument bit 0 of receive, close and connect fails names the session of a two-session page
// (0: Cell, 1: Cellr). A record cut short by the end of the input still counts, with what
// there is.
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

  int Side() const { return argument & 1; }
  bool ByClient() const { return (argument & 2) != 0; }
  bool Stop() const { return (argument & 1) != 0; }
  std::int64_t Milliseconds() const;

  bool operator==(const Operation&) const = default;
};

struct SessionScript {
  std::uint8_t options = 0;
  std::vector<Operation> operations;

  bool operator==(const SessionScript&) const = default;
};

SessionScript Decode(std::string_view bytes);
std::string Encode(const SessionScript& script);

// The readable form, one operation a line, for seeds written by hand and for reading what a
// fuzzer found:
//   options 0x05
//   receive \r\nUser:\x20           (the escaped bytes of the session record)
//   receive cellr <\r\n
//   receive*100 WO      BSC9\r\n    (received 100 times)
//   advance 3000
//   next-timer
//   close [cellr] [client]
//   start | stop
//   connect-fails [cellr]
//   page 2
// "#" starts a comment line. A blank at the end of received text is written "\x20".
std::string ToText(const SessionScript& script);
// Received bytes as a script (and a session log) writes them, and back; none when `text`
// holds a backslash that is not an escape.
std::string Escape(std::string_view bytes);
std::optional<std::string> Unescape(std::string_view text);

// The script `text` describes; none, with `error` naming the line, when it is not one.
std::optional<SessionScript> FromText(std::string_view text, std::string& error);

}  // namespace kestrel::fuzz
