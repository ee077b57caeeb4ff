#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/timer.h"
#include "pages/shared/outcomes.h"
#include "tests/fake_telnet.h"
#include "tests/fuzz/sent_lines.h"
#include "tests/fuzz/session_script.h"
#include "tests/manual_clock.h"

namespace kestrel::fuzz {

// The message of every connection failure the rig injects; the pages pass it on in the
// exception they let through, which is then no finding.
inline constexpr std::string_view kInjectedFailure = "connection refused (injected)";

// The settings every target logs in with.
inline constexpr std::string_view kUser = "ops1";
inline constexpr std::string_view kPassword = "s3cret";

// The printout cap a target sets, chosen by the top two bits of the options: small enough
// that a fuzzer reaches it, and the smallest below a real alarm list.
std::size_t CapOf(std::uint8_t options);

// Adds up what a page holds: the text of its memos (with their line index), the items of its
// lists, the entries of its outcome ledger, and any other strings.
class Holdings {
 public:
  void Add(const controls::Memo& memo);
  void Add(const controls::ListBox& list);
  void Add(const pages::Outcomes& outcomes);
  void Add(std::string_view text) { bytes_ += text.size(); }
  std::size_t Bytes() const { return bytes_; }

 private:
  std::size_t bytes_ = 0;
};

// Runs a page on fake telnet clients and a manual clock, plays a session script to it and
// checks after every step: no handler lets an exception out (other than an injected
// connection failure), every line sent passes the checker of sent lines, every printout
// buffer stays within the cap, and what the page holds grows at most in proportion to what it
// was given (see Check). A violation prints what happened and aborts, which the fuzzer keeps.
class Rig {
 public:
  // What a target supplies: its buttons and what its page holds.
  struct Page {
    std::function<void(bool stop)> start_stop;
    std::function<void(int action)> action;  // may be empty
    std::function<void(Holdings&)> holdings;
  };

  Rig(fuzz::Page page, Login login, std::size_t cap);

  testing::FakeTelnetClient& Client(int side = 0) { return clients_[side & 1]; }
  testing::ManualClock& Clock() { return clock_; }
  std::size_t Cap() const { return cap_; }
  // Puts `timer` on the manual clock; its ticks count as events of the page.
  void Attach(controls::Timer& timer);
  // A printout buffer: it never holds more than the cap.
  void Buffer(const controls::Memo& memo, std::string name);

  // Plays `script` to the page, checking as it goes. `page` must stand before the first call.
  void Play(const SessionScript& script, const Page& page);
  // Runs one operation; a target that nests operations (a sound that lets events through)
  // calls this for the nested one.
  void Run(const Operation& op);
  // Takes the next operation of the script out of its turn, for a target to nest; none at
  // the end of the script.
  const Operation* TakeNext();
  // Runs a handler of the page the way the event dispatcher does, with its exception checked.
  void Call(std::string_view what, const std::function<void()>& handler);
  // Counts an event the page acted on beyond the operations (a chunk, a tick).
  void Event() { ++events_; }
  // Checks everything; the lines sent and the buffers alone are checked after every chunk.
  void Check();
  void CheckLinesAndBuffers();
  [[noreturn]] void Fail(const std::string& why);

  // True when KESTREL_FUZZ_TRACE is set: what happens is written to standard error.
  static bool Tracing();

 private:
  void Receive(testing::FakeTelnetClient& client, const std::string& bytes);
  void CheckLines(int side);
  std::size_t Held();

  fuzz::Page page_kind_;
  Login login_;
  std::size_t cap_;
  std::array<testing::FakeTelnetClient, 2> clients_;
  testing::ManualClock clock_;
  std::vector<controls::Timer*> timers_;
  std::vector<std::pair<const controls::Memo*, std::string>> buffers_;
  const Page* page_ = nullptr;
  const SessionScript* script_ = nullptr;
  std::size_t baseline_ = 0;
  std::size_t received_ = 0;
  std::size_t events_ = 0;
  std::size_t step_ = 0;  // the operation being played, for the message of a finding
  std::string step_text_;
};

}  // namespace kestrel::fuzz
