#include "sim/gateway_session.h"

#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "net/telnet_codec.h"
#include "sim/dialogue_test_script.h"
#include "sim/short_conversations.h"

namespace kestrel::sim {
namespace {

// The sessions of tests/data/sim/gateway-sessions.txt, on the network there.
TEST(GatewaySession, Scripts) {
  auto sections = kestrel::testing::TestDataSections("sim/gateway-sessions.txt");
  Scenario scenario =
      Scenario::FromJson(testing::Uncommented(sections.extract("scenario").mapped()));
  for (const auto& [name, text] : sections) {
    SCOPED_TRACE(name);
    testing::Dialogue script;
    script.check = [&](const std::string& check) {  // "password TEXT": the network's
      if (check.starts_with("password ")) scenario.password = check.substr(9);
      return check.starts_with("password ");
    };
    testing::PlayConversation(testing::ScriptLines(text), script, [&] {
      return std::make_unique<GatewaySession>(
          scenario, script.faults, [] { return std::string("261206 093001"); },
          [&](const std::string& event) { script.events.push_back(event); });
    });
  }
}

TEST(ShortConversations, OptionFloodAsksForOptionsWithoutEnd) {
  using namespace net::telnet;
  struct Counter : net::TelnetParser::Listener {
    std::map<unsigned char, int> verbs;
    int terminal_type_requests = 0;
    void OnOption(unsigned char verb, unsigned char) override { ++verbs[verb]; }
    void OnSubnegotiation(unsigned char option, std::string_view payload) override {
      if (option == kTerminalType && payload == std::string(1, '\x01')) ++terminal_type_requests;
    }
  } counter;
  OptionFlood flood;
  net::TelnetParser parser;
  std::string data;
  parser.Feed(testing::Said(flood.Start()), data, counter);
  for (int round = 0; round < 1000; ++round) {
    const std::string more = flood.More();
    ASSERT_LT(more.size(), 1024u);  // made a round at a time, never more
    parser.Feed(more, data, counter);
  }
  EXPECT_EQ(data, "");  // nothing but telnet commands
  for (const unsigned char verb : {kDo, kWill, kDont, kWont}) EXPECT_GT(counter.verbs[verb], 1000);
  EXPECT_GT(counter.terminal_type_requests, 10000);
}

TEST(Scenario, BadScenariosSayWhatIsWrong) {
  EXPECT_THROW(Scenario::FromJson("{"), std::runtime_error);
  EXPECT_THROW(Scenario::FromJson("[]"), std::runtime_error);
  EXPECT_THROW(Scenario::FromJson(R"({"elements": [{"name": "A"}, {"name": "A"}]})"),
               std::runtime_error);
  EXPECT_THROW(Scenario::FromJson(R"({"elements": [{"name": "A", "cells": [{}]}]})"),
               std::runtime_error);
  EXPECT_GE(Scenario::Demo().elements.size(), 40u);
}

}  // namespace
}  // namespace kestrel::sim
