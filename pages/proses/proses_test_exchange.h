#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "pages/proses/proses_page.h"
#include "tests/fake_telnet.h"
#include "tests/manual_clock.h"

namespace kestrel::proses::testing {

struct RecordedSound : platform::Sound {
  std::vector<std::pair<int, int>> beeps;
  void Beep(int hz, int ms) override { beeps.emplace_back(hz, ms); }
  void PlayToEnd(const std::string&) override {}
  void Start(const std::string&) override {}
};

struct RecordedMessages : platform::Messages {
  std::vector<std::string> shown;
  void Show(std::string_view text) override { shown.emplace_back(text); }
};

// Plays the gateway and a BSC for the page: logs in, answers every command the page sends
// with the printout the test gave for it (or a plain "EXECUTED"), asks for confirmation of
// block, deblock and service commands, and cuts its output into chunks of `chunk` bytes.
// Time moves only when the page waits on one of its timers.
class Exchange {
 public:
  explicit Exchange(std::size_t chunk = 4096) : chunk_(chunk) {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    properties.IpEdit.SetText("127.0.0.1");
    clock.Attach(page.Timer1);
    clock.Attach(page.ReleaseTimer);
    clock.Attach(page.BusyTimer);
  }

  // The answer to `command` (after its echo), without the closing prompt.
  std::map<std::string, std::string> printouts;
  // Commands answered with "FUNCTION BUSY" this many more times.
  std::map<std::string, int> busy;
  // Drops the connection after this many answers, if set.
  int drop_after_answers = -1;
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
      if (auto_time &&
          (page.ReleaseTimer.Enabled() || page.Timer1.Enabled() || page.BusyTimer.Enabled())) {
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
    Deliver("\r\nUser: ");
    Deliver("\r\nPassword: ");
    Deliver("\r\nNE: ");
    Deliver("\r\nWO      BSC9              AD-739  TIME 261206 093001\r\n<");
  }
  void Answer(const std::string& line) {
    if (line == "ops1" || line == "pw" || line.starts_with("NE=")) return;
    if (drop_after_answers >= 0 && answers_++ >= drop_after_answers) {
      telnet.PeerCloses();
      return;
    }
    if (line == "\x04") return;  // the dialogue ends; the empty line brings the prompt back
    if (line.empty()) return Deliver("\r\n<");
    if (line == ";") return Deliver(";\r\n\r\nEXECUTED\r\n\r\n<");
    Deliver(line + "\r\n");
    const std::string verb = line.substr(0, 5);
    if (verb == "RXBLI" || verb == "RXBLE" || verb == "RXESE" || verb == "RXESI") {
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
    for (const controls::Timer* timer : {&page.Timer1, &page.ReleaseTimer, &page.BusyTimer}) {
      if (timer->Enabled()) next = std::min(next, timer->Interval());
    }
    return next;
  }

  std::size_t chunk_;
  std::size_t answered_ = 0;
  std::size_t logins_ = 0;
  int answers_ = 0;
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
