#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/timer.h"
#include "pages/shared/outcomes.h"
#include "tests/fake_telnet.h"
#include "tests/manual_clock.h"

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

// The user and password every target logs in with.
inline constexpr std::string_view kUser = "ops1";
inline constexpr std::string_view kPassword = "s3cret";
// The elements the engineer chose: "NE=" and one of them is what a page answers the gateway's
// element prompt with.
using Elements = std::vector<std::string>;

// The message of every connection failure the rig injects; the pages pass it on in the
// exception they let through, which is then no finding.
inline constexpr std::string_view kInjectedFailure = "connection refused (injected)";

// What the rig found: its message is printed when it is thrown. `open`: the message matches
// KESTREL_FUZZ_OPEN, a finding already reported, and the input just ends.
struct Finding {
  bool open = false;
};

// A page as its target sets it up for the rig: what the rig plays to and checks of it.
struct Page {
  Elements elements;
  // On the manual clock; their ticks count as events of the page.
  std::vector<controls::Timer*> timers{};
  // A printout buffer (side -1) never holds more than the cap; a pane that shows the text of
  // the current session of its side, and nothing else, never more than that session received.
  struct Pane {
    std::string name;
    const controls::Memo* memo;
    int side = -1;
  };
  std::vector<Pane> panes{};
  // What the page holds besides its panes: a memo with its line index, a list, an outcome
  // ledger, a string, or the bytes a function adds up.
  using Holding =
      std::variant<const controls::Memo*, const controls::ListBox*, const pages::Outcomes*,
                   const std::string*, std::function<std::size_t()>>;
  std::vector<std::pair<std::string, Holding>> held{};
  // A Start button that reads "Stop" while its job runs, and its click; or, without a button,
  // Start and Stop as the page has them.
  const controls::Control* button = nullptr;
  std::function<void()> click{};
  std::function<void(bool stop)> start_stop{};
  // True while the page's job runs and only the network or a timer can move it on (not while
  // it waits for a sound to end, say); by default while the button reads "Stop".
  std::function<bool()> runs{};
  // The page actions, numbered as the scripts' "page N"; a larger number does nothing.
  std::vector<std::function<void()>> actions{};
  // What the engineer reads on the page, written out at the end of a traced run.
  std::function<std::string()> report{};
};

// Runs a page on fake telnet clients and a manual clock, plays a session script to it and
// checks after every step what README.md lists. A violation prints what happened and throws a
// Finding; KESTREL_FUZZ_TRACE writes out what happens.
class Rig {
 public:
  // The printout cap is chosen by the top two bits of the options: small enough that a
  // fuzzer reaches it, and the smallest below a real alarm list.
  Rig(std::string page, std::uint8_t options);

  testing::FakeTelnetClient& Client(int side = 0) { return sides_[side & 1].client; }
  testing::ManualClock& Clock() { return clock_; }
  std::size_t Cap() const { return cap_; }

  // Plays `script` to `page`, checking as it goes; throws the Finding of a new finding.
  void Play(const SessionScript& script, Page page);

 private:
  void Run(const Operation& op);
  void Call(std::string_view what, const std::function<void()>& handler);
  void CheckLinesAndBuffers();
  void Check();
  [[noreturn]] void Fail(const std::string& why);

  std::string page_name_;
  std::size_t cap_;
  struct Side {
    testing::FakeTelnetClient client;
    std::size_t received = 0;  // by the current session
  };
  std::array<Side, 2> sides_;
  testing::ManualClock clock_;
  Page page_;
  std::size_t baseline_ = 0;
  std::size_t received_ = 0;
  std::size_t events_ = 0;
  std::string step_;  // the operation being played, for the message of a finding
};

// Plays `script` to the page named `page` set up as its fuzz target sets it up
// (session_fuzz.cpp); false when there is no such page.
bool PlayPage(std::string_view page, const SessionScript& script);

}  // namespace kestrel::fuzz
