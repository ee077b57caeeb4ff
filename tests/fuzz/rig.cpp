#include "tests/fuzz/rig.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <variant>

#include "mml/session_record.h"
#include "mml/shapes.h"

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

// The shapes of the values a page reads from a printout, as forms.txt names them.
bool NumberAfter(std::string_view value, std::string_view prefix) {
  return value.starts_with(prefix) && mml::IsNumber(value.substr(prefix.size()), 4);
}

using Shape = bool (*)(std::string_view);
const std::map<std::string, Shape, std::less<>> kShapes = {
    {"cell", [](std::string_view v) { return mml::IsCellName(v); }},
    {"cell-or-all", [](std::string_view v) { return v == "ALL" || mml::IsCellName(v); }},
    {"route", [](std::string_view v) { return mml::IsRouteName(v); }},
    {"number4", [](std::string_view v) { return mml::IsNumber(v, 4); }},
    {"number5", [](std::string_view v) { return mml::IsNumber(v, 5); }},
    {"path", [](std::string_view v) { return mml::IsPathName(v); }},
    {"event", [](std::string_view v) { return mml::IsEventCode(v); }},
    {"object", [](std::string_view v) { return mml::IsManagedObject(v); }},
    {"tg", [](std::string_view v) { return NumberAfter(v, "RXOTG-"); }},
    {"cf", [](std::string_view v) { return NumberAfter(v, "RXOCF-"); }},
};

// A command as forms.txt lists it, written as the page writes it: "RXBLI:MO=<object>,FORCE;".
struct Form {
  std::string pages;  // ",proses,dailycheck,"
  std::string code;
  std::string text;
};

// The forms of KESTREL_FUZZ_FORMS, else of the forms.txt beside this file.
const std::vector<Form>& Forms() {
  static const std::vector<Form> forms = [] {
    const char* path = std::getenv("KESTREL_FUZZ_FORMS");
    std::ifstream in(path != nullptr ? path : KESTREL_FUZZ_DIR "/forms.txt");
    if (!in) throw std::runtime_error("the command forms cannot be read");
    std::vector<Form> read;
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      Form form;
      if (line.starts_with('#') || !(words >> form.pages >> form.code)) continue;
      form.pages = "," + form.pages + ",";
      form.text = form.code;
      char separator = ':';
      for (std::string parameter; words >> parameter; separator = ',') {
        form.text += separator + parameter;
      }
      form.text += ';';
      for (auto open = form.text.find('<'); open != std::string::npos;
           open = form.text.find('<', open + 1)) {
        if (!kShapes.contains(form.text.substr(open + 1, form.text.find('>', open) - open - 1))) {
          throw std::runtime_error("the form of " + form.code + " names no known shape");
        }
      }
      read.push_back(std::move(form));
    }
    return read;
  }();
  return forms;
}

// Why `line` does not fit `form`; empty when it does. A shape stands for the value up to the
// next "," or ";".
std::string FormFault(std::string_view form, std::string_view line) {
  const std::string whole(form);
  for (std::size_t open; (open = form.find('<')) != std::string_view::npos;) {
    if (line.substr(0, open) != form.substr(0, open)) break;
    const std::size_t close = form.find('>', open);
    const std::size_t end = std::min(line.find_first_of(",;", open), line.size());
    const std::string_view shape = form.substr(open + 1, close - open - 1);
    const std::string_view value = line.substr(open, end - open);
    if (!kShapes.find(shape)->second(value)) {
      return "the value \"" + std::string(value) + "\" is not " + std::string(shape);
    }
    form.remove_prefix(close + 1);
    line.remove_prefix(end);
  }
  return form == line ? "" : "not as the page builds " + whole;
}

std::string CommandFault(std::string_view page, std::string_view line) {
  if (!line.ends_with(';')) return "not a command of this page: no closing \";\"";
  const std::string_view code = line.substr(0, line.find_first_of(":;"));
  const std::string listed = "," + std::string(page) + ",";
  std::string fault = "\"" + std::string(code) + "\" is not a command this page sends";
  for (const Form& form : Forms()) {
    if (form.code != code || form.pages.find(listed) == std::string::npos) continue;
    fault = FormFault(form.text, line);
    if (fault.empty()) return {};
  }
  return fault;
}

// Why `page` ("proses", "dailycheck", ...) must not have sent `line`; empty when it may. A line
// may be empty, ";" or Ctrl-D alone (the pages that confirm orders and release the element), a
// login answer (kUser, kPassword, "NE=" and one of `elements`), or one of the page's MML commands
// as forms.txt lists them, "CODE:KEY=VALUE,...;", with its parameters in the order the page builds
// them and every value read from a printout in the shape of what it stands for. Anything else is a
// fault, so that a value that changes an order never goes unnoticed.
std::string SentLineFault(std::string_view page, const Elements& elements, std::string_view line) {
  // The pages that confirm orders with ";", release the element with Ctrl-D and bring the
  // prompt back with an empty line.
  const bool dialogue = page == "proses" || page == "dailycheck";
  if (line == "\x04") return dialogue ? "" : "Ctrl-D, which this page never sends";
  for (std::size_t k = 0; k < line.size(); ++k) {
    const auto c = static_cast<unsigned char>(line[k]);
    if (c < 0x20 || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02x", c);
      return "holds the control character " + std::string(hex) + " at " + std::to_string(k);
    }
  }
  if (line.empty() || line == ";") {
    return dialogue ? "" : "\"" + std::string(line) + "\", which this page never sends";
  }
  if (line == kUser || line == kPassword) return {};
  if (line.starts_with("NE=")) {
    const std::string_view element = line.substr(3);
    if (std::find(elements.begin(), elements.end(), element) != elements.end()) return {};
    return "selects the element \"" + std::string(element) + "\", which was not chosen";
  }
  return CommandFault(page, line);
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
