#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pages/proses/proses_page.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"
#include "tests/manual_clock.h"

namespace kestrel::proses::testing {

using kestrel::testing::RecordedMessages;
using kestrel::testing::RecordedSound;

// Plays the gateway and a BSC for the page: logs in, answers every command the page sends
// with the printout the test gave for it (or a plain "EXECUTED"), asks for confirmation of
// block, deblock and service commands, and cuts its output into chunks of `chunk` bytes.
// Time moves only when the page waits on one of its timers (the watchdog among them).
class Exchange {
 public:
  // How the session ends at the cut.
  enum class Cut { kPeerCloses, kStop, kSilence };

  explicit Exchange(std::size_t chunk = 4096) : chunk_(chunk) {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    properties.IpEdit.SetText("127.0.0.1");
    clock.Attach(page.Timer1);
    clock.Attach(page.ReleaseTimer);
    clock.Attach(page.BusyTimer);
    clock.Attach(page.WatchdogTimer);
  }

  // The answer to `command` (after its echo), without the closing prompt.
  std::map<std::string, std::string> printouts;
  // Commands answered with "FUNCTION BUSY" this many more times.
  std::map<std::string, int> busy;
  // Commands refused at once with this text ("NOT ACCEPTED\r\nFAULT CODE 17"): an order
  // then asks for no confirmation.
  std::map<std::string, std::string> refuse;
  // The answer to the confirmation of an order, when not "EXECUTED".
  std::map<std::string, std::string> confirm_answers;
  // The orders this exchange carried out and said so, in order.
  std::vector<std::string> executed;
  // At the answer after this many answers (if set), the session ends as `cut` says.
  int cut_after_answers = -1;
  Cut cut = Cut::kPeerCloses;
  // When false, Play returns as soon as the page waits on a timer, for the test to move time.
  bool auto_time = true;

  // Presses Start and plays until the page has nothing left to send.
  void Run() {
    page.StartpnlClick();
    Play();
  }
  void Play() {
    for (int guard = 0; guard < 10000; ++guard) {
      const auto connects = static_cast<std::size_t>(
          std::count(telnet.events.begin(), telnet.events.end(), "connect"));
      if (telnet.Connected() && connects > logins_) {
        logins_ = connects;
        LogIn();
        continue;
      }
      const auto sent = telnet.Sent();
      if (answered_ < sent.size()) {
        Answer(sent[answered_++]);
        continue;
      }
      if (!telnet.Connected()) return;
      if (auto_time && (page.ReleaseTimer.Enabled() || page.Timer1.Enabled() ||
                        page.BusyTimer.Enabled() || page.WatchdogTimer.Enabled())) {
        clock.Advance(NextTimer());
        continue;
      }
      return;
    }
    FAIL() << "the page never came to rest";
  }
  // The lines sent after the login of each session, in order.
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const auto& line : telnet.Sent()) {
      if (line != "ops1" && line != "pw" && !line.starts_with("NE=")) commands.push_back(line);
    }
    return commands;
  }

  kestrel::testing::FakeTelnetClient telnet;
  kestrel::testing::ManualClock clock;
  mml::PropertiesForm properties;
  pages::ReadForm read_form;
  controls::Panel broadcast_sheet;
  RecordedSound sound;
  RecordedMessages messages;
  ProsesPage page{telnet, properties, read_form, broadcast_sheet, sound, messages};

 private:
  void Deliver(const std::string& text) {
    for (std::size_t pos = 0; pos < text.size() && telnet.Connected(); pos += chunk_) {
      telnet.Receive(text.substr(pos, chunk_));
    }
  }
  void LogIn() {
    silent_ = false;
    awaiting_.clear();
    Deliver("\r\nUser: ");
    Deliver("\r\nPassword: ");
    Deliver("\r\nNE: ");
    Deliver("\r\nWO      BSC9              AD-739  TIME 261206 093001\r\n<");
  }
  void Answer(const std::string& line) {
    if (line == "ops1" || line == "pw" || line.starts_with("NE=")) return;
    if (silent_) return;
    if (cut_after_answers >= 0 && answers_++ >= cut_after_answers) {
      cut_after_answers = -1;
      switch (cut) {
        case Cut::kPeerCloses:
          return telnet.PeerCloses();
        case Cut::kStop:
          return page.StartpnlClick();
        case Cut::kSilence:
          silent_ = true;
          return;
      }
    }
    if (line == "\x04") return;  // the dialogue ends; the empty line brings the prompt back
    if (line.empty()) return Deliver("\r\n<");
    if (line == ";") {
      if (awaiting_.empty()) return Deliver(";\r\n\r\n<");  // nothing to confirm
      const std::string order = std::exchange(awaiting_, {});
      const auto found = confirm_answers.find(order);
      const std::string answer = found != confirm_answers.end() ? found->second : "EXECUTED";
      Deliver(";\r\n\r\n" + answer + "\r\n\r\n<");
      if (answer == "EXECUTED") executed.push_back(order);
      return;
    }
    Deliver(line + "\r\n");
    if (const auto refused = refuse.find(line); refused != refuse.end()) {
      return Deliver("\r\n" + refused->second + "\r\n\r\n<");
    }
    const std::string verb = line.substr(0, 5);
    if (verb == "RXBLI" || verb == "RXBLE" || verb == "RXESE" || verb == "RXESI") {
      awaiting_ = line;
      return Deliver("\r\n<");  // asks for confirmation
    }
    if (busy[line] > 0) {
      --busy[line];
      return Deliver("\r\nFUNCTION BUSY\r\n\r\n<");
    }
    const auto found = printouts.find(line);
    Deliver(found != printouts.end() ? "\r\n" + found->second + "END\r\n\r\n<"
                                     : "\r\nEXECUTED\r\n\r\n<");
  }
  int NextTimer() const {
    int next = 1 << 30;
    for (const controls::Timer* timer :
         {&page.Timer1, &page.ReleaseTimer, &page.BusyTimer, &page.WatchdogTimer}) {
      if (timer->Enabled()) next = std::min(next, timer->Interval());
    }
    return next;
  }

  std::size_t chunk_;
  std::size_t answered_ = 0;
  std::size_t logins_ = 0;
  int answers_ = 0;
  bool silent_ = false;
  std::string awaiting_;  // the order whose confirmation the exchange waits for
};

// Printouts in the exchange's layout.
inline std::string OutageList(const std::vector<std::string>& cells) {
  std::string text = "ALARM LIST\r\n\r\n";
  int number = 400;
  for (const auto& cell : cells) {
    text += "A2/EXT \"BSC9\" " + std::to_string(number++) + " 261206   0915\r\n";
    text += "CELL LOGICAL CHANNEL AVAILABILITY SUPERVISION\r\n\r\n";
    text += "CELL     SCTYPE  CHTYPE  CHRATE  SPV\r\n" + cell + "          SDCCH\r\n\r\n";
  }
  return text;
}

inline std::string CellCheck(const std::string& cell, const std::string& sdcch,
                             const std::string& tch) {
  auto pad = [](std::string text, std::size_t width) {
    text.resize(std::max(width, text.size()), ' ');
    return text;
  };
  return "CELL LOGICAL CHANNELS AVAILABILITY SUPERVISION\r\n\r\nCELL       SCTYPE\r\n" + cell +
         "\r\n\r\nACTIVE     CHTYPE  CHRATE  SPV    NCH    LVA\r\n"
         "YES        BCCH                   1\r\n" +
         pad("           SDCCH", 34) + sdcch + "\r\n" + pad("           TCH     FR      1", 34) +
         tch + "\r\n\r\n";
}

inline std::string TgOfCell(const std::string& cell, const std::string& tg) {
  return "RADIO X-CEIVER ADMINISTRATION\r\nTG TO CHANNEL GROUP CONNECTION DATA\r\n\r\n"
         "MO               CELL     CHGR\r\nRXOTG-" +
         tg + std::string(11 - tg.size(), ' ') + cell + "  0\r\n\r\n";
}

inline std::string FaultyObjects(const std::vector<std::string>& objects) {
  std::string text = "RADIO X-CEIVER ADMINISTRATION\r\nMANAGED OBJECT FAULT INFORMATION\r\n\r\n";
  for (const auto& object : objects) {
    text += "MO                BTSSWVER\r\n" + object + "\r\n\r\nFAULT CODES CLASS 2A\r\n4\r\n\r\n";
  }
  return text;
}

}  // namespace kestrel::proses::testing

namespace kestrel::proses::testing {

// A BSC with work for either procedure: for RXTEI a cell whose TG has a transceiver and a
// timeslot faulty; for RXLTI a timeslot and a transceiver.
inline void BscWithWork(Exchange& exchange, bool rxtei) {
  exchange.page.ListBox1.Add("BSC9");
  exchange.page.Rxteirbtn.SetChecked(rxtei);
  exchange.page.Rxltirbtn.SetChecked(!rxtei);
  exchange.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09101A"});
  exchange.printouts["RLSLP:CELL=C09101A;"] = CellCheck("C09101A", "7", "14");
  exchange.printouts["RXTCP:MOTY=RXOTG,CELL=C09101A;"] = TgOfCell("C09101A", "12");
  exchange.printouts["RXMFP:MO=RXOTG-12,SUBORD,FAULTY;"] =
      FaultyObjects({"RXOTRX-12-0", "RXOTS-12-0-1"});
  exchange.printouts["RXASP:MOTY=RXOTG;"] =
      "MO                 FAULT\r\nRXOTS-12-0-1       TS SYNC FAULT\r\nRXOTRX-12-1        "
      "PERMANENT FAULT\r\n";
}

// What the exchange saw: the objects whose block or end of service the page sent and whose
// deblock or start of service the exchange did not carry out and confirm.
inline std::set<std::string> Unconfirmed(const Exchange& exchange) {
  std::set<std::string> objects;
  auto confirmed = [&](const std::string& undo) {
    return std::find(exchange.executed.begin(), exchange.executed.end(), undo) !=
           exchange.executed.end();
  };
  for (const auto& command : exchange.Commands()) {
    const bool block = command.starts_with("RXBLI:MO=");
    if (!block && !command.starts_with("RXESE:MO=")) continue;
    const std::string object = command.substr(9, command.find_first_of(",;") - 9);
    if (!confirmed((block ? "RXBLE:MO=" : "RXESI:MO=") + object + ";")) objects.insert(object);
  }
  return objects;
}

// The objects a note or message line names after "May still be blocked: " (or "... on
// BSC9: "), up to the end of the sentence.
inline std::set<std::string> NamedAsBlocked(std::string_view text) {
  std::set<std::string> objects;
  const std::size_t at = text.find("May still be blocked");
  if (at == std::string_view::npos) return objects;
  std::size_t from = text.find(": ", at) + 2;
  const std::size_t end = std::min(text.find(". ", from), text.find('\n', from));
  const std::string_view list = text.substr(from, end - from);
  for (std::size_t pos = 0; pos <= list.size();) {
    const std::size_t blank = std::min(list.find(' ', pos), list.size());
    if (blank > pos) objects.emplace(list.substr(pos, blank - pos));
    pos = blank + 1;
  }
  return objects;
}

// The lines of the output pane that start with `prefix`.
inline std::vector<std::string> PaneLines(const ProsesPage& page, std::string_view prefix) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < page.OutMemo.LineCount(); ++i) {
    if (page.OutMemo.Line(i).starts_with(prefix)) lines.emplace_back(page.OutMemo.Line(i));
  }
  return lines;
}

}  // namespace kestrel::proses::testing
