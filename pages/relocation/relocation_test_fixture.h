#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pages/relocation/relocation_page.h"
#include "pages/shared/page_test_cases.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"

namespace kestrel::relocation::testing {

using kestrel::testing::RecordedMessages;

// The printouts of a network of tests/data/pages/relocation-networks.txt.
inline std::map<std::string, std::string> Network(const std::string& name) {
  return pages::testing::Printouts("relocation-networks.txt", name);
}

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
  bool AnswerNext(const std::map<std::string, std::string>& network, std::size_t chunk = 4096) {
    if (!telnet.Connected() || answered_ >= telnet.Sent().size()) return false;
    telnet.ReceiveInChunks(pages::testing::Answer(network, telnet.Sent()[answered_++]), chunk);
    return true;
  }
  void Check(const std::map<std::string, std::string>& network, std::size_t chunk = 4096) {
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

}  // namespace kestrel::relocation::testing
