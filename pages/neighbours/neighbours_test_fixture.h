#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "pages/neighbours/neighbours_page.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"

namespace kestrel::neighbours::testing {

struct CellParameters {
  std::string cgi = "400-01-1234-10101", bsic = "47", bcchno = "62", csystype = "GSM900",
              mstxpwr = "33", bspwr = "47", bstxpwr = "45", bsrxmin = "110", aw = "ON",
              scho = "OFF", bsrxsuff = "0", msrxmin = "104", msrxsuff = "0", layer = "2",
              layerthr = "75", layerhyst = "3";
};

inline std::string Pad(std::string text, std::size_t width) {
  text.resize(std::max(width, text.size()), ' ');
  return text;
}

// The four printouts of a cell in the exchange's column layout, after the echo.
inline std::string CellPrintout(const std::string& command, const std::string& cell,
                                const CellParameters& p, bool page_break = false) {
  const std::string wo =
      page_break ? "WO      BSC9              AD-739  TIME 261206 093001\r\n" : "";
  const std::string code = command.substr(0, 5);
  if (code == "RLDEP") {
    return "CELL DESCRIPTION DATA\r\n\r\nCELL     TYPE  CGI                   BSIC  BCCHNO  "
           "AGBLK\r\n" +
           wo + Pad(cell, 9) + "INT   " + Pad(p.cgi, 22) + Pad(p.bsic, 6) + Pad(p.bcchno, 8) +
           "1\r\n\r\n" +
           "                                     CSYSTYPE\r\n                                    "
           " " +
           p.csystype + "\r\n\r\n";
  }
  if (code == "RLCPP") {
    return "CELL CONFIGURATION POWER DATA\r\n\r\nCELL     TYPE  BSPWRB  BSPWRT  MSTXPWR\r\n" + wo +
           Pad(cell, 9) + "INT   47      47      " + p.mstxpwr + "\r\n\r\n";
  }
  if (code == "RLLOP") {
    return "CELL LOCATING DATA\r\n\r\nCELL     BSPWR  BSTXPWR  BSRXMIN  BSRXSUFF  MSRXMIN  "
           "MSRXSUFF  SCHO  AW\r\n" +
           wo + Pad(cell, 9) + Pad(p.bspwr, 7) + Pad(p.bstxpwr, 9) + Pad(p.bsrxmin, 9) +
           Pad(p.bsrxsuff, 10) + Pad(p.msrxmin, 9) + Pad(p.msrxsuff, 10) + Pad(p.scho, 6) + p.aw +
           "\r\n\r\n";
  }
  return "CELL LOCATING DATA\r\n\r\nCELL     LAYER  LAYERTHR  LAYERHYST  PSSTEMP\r\n" + wo +
         Pad(cell, 9) + Pad(p.layer, 7) + Pad(p.layerthr, 10) + Pad(p.layerhyst, 11) + "0\r\n\r\n";
}

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
    cells = {{"C09101A", {}}, {"C09102B", {}}, {"C10101A", {}}, {"C10102A", {}}};
    page.Memocell.SetText("C09101A\r\nC09102B");
    page.Memocellr.SetText("C10101A\r\nC10102A");
    page.CellbscComboBox.SetItemIndex(8);
    page.CellrbscComboBox.SetItemIndex(9);
  }
  // The answer of a side's BSC to `command`: its printout, or a refusal for a cell it does
  // not know. `answers` overrides the printout of a command.
  std::string Answer(const std::string& command) const {
    if (const auto found = answers.find(command); found != answers.end()) return found->second;
    const std::string cell = command.substr(11, command.size() - 12);
    const auto found = cells.find(cell);
    const std::string printout =
        found == cells.end()
            ? "NOT ACCEPTED\r\nFAULT CODE 17\r\nCELL NOT DEFINED\r\n\r\n"
            : CellPrintout(command, cell, found->second, page_breaks) + "END\r\n\r\n";
    return command + "\r\n\r\n" + printout + "<";
  }
  // Answers what one side has sent since it was last answered; false when nothing was left.
  bool AnswerNext(kestrel::testing::FakeTelnetClient& telnet, std::size_t chunk = 4096) {
    auto& answered = &telnet == &cell_telnet ? cell_answered_ : cellr_answered_;
    while (telnet.Connected() && answered < telnet.Sent().size()) {
      const std::string command = telnet.Sent()[answered++];
      if (command == "ops1" || command == "pw" || command.starts_with("NE=")) continue;
      Deliver(telnet, Answer(command), chunk);
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
  void Deliver(kestrel::testing::FakeTelnetClient& telnet, const std::string& text,
               std::size_t chunk) {
    for (std::size_t pos = 0; pos < text.size() && telnet.Connected(); pos += chunk)
      telnet.Receive(text.substr(pos, chunk));
  }

  std::map<std::string, CellParameters> cells;
  std::map<std::string, std::string> answers;
  bool page_breaks = false;
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
