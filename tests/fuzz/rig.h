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

// The fake client, counting its connections, so that the rig knows where a session begins.
class CountingClient : public testing::FakeTelnetClient {
 public:
  void Connect() override {
    FakeTelnetClient::Connect();
    ++connects_;
  }
  int Connects() const { return connects_; }

 private:
  int connects_ = 0;
};

// The printout cap a target sets, chosen by the top two bits of the options: small enough
// that a fuzzer reaches it, and the smallest below a real alarm list.
std::size_t CapOf(std::uint8_t options);

// Adds up what a page holds: the text of its memos (with their line index), the items of its
// lists, the entries of its outcome ledger, and any other strings.
class Holdings {
 public:
  void Add(std::string_view name, const controls::Memo& memo);
  void Add(std::string_view name, const controls::ListBox& list);
  void Add(std::string_view name, const pages::Outcomes& outcomes);
  void Add(std::string_view name, std::string_view text) { Add(name, text.size()); }
  void Add(std::string_view name, std::size_t bytes);
  std::size_t Bytes() const { return bytes_; }
  // The holding with the most bytes, for the message of a finding.
  const std::string& Largest() const { return largest_; }
  std::size_t LargestBytes() const { return largest_bytes_; }

 private:
  std::size_t bytes_ = 0;
  std::string largest_;
  std::size_t largest_bytes_ = 0;
};

// Runs a page on fake telnet clients and a manual clock, plays a session script to it and
// checks after every step: no handler lets an exception out (other than an injected
// connection failure), every line sent passes the checker of sent lines, every printout
// buffer stays within the cap, and what the page holds grows at most in proportion to what it
// was given (see Check). A violation prints what happened and aborts, which the fuzzer keeps;
// one whose message matches KESTREL_FUZZ_OPEN (the findings already reported) ends the input
// quietly instead.
class Rig {
 public:
  // What a target supplies: its buttons and what its page holds.
  struct Page {
    std::function<void(bool stop)> start_stop;
    std::function<void(int action)> action;  // may be empty
    std::function<void(Holdings&)> holdings;
    // What the engineer reads on the page (its report or output pane), written out at the end
    // of a traced run; may be empty.
    std::function<std::string()> report;
  };

  Rig(fuzz::Page page, Login login, std::size_t cap);

  CountingClient& Client(int side = 0) { return clients_[side & 1]; }
  testing::ManualClock& Clock() { return clock_; }
  std::size_t Cap() const { return cap_; }
  // Puts `timer` on the manual clock; its ticks count as events of the page.
  void Attach(controls::Timer& timer);
  // A printout buffer: it never holds more than the cap.
  void Buffer(const controls::Memo& memo, std::string name);
  // A pane that shows the text of the current session of `side` and nothing else: it never
  // holds more than that session received.
  void SessionPane(const controls::Memo& memo, std::string name, int side = 0);

  // Plays `script` to the page, checking as it goes. `page` must stand before the first call.
  void Play(const SessionScript& script, const Page& page);
  // Runs one operation.
  void Run(const Operation& op);
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
  void Receive(int side, const std::string& bytes);
  // Starts the count of a session's bytes when the client connected since the last look.
  void NoteConnects();
  void CheckLines(int side);
  Holdings Held();

  fuzz::Page page_kind_;
  Login login_;
  std::size_t cap_;
  std::array<CountingClient, 2> clients_;
  std::array<int, 2> connects_seen_ = {0, 0};
  std::array<std::size_t, 2> session_received_ = {0, 0};
  struct SessionPaneEntry {
    const controls::Memo* memo;
    std::string name;
    int side;
  };
  std::vector<SessionPaneEntry> session_panes_;
  testing::ManualClock clock_;
  std::vector<controls::Timer*> timers_;
  std::vector<std::pair<const controls::Memo*, std::string>> buffers_;
  const Page* page_ = nullptr;
  std::size_t baseline_ = 0;
  std::size_t received_ = 0;
  std::size_t events_ = 0;
  std::size_t step_ = 0;  // the operation being played, for the message of a finding
  std::string step_text_;
};

}  // namespace kestrel::fuzz
