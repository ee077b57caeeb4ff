#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "pages/broadcast/broadcast_page.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"

namespace kestrel::broadcast::testing {

// The printouts of a BSC whose cells have NUMREQEGPRSBPC rows and ID 50 messages.
struct Bsc {
  std::vector<std::pair<std::string, std::vector<std::string>>> cells;  // name, NUMREQEGPRSBPC rows
  std::map<std::string, std::vector<std::string>> codes;                // cell -> codes of ID 50
  std::map<std::string, std::string> texts;  // code -> text; a code without one has no TEXT
  bool page_break_under_heading = false;
  std::map<std::string, std::string> refused = {};  // command -> the element's refusal lines
  std::set<std::string> cut_off = {};               // commands whose printout stops before END
  // The heading line of a message text; the texts are then its rows as printed.
  std::string text_heading = "TEXT" + std::string(30, ' ');

  std::string Answer(const std::string& command) const {
    const std::string wo = "WO      BSC9              AD-739  TIME 261206 093001\r\n";
    std::string text = command + "\r\n\r\n";
    if (const auto refusal = refused.find(command); refusal != refused.end()) {
      return text + refusal->second + "\r\n<";
    }
    if (command == "RLBDP:CELL=ALL;") {
      text += "CELL PACKET DATA\r\n\r\n";
      for (const auto& [cell, rows] : cells) {
        text += "CELL\r\n" + cell + "\r\n\r\nNUMREQEGPRSBPC  NUMREQBPC\r\n";
        if (page_break_under_heading) text += wo;
        // Three rows in a block, empty where the cell has fewer.
        for (std::size_t k = 0; k < 3; ++k) {
          text += k < rows.size() ? (rows[k] + "                ").substr(0, 16) + "8\r\n" : "\r\n";
        }
        text += "\r\n";
      }
    } else if (command.starts_with("RLMTP:CELL=")) {
      const std::string cell = command.substr(11, command.find(',') - 11);
      text += "CELL BROADCAST MESSAGE DATA\r\n\r\nCELL\r\n" + cell +
              "\r\n\r\nID     CODE  GS    LANG\r\n";
      text += "01     900   0     EN\r\n";
      if (const auto found = codes.find(cell); found != codes.end()) {
        for (const auto& code : found->second)
          text += "50     " + (code + "      ").substr(0, 6) + "0     EN\r\n";
      }
      text += "\r\n";
    } else {
      const std::string code = command.substr(17, command.find(",GS") - 17);
      text +=
          "CELL BROADCAST MESSAGE\r\n\r\nID     CODE  GS    PAGE\r\n50     " + code + "\r\n\r\n";
      if (const auto found = texts.find(code); found != texts.end()) {
        text += text_heading + "\r\n" + found->second + "\r\n\r\n";
      }
    }
    if (cut_off.contains(command)) return text + "<";
    return text + "END\r\n\r\n<";
  }
};

// A page on a fake client, set to check BSC9 as "ops1" with the password "pw".
struct BroadcastHarness {
  BroadcastHarness() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    page.BscComboBox.SetText("BSC9");
    page.SetMessages(messages);
  }
  // Starts a check and answers every command, in chunks of `chunk` bytes, until the session
  // ends.
  void RunCheck(const Bsc& bsc, std::size_t chunk = 4096) {
    page.StartButtonClick();
    telnet.ReceiveInChunks("User: Password: NE: ", chunk);
    telnet.ReceiveInChunks("\r\n<", chunk);
    for (std::size_t answered = 3; telnet.Connected() && answered < telnet.Sent().size();) {
      telnet.ReceiveInChunks(bsc.Answer(telnet.Sent()[answered++]), chunk);
    }
  }
  std::vector<std::string> Commands() const {
    return {telnet.Sent().begin() + 3, telnet.Sent().end()};
  }
  bool Clean() const {
    const auto* outcome = page.Outcomes.Find("BSC9");
    return outcome != nullptr && outcome->Clean();
  }

  kestrel::testing::FakeTelnetClient telnet;
  mml::PropertiesForm properties;
  kestrel::testing::RecordedMessages messages;
  BroadcastPage page{telnet, properties};
};

}  // namespace kestrel::broadcast::testing
