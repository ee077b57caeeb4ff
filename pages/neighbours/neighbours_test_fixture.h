#pragma once

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "pages/neighbours/neighbours_page.h"
#include "pages/shared/page_test_cases.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"

namespace kestrel::neighbours::testing {

using kestrel::testing::RecordedMessages;

// Both BSCs of the page, answering every command of a side with its printout.
struct NeighboursRig {
  NeighboursRig() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    page.SetMessages(messages);
  }
  // Two pairs: C09101A and C09102B on BSC9 (Cell), C10101A and C10102A on BSC10 (Cellr).
  void TwoPairs() {
    cells = {"C09101A", "C09102B", "C10101A", "C10102A"};
    page.Memocell.SetText("C09101A\r\nC09102B");
    page.Memocellr.SetText("C10101A\r\nC10102A");
    page.CellbscComboBox.SetItemIndex(8);
    page.CellrbscComboBox.SetItemIndex(9);
  }
  // The answer of a side's BSC to `command`: the printout `answers` holds for it, else for a
  // cell of `cells` (seven characters) the printout of "any cell" in
  // tests/data/pages/neighbours-printouts.txt (C09101A) named for it, else the refusal of a cell
  // the BSC does not know.
  std::string Answer(const std::string& command) const {
    if (const auto found = answers.find(command); found != answers.end()) return found->second;
    const std::string cell = command.substr(11, command.size() - 12);
    if (!cells.contains(cell)) {
      return command + "\r\n\r\nNOT ACCEPTED\r\nFAULT CODE 17\r\nCELL NOT DEFINED\r\n\r\n<";
    }
    static const auto kAnyCell = pages::testing::Printouts("neighbours-printouts.txt", "any cell");
    std::string text = pages::testing::Answer(kAnyCell, command.substr(0, 11) + "C09101A;");
    for (std::size_t at = 0; (at = text.find("C09101A", at)) != std::string::npos;
         at += cell.size()) {
      text.replace(at, 7, cell);
    }
    return text;
  }
  // Answers what one side has sent since it was last answered; false when nothing was left.
  bool AnswerNext(kestrel::testing::FakeTelnetClient& telnet, std::size_t chunk = 4096) {
    auto& answered = &telnet == &cell_telnet ? cell_answered_ : cellr_answered_;
    while (telnet.Connected() && answered < telnet.Sent().size()) {
      const std::string command = telnet.Sent()[answered++];
      if (command == "ops1" || command == "pw" || command.starts_with("NE=")) continue;
      telnet.ReceiveInChunks(Answer(command), chunk);
      return true;
    }
    return false;
  }
  // Answers what each side has sent since it was last answered, until neither sends more.
  void Play(std::size_t chunk = 4096) {
    for (bool more = true; more;) {
      more = AnswerNext(cell_telnet, chunk);
      more = AnswerNext(cellr_telnet, chunk) || more;
    }
  }
  // The login of one side, as the gateway prompts it, step by step.
  static const std::vector<std::string>& Login() {
    static const std::vector<std::string> login = {
        "User: ", "Password: ", "NE: ", "\r\nWO      BSC9\r\n<"};
    return login;
  }
  void LogInBoth() {
    for (auto* telnet : {&cell_telnet, &cellr_telnet}) {
      for (const auto& prompt : Login()) telnet->Receive(prompt);
    }
  }

  std::set<std::string> cells;
  std::map<std::string, std::string> answers;
  kestrel::testing::FakeTelnetClient cell_telnet, cellr_telnet;
  mml::PropertiesForm properties;
  pages::ReadForm read_form;
  RecordedMessages messages;
  NeighboursPage page{cell_telnet, cellr_telnet, properties, read_form};

 private:
  std::size_t cell_answered_ = 0, cellr_answered_ = 0;
};

class NeighboursTest : public ::testing::Test, protected NeighboursRig {};

}  // namespace kestrel::neighbours::testing
