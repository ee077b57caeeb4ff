#pragma once

#include <algorithm>
#include <climits>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pages/proses/proses_page.h"
#include "pages/shared/page_test_cases.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"
#include "tests/manual_clock.h"

namespace kestrel::proses::testing {

using pages::testing::DataCase;

// A case of tests/data/pages/proses-runs.txt.
inline const DataCase& Case(const std::string& name) {
  static const std::vector<DataCase> kRuns = pages::testing::DataCases("proses-runs.txt");
  for (const DataCase& run : kRuns) {
    if (run.name == name) return run;
  }
  throw std::invalid_argument("proses-runs.txt has no case " + name);
}

// Plays the gateway and BSC9: logs in, answers each command with its printout (or EXECUTED),
// asks to confirm orders, cuts its text into chunks; time moves only in the page's pauses.
class Exchange {
 public:
  // BSC9 queued for the procedure the run is named for, with the printouts of that procedure's
  // run and then those of `run`.
  explicit Exchange(const std::string& run = "rxlti", std::size_t chunk = 4096) : chunk_(chunk) {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    properties.IpEdit.SetText("127.0.0.1");
    for (auto* timer : {&page.Timer1, &page.ReleaseTimer, &page.BusyTimer, &page.WatchdogTimer})
      clock.Attach(*timer);
    const bool rxtei = run.starts_with("rxtei");
    page.Rxteirbtn.SetChecked(rxtei);
    page.Rxltirbtn.SetChecked(!rxtei);
    page.FilterListBox.Add("  C09103C ");
    page.ListBox1.Add("BSC9");
    Load(rxtei ? "rxtei" : "rxlti");
    if (run != "rxtei" && run != "rxlti") Load(run);
  }
  // Takes over from the run `name` the printouts, the answers to confirmations ("confirm
  // ORDER") and the lines of "busy" (answered FUNCTION BUSY once), "queue", "filter" and
  // "untick" (boxes).
  void Load(const std::string& name) {
    const DataCase& run = Case(name);
    for (const auto& [part, lines] : run.parts) {
      if (part.ends_with(';')) printouts[part] = run.Text(part);
      if (part.starts_with("confirm ")) confirm_answers[part.substr(8)] = lines.at(0);
      for (const std::string& line : lines) {
        if (part == "busy") ++busy[line];
        if (part == "queue") page.ListBox1.Add(line);
        if (part == "filter") page.FilterListBox.Add(line);
        if (part == "untick") (line == "BEEP" ? page.BeepCheckBox : page.Cfcbox).SetChecked(false);
      }
    }
  }

  std::map<std::string, std::string> printouts;  // the answer to a command, after its echo
  std::map<std::string, int> busy;  // commands answered "FUNCTION BUSY" this many more times
  // Commands refused at once with this text: an order then asks for no confirmation.
  std::map<std::string, std::string> refuse;
  // The answer to the confirmation of an order, when not "EXECUTED".
  std::map<std::string, std::string> confirm_answers;
  bool auto_time = true;  // when false, Play returns when the page pauses

  // Presses Start and plays `moves` moves (an answer, or the end of a pause), or until the
  // page has nothing left to send.
  void Run(int moves = INT_MAX) {
    page.StartpnlClick();
    Play(moves);
  }
  void Play(int moves = INT_MAX) {
    for (int guard = 0; guard < 10000; ++guard) {
      if (telnet.Connecting()) {           // a new session logs in
        answered_ = telnet.Sent().size();  // what the last session left unanswered
        awaiting_.clear();
        for (const char* text : {"\r\nUser: ", "\r\nPassword: ", "\r\nNE: ",
                                 "\r\nWO      BSC9              AD-739  TIME 261206 093001\r\n<"}) {
          telnet.ReceiveInChunks(text, chunk_);
        }
      } else if (answered_ < telnet.Sent().size()) {
        const std::string line = telnet.Sent()[answered_];
        if (!IsLogin(line) && line != "\x04") {  // Ctrl-D gets no answer
          if (moves_ >= moves) return;
          ++moves_;
          const auto [echo, rest] = Reply(line);
          telnet.ReceiveInChunks(echo, chunk_);
          telnet.ReceiveInChunks(rest, chunk_);
        }
        ++answered_;
      } else if (telnet.Connected() && auto_time &&
                 (page.ReleaseTimer.Enabled() || page.Timer1.Enabled() ||
                  page.BusyTimer.Enabled())) {
        if (moves_ >= moves) return;
        ++moves_;
        int next = INT_MAX;
        for (const controls::Timer* timer : {&page.Timer1, &page.ReleaseTimer, &page.BusyTimer}) {
          if (timer->Enabled()) next = std::min(next, timer->Interval());
        }
        clock.Advance(next);
      } else {
        return;
      }
    }
    FAIL() << "the page never came to rest";
  }
  // Plays move by move until `line` is the last line sent.
  void PlayUntil(const std::string& line) {
    for (int guard = 0; guard < 1000 && telnet.Sent().back() != line; ++guard) Play(moves_ + 1);
  }
  // Delivers the first half of the answer to the line in flight; false in a pause.
  bool Half() {
    if (answered_ == telnet.Sent().size()) return false;  // nothing in flight
    const auto [echo, rest] = Reply(telnet.Sent().back());
    telnet.Receive((echo + rest).substr(0, (echo.size() + rest.size()) / 2));
    return true;
  }
  // The lines sent after the login of each session, in order.
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const auto& line : telnet.Sent())
      if (!IsLogin(line)) commands.push_back(line);
    return commands;
  }

  kestrel::testing::FakeTelnetClient telnet;
  kestrel::testing::ManualClock clock;
  mml::PropertiesForm properties;
  pages::ReadForm read_form;
  controls::Panel broadcast_sheet;
  kestrel::testing::RecordedSound sound;
  kestrel::testing::RecordedMessages messages;
  ProsesPage page{telnet, properties, read_form, broadcast_sheet, sound, messages};

 private:
  static bool IsLogin(const std::string& line) {
    return line == "ops1" || line == "pw" || line.starts_with("NE=");
  }
  // The echo of `line` and the rest of its answer.
  std::pair<std::string, std::string> Reply(const std::string& line) {
    if (line.empty()) return {"", "\r\n<"};
    if (line == ";") {
      if (awaiting_.empty()) return {"", ";\r\n\r\n<"};  // nothing to confirm
      const auto found = confirm_answers.find(std::exchange(awaiting_, {}));
      return {"", ";\r\n\r\n" + (found != confirm_answers.end() ? found->second : "EXECUTED") +
                      "\r\n\r\n<"};
    }
    const std::string echo = line + "\r\n";
    if (const auto refused = refuse.find(line); refused != refuse.end()) {
      return {echo, "\r\n" + refused->second + "\r\n\r\n<"};
    }
    const std::string verb = line.substr(0, 5);
    if (verb == "RXBLI" || verb == "RXBLE" || verb == "RXESE" || verb == "RXESI") {
      awaiting_ = line;
      return {echo, "\r\n<"};  // asks for confirmation
    }
    if (busy[line] > 0) {
      --busy[line];
      return {echo, "\r\nFUNCTION BUSY\r\n\r\n<"};
    }
    const auto found = printouts.find(line);
    return {echo, found != printouts.end() ? "\r\n" + found->second + "END\r\n\r\n<"
                                           : "\r\nEXECUTED\r\n\r\n<"};
  }

  std::size_t chunk_;
  std::size_t answered_ = 0;
  int moves_ = 0;
  std::string awaiting_;  // the order whose confirmation the exchange waits for
};

// The lines of the output pane that start with `prefix`.
inline std::vector<std::string> PaneLines(const ProsesPage& page, std::string_view prefix) {
  std::vector<std::string> lines;
  for (const std::string& line : page.OutMemo.Lines())
    if (line.starts_with(prefix)) lines.push_back(line);
  return lines;
}

}  // namespace kestrel::proses::testing
