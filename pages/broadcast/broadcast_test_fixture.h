#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "pages/broadcast/broadcast_page.h"
#include "pages/shared/page_test_cases.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"

namespace kestrel::broadcast::testing {

// A page on a fake client, set to check BSC9 as "ops1" with the password "pw".
struct BroadcastHarness {
  BroadcastHarness() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    page.BscComboBox.SetText("BSC9");
    page.SetMessages(messages);
  }
  // Starts a check and answers every command with its printout, in chunks of `chunk` bytes,
  // until the session ends.
  void RunCheck(const std::map<std::string, std::string>& printouts, std::size_t chunk = 4096) {
    page.StartButtonClick();
    telnet.ReceiveInChunks("User: Password: NE: ", chunk);
    telnet.ReceiveInChunks("\r\n<", chunk);
    for (std::size_t answered = 3; telnet.Connected() && answered < telnet.Sent().size();) {
      telnet.ReceiveInChunks(pages::testing::Answer(printouts, telnet.Sent()[answered++]), chunk);
    }
  }
  std::vector<std::string> Commands() const {
    return {telnet.Sent().begin() + 3, telnet.Sent().end()};
  }

  kestrel::testing::FakeTelnetClient telnet;
  mml::PropertiesForm properties;
  kestrel::testing::RecordedMessages messages;
  BroadcastPage page{telnet, properties};
};

}  // namespace kestrel::broadcast::testing
