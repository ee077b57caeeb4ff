#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "pages/rlslp/rlslp_page.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"

namespace kestrel::rlslp::testing {

struct Cell {
  std::string name;
  std::string active;
};

// An RLSLP printout as the exchange writes it after the echo; `page_break_after_heading`
// puts a page header between each ACTIVE heading and its value row.
inline std::string Printout(const std::vector<Cell>& cells, bool page_break_after_heading = false) {
  std::string text =
      "RLSLP:CELL=ALL;\r\n\r\nCELL LOGICAL CHANNELS AVAILABILITY SUPERVISION\r\n\r\n";
  for (const auto& cell : cells) {
    text += "CELL       SCTYPE\r\n" + cell.name + "\r\n\r\n";
    text += "ACTIVE     CHTYPE  CHRATE  SPV\r\n";
    if (page_break_after_heading) text += "WO      BSC9      AD-739  TIME 261206 093001\r\n";
    text += (cell.active + "     ").substr(0, 5) + "      SDCCH\r\n";
    text += "           TCH     FR      1\r\n\r\n";
  }
  return text + "END\r\n\r\n<";
}

using kestrel::testing::RecordedMessages;

// A page on a fake client, logged in as "ops1" with the password "pw".
struct RlslpHarness {
  RlslpHarness() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    page.SetMessages(messages);
  }
  // Plays the gateway's login up to the element's prompt.
  void LogIn() {
    telnet.Receive("\r\nUser: ");
    telnet.Receive("\r\nPassword: ");
    telnet.Receive("\r\nNE: ");
    telnet.Receive("\r\nWO      BSC9      AD-739  TIME 261206 093001\r\n<");
  }
  void Queue(std::initializer_list<const char*> names) {
    for (const char* name : names) page.SlpListBox.Add(name);
  }
  bool Clean(const char* element) const {
    const auto* outcome = page.Outcomes.Find(element);
    return outcome != nullptr && outcome->Clean();
  }

  kestrel::testing::FakeTelnetClient telnet;
  mml::PropertiesForm properties;
  RecordedMessages messages;
  RlslpPage page{telnet, properties};
};

class RlslpPageTest : public ::testing::Test, public RlslpHarness {};

}  // namespace kestrel::rlslp::testing
