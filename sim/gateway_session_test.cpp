#include "sim/gateway_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "net/telnet_codec.h"
#include "sim/printouts.h"

namespace kestrel::sim {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

Scenario Network() {
  return Scenario::FromJson(R"({"user": "ops", "password": "pw", "page_length": 7,
    "elements": [{"name": "BSC9", "exchange": "BSC9", "type": "BSC", "cells": [
       {"name": "C09101A", "active": "YES"}, {"name": "C09101B", "active": "NO"},
       {"name": "C09102A", "sctype": "UL", "active": ""}]},
     {"name": "MSC9", "type": "MSC"}, {"name": "BSC10", "type": "BSC"}]})");
}

// The text of everything the gateway said, pieces joined.
std::string Said(const std::vector<Output>& outputs) {
  std::string text;
  for (const auto& output : outputs) text += output.bytes;
  return text;
}

class GatewaySessionTest : public ::testing::Test {
 protected:
  std::string Type(std::string_view line) {
    return Said(session.Receive(std::string(line) + "\r\n"));
  }
  void LogIn(std::string_view element) {
    session.Start();
    Type("ops");
    Type("pw");
    Type("NE=" + std::string(element));
  }

  Scenario scenario = Network();
  Faults faults{.silent = {"BSC10"}};
  GatewaySession session{scenario, faults, [] { return std::string("261206 093001"); }};
};

TEST_F(GatewaySessionTest, LogsInSelectsTheElementAndGivesThePrompt) {
  EXPECT_THAT(Said(session.Start()), EndsWith("\r\nUser: "));
  EXPECT_EQ(Type("ops"), "ops\r\nPassword: ");
  EXPECT_THAT(Type("pw"), EndsWith("\r\nNE: "));
  EXPECT_EQ(Type("NE=BSC9"),
            "NE=BSC9\r\n\r\nWO      BSC9              AD-739  TIME 261206 093001\r\n<");
}

TEST_F(GatewaySessionTest, WrongPasswordIsRefusedAndTheThirdEndsTheConnection) {
  session.Start();
  Type("ops");
  EXPECT_THAT(Type("nope"), EndsWith("LOGIN INCORRECT\r\n\r\nUser: "));
  Type("ops");
  Type("nope");
  Type("ops");
  EXPECT_THAT(Type("nope"), HasSubstr("CONNECTION CLOSED"));
  EXPECT_TRUE(session.Finished());
}

TEST_F(GatewaySessionTest, UnknownAndSilentElements) {
  session.Start();
  Type("ops");
  Type("pw");
  EXPECT_EQ(Type("NE=BSC99"), "NE=BSC99\r\nNE BSC99 NOT DEFINED IN GATEWAY\r\n\r\nNE: ");
  EXPECT_EQ(Type("NE=BSC10"), "NE=BSC10\r\n");
  EXPECT_EQ(Type(""), "");
  EXPECT_EQ(Type("RLSLP:CELL=ALL;"), "");
}

TEST_F(GatewaySessionTest, ThirdUnknownElementEndsTheConnection) {
  session.Start();
  Type("ops");
  Type("pw");
  Type("NE=BSC99");
  Type("NE=BSC99");
  EXPECT_FALSE(session.Finished());
  EXPECT_THAT(Type("NE=BSC99"), EndsWith("CONNECTION CLOSED\r\n"));
  EXPECT_TRUE(session.Finished());
}

TEST_F(GatewaySessionTest, RlslpPrintoutIsPagedAndEndsWithEndAnEmptyLineAndThePrompt) {
  LogIn("BSC9");
  const auto outputs = session.Receive("RLSLP:CELL=ALL;\r\n");
  ASSERT_EQ(outputs.size(), 2u);
  EXPECT_EQ(outputs[0].bytes, "RLSLP:CELL=ALL;\r\n");
  EXPECT_FALSE(outputs[0].may_fragment);
  EXPECT_TRUE(outputs[1].may_fragment);
  const std::string& printout = outputs[1].bytes;
  EXPECT_THAT(printout, StartsWith("\r\nWO      BSC9"));
  EXPECT_THAT(printout, EndsWith("\r\nEND\r\n\r\n<"));
  // Pages of 7 lines: the header comes back every 6 printout lines, here between the
  // first cell's channel heading and its first row.
  EXPECT_THAT(printout,
              HasSubstr("ACTIVE     CHTYPE  CHRATE  SPV    NCH    LVA    ACL\r\nWO      BSC9"));
  EXPECT_THAT(printout, HasSubstr("C09102A    UL\r\n"));
  EXPECT_THAT(printout, HasSubstr("\r\nNO         BCCH                   1\r\n"));
  EXPECT_THAT(printout, HasSubstr("\r\n           SDCCH                  7      2      A2\r\n"));
}

TEST_F(GatewaySessionTest, RefusalsOfTheExchange) {
  LogIn("MSC9");
  EXPECT_THAT(Type("RLSLP:CELL=ALL;"), HasSubstr("NOT ACCEPTED\r\nFAULT CODE 1\r\n"));
  EXPECT_EQ(Type(""), "\r\n<");
  EXPECT_EQ(Type("\x04"), "");
}

TEST_F(GatewaySessionTest, NegotiatesTheTerminalType) {
  using namespace net::telnet;
  const std::string start = Said(session.Start());
  EXPECT_THAT(start, StartsWith(Command(kWill, kEcho) + Command(kWill, kSuppressGoAhead) +
                                Command(kDo, kTerminalType)));
  EXPECT_EQ(Said(session.Receive(Command(kWill, kTerminalType))),
            Subnegotiation(kTerminalType, std::string(1, '\x01')));
  session.Receive(Subnegotiation(kTerminalType, std::string(1, '\0') + "dumb"));
  EXPECT_EQ(session.TerminalType(), "dumb");
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
