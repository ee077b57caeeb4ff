#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "pages/rlslp/rlslp_page.h"
#include "pages/shared/page_test_cases.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"

namespace kestrel::rlslp::testing {

// The answer to RLSLP:CELL=ALL; of a case of tests/data/pages/rlslp-printouts.txt, from its
// echo to the prompt.
inline std::string Printout(const std::string& name) {
  return pages::testing::Answer(pages::testing::Printouts("rlslp-printouts.txt", name),
                                "RLSLP:CELL=ALL;");
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

  kestrel::testing::FakeTelnetClient telnet;
  mml::PropertiesForm properties;
  RecordedMessages messages;
  RlslpPage page{telnet, properties};
};

class RlslpPageTest : public ::testing::Test, public RlslpHarness {};

}  // namespace kestrel::rlslp::testing
