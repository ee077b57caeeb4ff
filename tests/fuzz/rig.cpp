#include "tests/fuzz/rig.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <regex>

#include "mml/session_record.h"

namespace kestrel::fuzz {

namespace {

// What the page may hold beyond what it held before the script: every received byte may stand
// in the printout buffer, in a log pane and in a work list, and a note about a line of a
// printout is a few times longer than the line (a short line can name a value that is not
// sent, in a sentence of 80 characters); and each event (an operation, a chunk, a timer tick)
// may add a note of fixed words with the element, the command in flight and the objects
// that may still be blocked. A page that holds more has copied text it was given over and
// over, and an endless session would run out of memory.
constexpr std::size_t kPerByteReceived = 16;
constexpr std::size_t kPerEvent = 512;

// Thrown past the page (not a std::exception, which the handlers' callers catch) when a
// finding is one already reported: the input ends there, and the fuzzer goes on looking for
// others instead of finding that one over and over.
struct OpenFinding {};

// KESTREL_FUZZ_OPEN: an extended regular expression for the messages of the open findings.
const std::regex* OpenFindings() {
  static const std::optional<std::regex> open = []() -> std::optional<std::regex> {
    const char* pattern = std::getenv("KESTREL_FUZZ_OPEN");
    if (pattern == nullptr || *pattern == '\0') return std::nullopt;
    return std::regex(pattern, std::regex::extended);
  }();
  return open ? &*open : nullptr;
}

// What a cap the client enforces says when it ends the connection.
constexpr std::string_view kClientCap = "the peer sent more than the client holds";

}  // namespace

std::size_t CapOf(std::uint8_t options) {
  static constexpr std::size_t kCaps[] = {64 * 1024, 16 * 1024, 4 * 1024, 1024};
  return kCaps[options >> 6];
}

void Holdings::Add(std::string_view name, std::size_t bytes) {
  bytes_ += bytes;
  if (bytes > largest_bytes_) {
    largest_bytes_ = bytes;
    largest_ = name;
  }
}

void Holdings::Add(std::string_view name, const controls::Memo& memo) {
  Add(name, memo.Text().size() + sizeof(std::size_t) * memo.LineCount());
}

void Holdings::Add(std::string_view name, const controls::ListBox& list) {
  std::size_t bytes = 0;
  for (const auto& item : list.Items()) bytes += item.size();
  Add(name, bytes);
}

void Holdings::Add(std::string_view name, const pages::Outcomes& outcomes) {
  std::size_t bytes = 0;
  for (const auto& outcome : outcomes.All()) {
    bytes += outcome.element.size() + outcome.ended_early.size();
    for (const auto* texts : {&outcome.problems, &outcome.maybe_blocked, &outcome.unsaved}) {
      for (const auto& text : *texts) bytes += text.size();
    }
  }
  Add(name, bytes);
}

Rig::Rig(fuzz::Page page, Login login, std::size_t cap)
    : page_kind_(page), login_(std::move(login)), cap_(cap) {}

bool Rig::Tracing() {
  static const bool tracing = std::getenv("KESTREL_FUZZ_TRACE") != nullptr;
  return tracing;
}

void Rig::Attach(controls::Timer& timer) {
  clock_.Attach(timer);
  timers_.push_back(&timer);
  timer.OnTimer = [this, inner = timer.OnTimer] {
    Event();
    if (inner) inner();
  };
}

void Rig::Buffer(const controls::Memo& memo, std::string name) {
  buffers_.emplace_back(&memo, std::move(name));
}

void Rig::SessionPane(const controls::Memo& memo, std::string name, int side) {
  session_panes_.push_back({&memo, std::move(name), side & 1});
}

void Rig::NoteConnects() {
  for (int side = 0; side < 2; ++side) {
    if (clients_[side].Connects() == connects_seen_[side]) continue;
    connects_seen_[side] = clients_[side].Connects();
    session_received_[side] = 0;
  }
}

void Rig::Fail(const std::string& why) {
  if (const std::regex* open = OpenFindings(); open != nullptr && std::regex_search(why, *open)) {
    if (Tracing()) std::fprintf(stderr, "*** open finding, input ended: %s\n", why.c_str());
    throw OpenFinding{};
  }
  std::fprintf(stderr, "\n*** session fuzz finding at operation %zu (%s):\n*** %s\n", step_,
               step_text_.c_str(), why.c_str());
  std::abort();
}

void Rig::Call(std::string_view what, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    const std::string message = error.what();
    if (message.find(kInjectedFailure) != std::string::npos) return;
    Fail(std::string(what) + " let an exception out: " + message);
  }
}

void Rig::Receive(int side, const std::string& bytes) {
  CountingClient& client = clients_[side];
  // The client never delivers an empty chunk, nor one after the connection ended.
  if (bytes.empty() || !client.Connected()) return;
  NoteConnects();
  received_ += bytes.size();
  session_received_[side] += bytes.size();
  Event();
  Call("the data handler", [&] { client.Receive(bytes); });
  CheckLinesAndBuffers();
}

void Rig::Run(const Operation& op) {
  using Kind = Operation::Kind;
  step_text_ = ToText({0, {op}});
  step_text_ = step_text_.substr(step_text_.find('\n') + 1);
  if (!step_text_.empty()) step_text_.pop_back();
  if (Tracing()) std::fprintf(stderr, "%s\n", step_text_.c_str());
  CountingClient& client = Client(op.Side());
  switch (op.kind) {
    case Kind::kReceive:
      Receive(op.Side(), op.bytes);
      break;
    case Kind::kReceiveRepeated:
      for (int k = 0; k < op.count && client.Connected(); ++k) Receive(op.Side(), op.bytes);
      break;
    case Kind::kAdvance:
      Call("a timer handler", [&] { clock_.Advance(op.Milliseconds()); });
      break;
    case Kind::kNextTimer: {
      int shortest = 0;
      for (const controls::Timer* timer : timers_) {
        if (timer->Enabled() && timer->Interval() > 0 &&
            (shortest == 0 || timer->Interval() < shortest)) {
          shortest = timer->Interval();
        }
      }
      if (shortest > 0) Call("a timer handler", [&] { clock_.Advance(shortest); });
      break;
    }
    case Kind::kClose:
      if (op.ByClient()) {
        Call("the disconnected handler", [&] { client.ClientEnds(std::string(kClientCap)); });
      } else {
        Call("the disconnected handler", [&] { client.PeerCloses(); });
      }
      break;
    case Kind::kStartStop:
      Call(op.Stop() ? "Stop" : "Start", [&] { page_->start_stop(op.Stop()); });
      break;
    case Kind::kConnectFails:
      if (client.Connecting()) {
        Call("the disconnected handler",
             [&] { client.ConnectFails(std::string(kInjectedFailure)); });
      }
      break;
    case Kind::kPage:
      if (page_->action) page_->action(op.argument);
      break;
  }
  Check();
}

void Rig::Play(const SessionScript& script, const Page& page) {
  page_ = &page;
  baseline_ = Held().Bytes();
  try {
    for (step_ = 0; step_ < script.operations.size(); ++step_) {
      ++events_;
      Run(script.operations[step_]);
    }
  } catch (const OpenFinding&) {
    return;
  }
  if (Tracing() && page.report) {
    std::fprintf(stderr, "--- the page's report:\n%s---\n", page.report().c_str());
  }
}

Holdings Rig::Held() {
  Holdings holdings;
  if (page_ != nullptr) page_->holdings(holdings);
  return holdings;
}

void Rig::CheckLines(int side) {
  CountingClient& client = clients_[side];
  for (const std::string& line : client.Sent()) {
    if (Tracing()) {
      std::fprintf(stderr, "  %s> %s\n", side == 1 ? "cellr " : "",
                   mml::EscapedForRecord(line).c_str());
    }
    const std::string fault = SentLineFault(page_kind_, login_, line);
    if (!fault.empty()) {
      Fail("the line \"" + mml::EscapedForRecord(line) + "\" went out: " + fault);
    }
  }
  if (Tracing()) {
    for (const std::string& note : client.notes) {
      std::fprintf(stderr, "  %snote: %s\n", side == 1 ? "cellr " : "",
                   mml::EscapedForRecord(note).c_str());
    }
  }
  // What was checked is forgotten, so that a long session does not grow the fakes.
  client.Forget();
  client.notes.clear();
}

void Rig::CheckLinesAndBuffers() {
  CheckLines(0);
  CheckLines(1);
  NoteConnects();
  for (const auto& [memo, name, side] : session_panes_) {
    // The password mask may hold back a tail of the last session until it ends.
    if (memo->Text().size() > session_received_[side] + kPassword.size()) {
      Fail("the pane " + name + " holds " + std::to_string(memo->Text().size()) +
           " bytes, more than the " + std::to_string(session_received_[side]) +
           " its session received: it still shows an earlier session");
    }
  }
  for (const auto& [memo, name] : buffers_) {
    if (memo->Text().size() > cap_) {
      Fail("the printout buffer " + name + " holds " + std::to_string(memo->Text().size()) +
           " bytes, past the cap of " + std::to_string(cap_));
    }
  }
}

void Rig::Check() {
  CheckLinesAndBuffers();
  const Holdings held = Held();
  const std::size_t bound = baseline_ + kPerByteReceived * received_ + kPerEvent * events_;
  if (held.Bytes() > bound) {
    Fail("the page holds " + std::to_string(held.Bytes()) + " bytes (most in " + held.Largest() +
         ": " + std::to_string(held.LargestBytes()) + ") after " + std::to_string(received_) +
         " bytes received and " + std::to_string(events_) + " events (bound " +
         std::to_string(bound) + ", " + std::to_string(baseline_) + " at the start)");
  }
}

}  // namespace kestrel::fuzz
