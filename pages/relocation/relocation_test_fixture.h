#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pages/relocation/relocation_page.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"

namespace kestrel::relocation::testing {

using kestrel::testing::RecordedMessages;

// The present BSC: neighbours of each cell and the CGI and BCCHNO of every name. `answers`
// overrides the answer to a command.
struct Network {
  std::map<std::string, std::vector<std::string>> neighbours;
  std::map<std::string, std::pair<std::string, std::string>> data;  // CGI, BCCHNO
  bool page_breaks = false;
  std::map<std::string, std::string> answers = {};

  std::string Answer(const std::string& command) const {
    if (const auto found = answers.find(command); found != answers.end()) return found->second;
    const std::string wo =
        page_breaks ? "WO      BSC9              AD-739  TIME 261206 093001\r\n" : "";
    std::string text = command + "\r\n\r\n";
    if (command.starts_with("RLNRP:CELL=")) {
      const std::string cell = command.substr(11, command.find(',') - 11);
      text += "NEIGHBOUR RELATION DATA\r\n\r\nCELL\r\n" + cell + "\r\n\r\n";
      if (const auto found = neighbours.find(cell); found != neighbours.end()) {
        for (const auto& n : found->second)
          text += "CELLR     DIR\r\n" + wo +
                  (n + std::string(10, ' ')).substr(0, std::max<std::size_t>(10, n.size())) +
                  "MUTUAL\r\n\r\n";
      }
    } else {
      const std::string cell = command.substr(11, command.size() - 12);
      const auto found = data.find(cell);
      if (found == data.end()) return text + "NOT ACCEPTED\r\nFAULT CODE 17\r\n\r\n<";
      const auto& [cgi, bcch] = found->second;
      text +=
          "CELL DESCRIPTION DATA\r\n\r\nCELL     TYPE  CGI                  BSIC  BCCHNO  "
          "AGBLK\r\n" +
          wo + (cell + std::string(9, ' ')).substr(0, std::max<std::size_t>(9, cell.size())) +
          "INT   " + (cgi + std::string(21, ' ')).substr(0, 21) + "47    " +
          (bcch + "        ").substr(0, 8) + "1\r\n\r\n";
    }
    return text + "END\r\n\r\n<";
  }
};

// The page on a fake gateway.
struct RelocationRig {
  RelocationRig() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
  }
  // The login as the gateway prompts it.
  static const std::vector<std::string>& Login() {
    static const std::vector<std::string> login = {"User: Password: NE: ", "\r\n<"};
    return login;
  }
  // Answers the command the page sent last; false when it has sent nothing new.
  bool AnswerNext(const Network& network, std::size_t chunk = 4096) {
    if (!telnet.Connected() || answered_ >= telnet.Sent().size()) return false;
    const std::string text = network.Answer(telnet.Sent()[answered_++]);
    for (std::size_t pos = 0; pos < text.size() && telnet.Connected(); pos += chunk)
      telnet.Receive(text.substr(pos, chunk));
    return true;
  }
  void Check(const Network& network, std::size_t chunk = 4096) {
    page.DqonstartButtonClick();
    for (const auto& prompt : Login()) telnet.Receive(prompt);
    answered_ = 3;  // the user name, the password and the element
    while (AnswerNext(network, chunk)) {
    }
  }
  std::vector<std::string> Commands() const {
    const auto sent = telnet.Sent();
    return {sent.begin() + 3, sent.end()};
  }

  kestrel::testing::FakeTelnetClient telnet;
  mml::PropertiesForm properties;
  pages::ReadForm read_form;
  RecordedMessages messages;
  RelocationPage page{telnet, properties, read_form, messages};

 private:
  std::size_t answered_ = 3;
};

class RelocationTest : public ::testing::Test, protected RelocationRig {};

// Two cells move from BSC9 to BSC12: A shares a site with A's second sector and has a
// neighbour on BSC12 and one that is itself moved; both have C09201A as a neighbour.
inline Network TwoMovedCells() {
  return {{{"C09101A", {"C09101B", "C12101A", "C09102A", "C09201A"}},
           {"C09102A", {"C09201A", "C09101A"}}},
          {{"C09101A", {"400-01-912-10101", "62"}},
           {"C09102A", {"400-01-912-10102", "64"}},
           {"C09101B", {"400-01-912-10111", "63"}},
           {"C09201A", {"400-01-921-10201", "70"}},
           {"C12101A", {"400-01-1234-1201", "80"}}}};
}

}  // namespace kestrel::relocation::testing
