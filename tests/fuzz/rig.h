#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/timer.h"
#include "pages/shared/outcomes.h"
#include "tests/fake_telnet.h"
#include "tests/fuzz/session_script.h"
#include "tests/manual_clock.h"

namespace kestrel::fuzz {

// The user and password every target logs in with.
inline constexpr std::string_view kUser = "ops1";
inline constexpr std::string_view kPassword = "s3cret";
// The elements the engineer chose: "NE=" and one of them is what a page answers the gateway's
// element prompt with.
using Elements = std::vector<std::string>;

// Why `page` ("proses", "dailycheck", ...) must not have sent `line`; empty when it may. A line
// may be empty, ";" or Ctrl-D alone (the pages that confirm orders and release the element), a
// login answer (kUser, kPassword, "NE=" and one of `elements`), or one of the page's MML commands
// as forms.txt lists them, "CODE:KEY=VALUE,...;", with its parameters in the order the page builds
// them and every value read from a printout in the shape of what it stands for. Anything else is a
// fault, so that a value that changes an order never goes unnoticed.
std::string SentLineFault(std::string_view page, const Elements& elements, std::string_view line);

// The message of every connection failure the rig injects; the pages pass it on in the
// exception they let through, which is then no finding.
inline constexpr std::string_view kInjectedFailure = "connection refused (injected)";

// The printout cap a target sets, by the top two bits of the options: small enough that a
// fuzzer reaches it, and the smallest below a real alarm list.
std::size_t CapOf(std::uint8_t options);

// Adds up what a page holds (its memos with their line index, lists, outcome ledger, other
// strings) and which holding is the largest, for the message of a finding.
class Holdings {
 public:
  void Add(std::string_view name, const controls::Memo& memo);
  void Add(std::initializer_list<std::pair<std::string_view, const controls::Memo*>> memos) {
    for (const auto& [name, memo] : memos) Add(name, *memo);
  }
  void Add(std::string_view name, const controls::ListBox& list);
  void Add(std::string_view name, const pages::Outcomes& outcomes);
  void Add(std::string_view name, std::string_view text) { Add(name, text.size()); }
  void Add(std::string_view name, std::size_t bytes);
  std::size_t bytes = 0;
  std::string largest;
  std::size_t largest_bytes = 0;
};

// What the rig found: its message is printed when it is thrown. `open`: the message matches
// KESTREL_FUZZ_OPEN, a finding already reported, and the input just ends.
struct Finding {
  bool open = false;
};

// Runs a page on fake telnet clients and a manual clock, plays a session script to it and
// checks after every step what README.md lists. A violation prints what happened and throws a
// Finding; KESTREL_FUZZ_TRACE writes out what happens.
class Rig {
 public:
  // What a target supplies: its buttons and what its page holds.
  struct Page {
    std::function<void(bool stop)> start_stop;
    std::function<void(int action)> action;  // may be empty
    std::function<void(Holdings&)> holdings;
    // True while the page's job runs and only the network or a timer can move it on (not
    // while it waits for a sound to end, say).
    std::function<bool()> runs;
    // What the engineer reads on the page, written out at the end of a traced run.
    std::function<std::string()> report;
  };

  Rig(std::string page, Elements elements, std::size_t cap);

  testing::FakeTelnetClient& Client(int side = 0) { return sides_[side & 1].client; }
  testing::ManualClock& Clock() { return clock_; }
  std::size_t Cap() const { return cap_; }
  // Puts `timer` on the manual clock; its ticks count as events of the page.
  void Attach(controls::Timer& timer);
  // A printout buffer: it never holds more than the cap.
  void Buffer(const controls::Memo& memo, std::string name);
  // A pane that shows the text of the current session of `side` and nothing else: it never
  // holds more than that session received.
  void SessionPane(const controls::Memo& memo, std::string name, int side = 0);

  // Plays `script` to the page, checking as it goes; throws the Finding of a new finding.
  void Play(const SessionScript& script, const Page& page);
  // Runs a handler of the page the way the event dispatcher does, with its exception checked.
  void Call(std::string_view what, const std::function<void()>& handler);

 private:
  void Run(const Operation& op);
  void Receive(int side, const std::string& bytes);
  void CheckLinesAndBuffers();
  void Check();
  [[noreturn]] void Fail(const std::string& why);

  std::string page_name_;
  Elements elements_;
  std::size_t cap_;
  struct Side {
    testing::FakeTelnetClient client;
    std::size_t received = 0;  // by the current session
  };
  std::array<Side, 2> sides_;
  struct Pane {
    const controls::Memo* memo;
    std::string name;
    int side;  // -1: a printout buffer
  };
  std::vector<Pane> panes_;
  testing::ManualClock clock_;
  std::vector<controls::Timer*> timers_;
  const Page* page_ = nullptr;
  std::size_t baseline_ = 0;
  std::size_t received_ = 0;
  std::size_t events_ = 0;
  std::string step_;  // the operation being played, for the message of a finding
};

// Plays `script` to the page named `page` set up as its fuzz target sets it up
// (session_fuzz.cpp); false when there is no such page.
bool PlayPage(std::string_view page, const SessionScript& script);

}  // namespace kestrel::fuzz
