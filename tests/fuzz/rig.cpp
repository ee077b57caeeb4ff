#include "tests/fuzz/rig.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <regex>
#include <variant>

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

const bool kTracing = std::getenv("KESTREL_FUZZ_TRACE") != nullptr;

void Trace(const std::string& what) {
  if (kTracing) std::fprintf(stderr, "%s\n", what.c_str());
}

bool Ticks(const controls::Timer* timer) { return timer->Enabled() && timer->Interval() > 0; }

std::size_t BytesOf(const controls::Memo* memo) {
  return memo->Text().size() + sizeof(std::size_t) * memo->LineCount();
}

std::size_t BytesOf(const controls::ListBox* list) {
  std::size_t held = 0;
  for (const auto& item : list->Items()) held += item.size();
  return held;
}

std::size_t BytesOf(const pages::Outcomes* outcomes) {
  std::size_t held = 0;
  for (const auto& outcome : outcomes->All()) {
    held += outcome.element.size() + outcome.ended_early.size();
    for (const auto* texts : {&outcome.problems, &outcome.maybe_blocked, &outcome.unsaved}) {
      for (const auto& text : *texts) held += text.size();
    }
  }
  return held;
}

std::size_t BytesOf(const std::string* text) { return text->size(); }
std::size_t BytesOf(const std::function<std::size_t()>& count) { return count(); }

// What a page holds in all, and its largest holding, for the message of a finding.
struct Holdings {
  std::size_t bytes = 0;
  std::string largest;
  std::size_t largest_bytes = 0;

  explicit Holdings(const Page& page) {
    for (const auto& pane : page.panes) Add(pane.name, BytesOf(pane.memo));
    for (const auto& [name, holding] : page.held) {
      Add(name, std::visit([](const auto& what) { return BytesOf(what); }, holding));
    }
  }
  void Add(const std::string& name, std::size_t held) {
    bytes += held;
    if (held > largest_bytes) {
      largest_bytes = held;
      largest = name;
    }
  }
};

}  // namespace

Rig::Rig(std::string page, std::uint8_t options) : page_name_(std::move(page)) {
  static constexpr std::size_t kCaps[] = {64 * 1024, 16 * 1024, 4 * 1024, 1024};
  cap_ = kCaps[options >> 6];
}

void Rig::Fail(const std::string& why) {
  // KESTREL_FUZZ_OPEN: an extended regular expression for the messages of the open findings.
  static const std::optional<std::regex> open = []() -> std::optional<std::regex> {
    const char* pattern = std::getenv("KESTREL_FUZZ_OPEN");
    if (pattern == nullptr || *pattern == '\0') return std::nullopt;
    return std::regex(pattern, std::regex::extended);
  }();
  // Thrown past the page: not a std::exception, which the handlers' callers catch.
  if (open && std::regex_search(why, *open)) {
    Trace("*** open finding, input ended: " + why);
    throw Finding{true};
  }
  std::fprintf(stderr, "\n*** session fuzz finding at %s:\n*** %s\n", step_.c_str(), why.c_str());
  throw Finding{};
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

void Rig::Run(const Operation& op) {
  using Kind = Operation::Kind;
  auto& client = Client(op.Side());
  switch (op.kind) {
    case Kind::kReceive:
    case Kind::kReceiveRepeated:
      // The client never delivers an empty chunk, nor one after the connection ended.
      for (int k = 0; k < std::max(op.count, 1) && !op.bytes.empty() && client.Connected(); ++k) {
        received_ += op.bytes.size();
        sides_[op.Side()].received += op.bytes.size();
        ++events_;
        Call("the data handler", [&] { client.Receive(op.bytes); });
        CheckLinesAndBuffers();
      }
      break;
    case Kind::kAdvance:
      Call("a timer handler", [&] { clock_.Advance(op.Milliseconds()); });
      break;
    case Kind::kNextTimer: {
      int shortest = 0;
      for (const controls::Timer* timer : page_.timers) {
        if (Ticks(timer) && (shortest == 0 || timer->Interval() < shortest)) {
          shortest = timer->Interval();
        }
      }
      if (shortest > 0) Call("a timer handler", [&] { clock_.Advance(shortest); });
      break;
    }
    case Kind::kClose:
      Call("the disconnected handler", [&] {
        // What a cap the client enforces says when it ends the connection.
        op.ByClient() ? client.ClientEnds("the peer sent more than the client holds")
                      : client.PeerCloses();
      });
      break;
    case Kind::kStartStop:
      Call(op.Stop() ? "Stop" : "Start", [&] {
        if (page_.start_stop) {
          page_.start_stop(op.Stop());
        } else if (op.Stop() == (page_.button->Caption() == "Stop")) {
          page_.click();
        }
      });
      break;
    case Kind::kConnectFails:
      if (client.Connecting()) {
        Call("the disconnected handler",
             [&] { client.ConnectFails(std::string(kInjectedFailure)); });
      }
      break;
    case Kind::kPage:
      if (op.argument < page_.actions.size()) {
        Call("page action " + std::to_string(op.argument), page_.actions[op.argument]);
      }
      break;
  }
  Check();
}

void Rig::Play(const SessionScript& script, Page page) {
  page_ = std::move(page);
  for (controls::Timer* timer : page_.timers) {
    clock_.Attach(*timer);
    timer->OnTimer = [this, inner = timer->OnTimer] {
      ++events_;
      if (inner) inner();
    };
  }
  baseline_ = Holdings(page_).bytes;
  try {
    for (std::size_t k = 0; k < script.operations.size(); ++k) {
      step_ = "operation " + std::to_string(k) + " (" + ToText(script.operations[k]) + ")";
      Trace(ToText(script.operations[k]));
      ++events_;
      Run(script.operations[k]);
    }
  } catch (const Finding& finding) {
    if (!finding.open) throw;
    return;
  }
  if (page_.report) Trace("--- the page's report:\n" + page_.report() + "---");
}

void Rig::CheckLinesAndBuffers() {
  for (int side = 0; side < 2; ++side) {
    Side& s = sides_[side];
    const std::string prefix = side == 1 ? "  cellr " : "  ";
    for (const std::string& line : s.client.Sent()) {
      Trace(prefix + "> " + mml::EscapedForRecord(line));
      const std::string fault = SentLineFault(page_name_, page_.elements, line);
      if (!fault.empty())
        Fail("the line \"" + mml::EscapedForRecord(line) + "\" went out: " + fault);
    }
    for (const std::string& note : s.client.notes)
      Trace(prefix + "note: " + mml::EscapedForRecord(note));
    const auto& events = s.client.events;
    if (std::find(events.begin(), events.end(), "connect") != events.end()) s.received = 0;
    // What was checked is forgotten, so that a long session does not grow the fakes.
    s.client.Forget();
    s.client.notes.clear();
  }
  for (const auto& [name, memo, side] : page_.panes) {
    const std::size_t size = memo->Text().size();
    if (side < 0 && size > cap_) {
      Fail("the printout buffer " + name + " holds " + std::to_string(size) +
           " bytes, past the cap of " + std::to_string(cap_));
    }
    // The password mask may hold back a tail of the last session until it ends.
    if (side >= 0 && size > sides_[side].received + kPassword.size()) {
      Fail("the pane " + name + " holds " + std::to_string(size) + " bytes, more than the " +
           std::to_string(sides_[side].received) +
           " its session received: it still shows an earlier session");
    }
  }
}

void Rig::Check() {
  CheckLinesAndBuffers();
  const auto connected = [](const Side& side) { return side.client.Connected(); };
  const bool runs = page_.runs ? page_.runs() : page_.button->Caption() == "Stop";
  if (runs && std::none_of(sides_.begin(), sides_.end(), connected) &&
      std::none_of(page_.timers.begin(), page_.timers.end(), Ticks)) {
    Fail("the job runs on with no connection and no timer running: nothing moves it on");
  }
  const Holdings held(page_);
  const std::size_t bound = baseline_ + kPerByteReceived * received_ + kPerEvent * events_;
  if (held.bytes > bound) {
    Fail("the page holds " + std::to_string(held.bytes) + " bytes (most in " + held.largest + ": " +
         std::to_string(held.largest_bytes) + ") after " + std::to_string(received_) +
         " bytes received and " + std::to_string(events_) + " events (bound " +
         std::to_string(bound) + ", " + std::to_string(baseline_) + " at the start)");
  }
}

}  // namespace kestrel::fuzz
