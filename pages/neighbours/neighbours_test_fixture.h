#pragma once

#include <map>
#include <string>

#include "pages/neighbours/neighbours_page.h"
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

// Both BSCs of the page, answering every command of a side with its printout.
class NeighboursTest : public ::testing::Test {
 protected:
  NeighboursTest() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
  }
  // Answers what each side has sent since it was last answered, until neither sends more.
  void Play(std::size_t chunk = 4096) {
    for (bool more = true; more;) {
      more = false;
      for (auto* telnet : {&cell_telnet, &cellr_telnet}) {
        auto& answered = telnet == &cell_telnet ? cell_answered_ : cellr_answered_;
        const auto sent = telnet->Sent();
        if (!telnet->Connected() || answered >= sent.size()) continue;
        const std::string command = sent[answered++];
        more = true;
        if (command == "ops1" || command == "pw" || command.starts_with("NE=")) continue;
        const std::string cell = command.substr(11, command.size() - 12);
        const auto found = cells.find(cell);
        const std::string printout =
            found == cells.end()
                ? "NOT ACCEPTED\r\nFAULT CODE 17\r\nCELL NOT DEFINED\r\n\r\n"
                : CellPrintout(command, cell, found->second, page_breaks) + "END\r\n\r\n";
        Deliver(*telnet, command + "\r\n\r\n" + printout + "<", chunk);
      }
    }
  }
  void LogInBoth() {
    for (auto* telnet : {&cell_telnet, &cellr_telnet}) {
      telnet->Receive("User: ");
      telnet->Receive("Password: ");
      telnet->Receive("NE: ");
      telnet->Receive("\r\nWO      BSC9\r\n<");
    }
  }
  void Deliver(kestrel::testing::FakeTelnetClient& telnet, const std::string& text,
               std::size_t chunk) {
    for (std::size_t pos = 0; pos < text.size() && telnet.Connected(); pos += chunk)
      telnet.Receive(text.substr(pos, chunk));
  }
  std::vector<std::string> Commands(const kestrel::testing::FakeTelnetClient& telnet) const {
    std::vector<std::string> commands;
    for (const auto& line : telnet.Sent()) {
      if (line.starts_with("RL")) commands.push_back(line);
    }
    return commands;
  }

  std::map<std::string, CellParameters> cells;
  bool page_breaks = false;
  kestrel::testing::FakeTelnetClient cell_telnet, cellr_telnet;
  mml::PropertiesForm properties;
  pages::ReadForm read_form;
  NeighboursPage page{cell_telnet, cellr_telnet, properties, read_form};

 private:
  std::size_t cell_answered_ = 0, cellr_answered_ = 0;
};

}  // namespace kestrel::neighbours::testing
