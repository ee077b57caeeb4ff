#include "sim/gateway_session.h"

#include <algorithm>
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "net/telnet_codec.h"
#include "sim/printouts.h"
#include "sim/short_conversations.h"

namespace kestrel::sim {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
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

// Lines typed after the start: what the gateway says to the last, and whether it has ended.
// The third wrong password or unknown element ends the connection; a silent element says
// nothing at all.
TEST_F(GatewaySessionTest, LoginDialogues) {
  const struct {
    std::vector<const char*> typed;
    const char* last_said;  // the end of it
    bool finished;
  } rows[] = {
      {{"ops", "nope"}, "LOGIN INCORRECT\r\n\r\nUser: ", false},
      {{"ops", "nope", "ops", "nope", "ops", "nope"}, "CONNECTION CLOSED\r\n", true},
      {{"ops", "pw", "NE=BSC99"}, "NE=BSC99\r\nNE BSC99 NOT DEFINED IN GATEWAY\r\n\r\nNE: ", false},
      {{"ops", "pw", "NE=BSC99", "NE=BSC99", "NE=BSC99"}, "CONNECTION CLOSED\r\n", true},
      {{"ops", "pw", "NE=BSC10"}, "NE=BSC10\r\n", false},
      {{"ops", "pw", "NE=BSC10", "", "RLSLP:CELL=ALL;"}, "", false},
  };
  for (const auto& row : rows) {
    GatewaySession each{scenario, faults, [] { return std::string("261206 093001"); }};
    each.Start();
    std::string said;
    for (const char* line : row.typed) said = Said(each.Receive(std::string(line) + "\r\n"));
    if (*row.last_said == '\0') {
      EXPECT_EQ(said, "");
    } else {
      EXPECT_THAT(said, EndsWith(row.last_said)) << row.typed.back();
    }
    EXPECT_EQ(each.Finished(), row.finished) << row.typed.size();
  }
}

TEST_F(GatewaySessionTest, RlslpPrintoutIsPagedAndEndsWithEndAnEmptyLineAndThePrompt) {
  LogIn("BSC9");
  const auto outputs = session.Receive("RLSLP:CELL=ALL;\r\n");
  ASSERT_EQ(outputs.size(), 2u);
  EXPECT_EQ(outputs[0].bytes, "RLSLP:CELL=ALL;\r\n");
  EXPECT_FALSE(outputs[0].answer);  // the echo goes out at once, the answer may wait
  EXPECT_TRUE(outputs[1].answer);
  const std::string& printout = outputs[1].bytes;
  EXPECT_THAT(printout, StartsWith("\r\nWO      BSC9"));
  EXPECT_THAT(printout, EndsWith("\r\nEND\r\n\r\n<"));
  // Pages of 7 lines: the header comes back every 6 printout lines, here between the
  // first cell's channel heading and its first row.
  EXPECT_THAT(printout,
              HasSubstr("ACTIVE     CHTYPE  CHRATE  SPV    NCH    LVA    ACL\r\nWO      BSC9"));
}

TEST_F(GatewaySessionTest, RefusalsOfTheExchange) {
  LogIn("MSC9");
  EXPECT_THAT(Type("RLSLP:CELL=ALL;"), HasSubstr("NOT ACCEPTED\r\nFAULT CODE 1\r\n"));
  EXPECT_EQ(Type(""), "\r\n<");
  EXPECT_EQ(Type("\x04"), "");
}

// The gateway's own banner (which may hold the prompt sign) after its options; it asks for the
// terminal type and takes it.
TEST_F(GatewaySessionTest, BannerAndTerminalType) {
  using namespace net::telnet;
  const std::string negotiation =
      Command(kWill, kEcho) + Command(kWill, kSuppressGoAhead) + Command(kDo, kTerminalType);
  EXPECT_EQ(Said(session.Start()), negotiation + "\r\nKESTREL DEMO COMMAND GATEWAY\r\n\r\nUser: ");
  EXPECT_EQ(Said(session.Receive(Command(kWill, kTerminalType))),
            Subnegotiation(kTerminalType, std::string(1, '\x01')));
  session.Receive(Subnegotiation(kTerminalType, std::string(1, '\0') + "dumb"));
  EXPECT_EQ(session.TerminalType(), "dumb");
  faults.banner = "<GW-1> AUTHORISED USE ONLY";
  GatewaySession other(scenario, faults, [] { return std::string("261206 093001"); });
  EXPECT_EQ(Said(other.Start()), negotiation + "\r\n<GW-1> AUTHORISED USE ONLY\r\n\r\nUser: ");
}

// What may wait for --answer-delay-ms: every answer, of the login too; never an echo or a
// telnet reply.
TEST_F(GatewaySessionTest, AnswersAreMarkedAndEchoesAreNot) {
  using Pieces = std::vector<std::pair<std::string, bool>>;
  auto pieces = [](const std::vector<Output>& outputs) {
    Pieces result;
    for (const auto& output : outputs) result.emplace_back(output.bytes, output.answer);
    return result;
  };
  for (const auto& output : session.Start()) EXPECT_FALSE(output.answer);
  EXPECT_EQ(pieces(session.Receive("ops\r\n")), (Pieces{{"ops\r\n", false}, {"Password: ", true}}));
  EXPECT_EQ(pieces(session.Receive("pw\r\n")),
            (Pieces{{"\r\nLOGGED IN AS ops\r\n\r\nNE: ", true}}));
  EXPECT_EQ(pieces(session.Receive("NE=BSC9\r\n")),
            (Pieces{{"NE=BSC9\r\n", false},
                    {"\r\nWO      BSC9              AD-739  TIME 261206 093001\r\n<", true}}));
  EXPECT_EQ(pieces(session.Receive("\r\n")), (Pieces{{"\r\n<", true}}));
  using namespace net::telnet;
  EXPECT_EQ(pieces(session.Receive(Command(kDo, kTerminalType))),
            (Pieces{{Command(kWont, kTerminalType), false}}));
}

TEST_F(GatewaySessionTest, EchoedPasswordIsMarkedSecret) {
  faults.echo_password = true;
  session.Start();
  Type("ops");
  const auto outputs = session.Receive("pw\r\n");
  ASSERT_EQ(outputs.size(), 2u);
  EXPECT_EQ(outputs[0].bytes, "pw");
  EXPECT_TRUE(outputs[0].secret);
  EXPECT_FALSE(outputs[0].answer);
  EXPECT_EQ(outputs[1].bytes, "\r\nLOGGED IN AS ops\r\n\r\nNE: ");
  EXPECT_FALSE(outputs[1].secret);
}

// The transcript shows the client's bytes as MaskedInput gives them: the password is
// asterisks wherever the reads cut it, with any line ending, also a 255 that travels doubled.
TEST(GatewaySessionMasking, PasswordNeverShowsHoweverTheReadsCutIt) {
  struct Case {
    std::string password, typed, masked;
  };
  const std::vector<Case> cases = {
      {"s3cret", "ops\r\ns3cret\r\nNE=BSC9\r\n", "ops\r\n******\r\nNE=BSC9\r\n"},
      {"s3cret", "ops\rs3cret\r" + std::string(1, '\0') + "NE=BSC9\n",
       "ops\r******\r" + std::string(1, '\0') + "NE=BSC9\n"},
      {"p\xffw", "ops\r\np\xff\xffw\r\nNE=BSC9\r\n", "ops\r\n****\r\nNE=BSC9\r\n"},
  };
  for (const Case& c : cases) {
    Scenario scenario = Scenario::FromJson(R"({"user": "ops", "elements": [{"name": "BSC9"}]})");
    scenario.password = c.password;
    for (std::size_t i = 0; i <= c.typed.size(); ++i) {
      for (std::size_t j = i; j <= c.typed.size(); ++j) {
        Faults faults;
        GatewaySession session(scenario, faults, [] { return std::string("261206 093001"); });
        session.Start();
        std::string masked, said;
        for (const auto& [from, to] : {std::pair{std::size_t{0}, i}, {i, j}, {j, c.typed.size()}}) {
          said += Said(session.Receive(std::string_view(c.typed).substr(from, to - from)));
          masked += session.MaskedInput();
        }
        ASSERT_EQ(masked, c.masked) << "cut at " << i << " and " << j;
        ASSERT_THAT(said, EndsWith("<")) << "cut at " << i << " and " << j;
      }
    }
  }
}

TEST_F(GatewaySessionTest, PasswordTypedAheadOfADropIsMaskedToo) {
  faults.drop_after_command = {"ops"};
  session.Start();
  EXPECT_EQ(Said(session.Receive("ops\r\npw\r\n")), "");
  EXPECT_EQ(session.MaskedInput(), "ops\r\n**\r\n");
  EXPECT_TRUE(session.Finished());
}

TEST_F(GatewaySessionTest, DropAfterCommandEndsEverySessionThatTypesIt) {
  faults.drop_after_command = {"rxbli", "NE=MSC9"};
  std::vector<std::string> events;
  for (int run = 0; run < 3; ++run) {
    GatewaySession each(
        scenario, faults, [] { return std::string("261206 093001"); },
        [&](const std::string& event) { events.push_back(event); });
    each.Start();
    each.Receive("ops\r\npw\r\nNE=BSC9\r\n");
    EXPECT_THAT(Said(each.Receive("RLSLP:CELL=C09101A;\r\n")), EndsWith("<"));
    // Unanswered, not even echoed; what follows in the same read is not taken either.
    EXPECT_EQ(Said(each.Receive("RXBLI:MO=RXOTRX-12-1,FORCE;\r\n;\r\n")), "");
    EXPECT_TRUE(each.Finished());
  }
  EXPECT_EQ(std::count(events.begin(), events.end(),
                       "dropped the connection after RXBLI:MO=RXOTRX-12-1,FORCE;"),
            3);
  EXPECT_THAT(events, ::testing::Not(::testing::Contains(HasSubstr("executed"))));

  GatewaySession selecting(scenario, faults, [] { return std::string("261206 093001"); });
  selecting.Start();
  selecting.Receive("ops\r\npw\r\n");
  EXPECT_EQ(Said(selecting.Receive("NE=MSC9\r\n")), "");
  EXPECT_TRUE(selecting.Finished());
}

TEST_F(GatewaySessionTest, EndlessPrintoutNeverEndsAndTakesNoMoreCommands) {
  faults.endless_printout = {"allip"};
  LogIn("BSC9");
  EXPECT_FALSE(session.Endless());
  const std::string first = Type("ALLIP;");
  EXPECT_THAT(first, StartsWith("ALLIP;\r\n\r\nWO      BSC9              AD-739  TIME 261206"));
  EXPECT_TRUE(session.Endless());
  EXPECT_FALSE(session.Finished());
  std::string pages;
  for (int page = 0; page < 200; ++page) {
    const std::string more = session.More();
    ASSERT_THAT(more, StartsWith("WO      BSC9"));
    // A page is the header and page_length - 1 lines, and no page grows.
    ASSERT_EQ(std::count(more.begin(), more.end(), '\n'), 7);
    ASSERT_LT(more.size(), 7u * 80u);
    pages += more;
  }
  EXPECT_THAT(pages, Not(HasSubstr("<")));
  EXPECT_THAT(pages, Not(HasSubstr("END")));
  EXPECT_EQ(Type("RLSLP:CELL=ALL;"), "");
  EXPECT_EQ(Type(""), "");
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
  parser.Feed(Said(flood.Start()), data, counter);
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
