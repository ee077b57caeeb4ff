// How the Edge broadcast check ends when it does not get a full answer: refusals, cut-off
// printouts, values that are not what they stand for, lost connections, refused logins and
// oversized answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/broadcast/broadcast_test_fixture.h"

namespace kestrel::broadcast::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

// Two EDGE cells with one message each.
Bsc TwoCells() {
  return {{{"C09101A", {"4"}}, {"C09102A", {"0"}}, {"C09103A", {"2"}}},
          {{"C09101A", {"123"}}, {"C09103A", {"77"}}},
          {{"123", "ICERISHEHER"}, {"77", "SALAM"}}};
}

const std::string kEntry123 =
    "CELL: C09101A\r\nRLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"ICERISHEHER\";\r\n\r\n";
const std::string kEntry77 =
    "CELL: C09103A\r\nRLMBC:ID=50,CODE=77,GS=0,PAGE=1,TEXT=\"SALAM\";\r\n\r\n";

const std::pair<std::string, std::string> kRefusals[] = {
    {"NOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE\r\n",
     "NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE"},
    {"FUNCTION BUSY\r\n", "FUNCTION BUSY"},
    {"COMMAND UNKNOWN\r\n", "COMMAND UNKNOWN"}};

// For each reading command, what the report holds when that command's answer is unread:
// an unread RLBDP ends the check; an unread RLMTP or RLMBP loses only its own cell or message.
struct Unread {
  std::string command;
  std::string report_after_note;
  std::vector<std::string> commands;
  bool finished;
};
const Unread kUnread[] = {
    {"RLBDP:CELL=ALL;", "", {"RLBDP:CELL=ALL;"}, false},
    {"RLMTP:CELL=C09101A,ID=ALL;",
     kEntry77,
     {"RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09103A,ID=ALL;",
      "RLMBP:ID=50,CODE=77,GS=0;"},
     true},
    {"RLMBP:ID=50,CODE=123,GS=0;",
     kEntry77,
     {"RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09103A,ID=ALL;",
      "RLMBP:ID=50,CODE=123,GS=0;", "RLMBP:ID=50,CODE=77,GS=0;"},
     true},
};

TEST(BroadcastFailures, EachRefusalOfEachReadingCommandIsNoted) {
  for (const auto& unread : kUnread) {
    for (const auto& [refusal, words] : kRefusals) {
      for (std::size_t chunk : {1, 7, 4096}) {
        BroadcastHarness h;
        Bsc bsc = TwoCells();
        bsc.refused[unread.command] = refusal;
        h.RunCheck(bsc, chunk);
        SCOPED_TRACE(unread.command + " " + words + ", chunks of " + std::to_string(chunk));
        const std::string note = "BSC9: " + unread.command + " refused: " + words;
        EXPECT_EQ(h.page.ReportMemo.Text(), note + "\r\n" + unread.report_after_note);
        EXPECT_EQ(h.Commands(), unread.commands);
        EXPECT_EQ(h.page.CheckFinished, unread.finished);
        EXPECT_FALSE(h.telnet.Connected());
        EXPECT_EQ(h.page.StartButton.Caption(), "Start");
        EXPECT_FALSE(h.Clean());
        EXPECT_THAT(h.page.Outcomes.Find("BSC9")->problems, ElementsAre(note));
        EXPECT_THAT(h.telnet.notes, ElementsAre(note));
      }
    }
  }
}

TEST(BroadcastFailures, PrintoutCutOffBeforeItsEndIsNoted) {
  for (const auto& unread : kUnread) {
    for (std::size_t chunk : {1, 5, 4096}) {
      BroadcastHarness h;
      Bsc bsc = TwoCells();
      bsc.cut_off.insert(unread.command);
      h.RunCheck(bsc, chunk);
      SCOPED_TRACE(unread.command + ", chunks of " + std::to_string(chunk));
      const std::string note =
          "BSC9: " + unread.command + " printout incomplete: no END line before the prompt";
      EXPECT_EQ(h.page.ReportMemo.Text(), note + "\r\n" + unread.report_after_note);
      EXPECT_EQ(h.Commands(), unread.commands);
      EXPECT_EQ(h.page.CheckFinished, unread.finished);
      EXPECT_FALSE(h.Clean());
    }
  }
}

// The gateway closes the connection after every possible number of bytes of the check: the
// report ends by saying that the check did not finish, and claims no "nothing found".
TEST(BroadcastFailures, SessionEndingAtEveryStepSaysTheCheckDidNotFinish) {
  const Bsc bsc = TwoCells();
  std::size_t total;
  {
    BroadcastHarness whole;
    total = whole.RunCheck(bsc);
    ASSERT_TRUE(whole.page.CheckFinished);
    ASSERT_EQ(whole.page.ReportMemo.Text(), kEntry123 + kEntry77);
  }
  for (std::size_t budget = 0; budget < total; ++budget) {
    BroadcastHarness h;
    EXPECT_EQ(h.RunCheck(bsc, 3, budget), budget);
    SCOPED_TRACE("closed after " + std::to_string(budget) + " bytes");
    const auto lines = h.page.ReportMemo.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_THAT(lines.back(), StartsWith("BSC9: the check did not finish: connection lost "));
    EXPECT_THAT(h.page.ReportMemo.Text(), Not(HasSubstr(": no ")));
    EXPECT_FALSE(h.page.CheckFinished);
    EXPECT_FALSE(h.Clean());
    EXPECT_THAT(h.page.Outcomes.Find("BSC9")->ended_early, StartsWith("connection lost"));
    EXPECT_EQ(h.page.StartButton.Caption(), "Start");
    EXPECT_FALSE(h.page.BrMemo.Visible());
    EXPECT_EQ(h.page.Phase1Done, "");
  }
}

TEST(BroadcastFailures, LostConnectionSaysWhereAndWhyTheClientEndedIt) {
  BroadcastHarness h;
  h.page.StartButtonClick();
  h.telnet.Receive("User: ");
  h.telnet.PeerCloses();
  EXPECT_EQ(h.page.ReportMemo.Text(),
            "BSC9: the check did not finish: connection lost before the BSC was reached\r\n");

  h.page.StartButtonClick();
  h.telnet.Receive("User: Password: NE: \r\n<");
  h.telnet.Receive("RLBDP:CELL=ALL;\r\n\r\nCELL PACKET DATA\r\n");
  h.telnet.ClientEnds("a line passed 64 KB");
  const std::string why =
      "connection lost while RLBDP:CELL=ALL; was in flight (a line passed 64 KB)";
  EXPECT_EQ(h.page.ReportMemo.Text(), "BSC9: the check did not finish: " + why + "\r\n");
  EXPECT_EQ(h.page.Outcomes.Find("BSC9")->ended_early, why);
  EXPECT_EQ(h.page.Outcomes.Find("BSC9")->visits, 2);
}

TEST(BroadcastFailures, NothingFoundNamesThePhaseAndClaimsNoMoreThanWasRead) {
  {  // every EDGE cell's name unusable: not examined, and not "no EDGE cell"
    BroadcastHarness h;
    h.RunCheck({{{"C0;101A", {"4"}}, {"C09102A", {"0"}}}, {}, {}});
    EXPECT_EQ(h.page.ReportMemo.Text(),
              "BSC9: RLBDP:CELL=ALL; gave \"C0;101A\", which is not a cell name; not sent\r\n"
              "BSC9: no EDGE cell could be examined\r\n");
    EXPECT_THAT(h.Commands(), ElementsAre("RLBDP:CELL=ALL;"));
    EXPECT_FALSE(h.Clean());
  }
  {  // the only cell with a message could not be read
    BroadcastHarness h;
    Bsc bsc = TwoCells();
    bsc.refused["RLMTP:CELL=C09101A,ID=ALL;"] = "FUNCTION BUSY\r\n";
    bsc.codes.erase("C09103A");
    h.RunCheck(bsc);
    EXPECT_EQ(h.page.ReportMemo.Text(),
              "BSC9: RLMTP:CELL=C09101A,ID=ALL; refused: FUNCTION BUSY\r\n"
              "BSC9: no message with ID 50 could be read\r\n");
    EXPECT_TRUE(h.page.CheckFinished);
    EXPECT_FALSE(h.Clean());
  }
  {  // a message whose printout holds no text
    BroadcastHarness h;
    Bsc bsc = TwoCells();
    bsc.texts.erase("123");
    h.RunCheck(bsc);
    EXPECT_EQ(h.page.ReportMemo.Text(),
              "BSC9: RLMBP:ID=50,CODE=123,GS=0; printout holds no TEXT\r\n" + kEntry77);
    EXPECT_FALSE(h.Clean());
  }
}

TEST(BroadcastFailures, ValuesThatAreNotWhatTheyStandForAreNeverSent) {
  BroadcastHarness h;
  h.RunCheck({{{"C0;101A", {"4"}}, {"C09,2A", {"1"}}, {"C09103A", {"2"}}},
              {{"C09103A", {"1;3", "12,4", "77"}}},
              {{"77", "SALAM"}}},
             5);
  EXPECT_THAT(h.Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09103A,ID=ALL;",
                                        "RLMBP:ID=50,CODE=77,GS=0;"));
  for (const auto& command : h.Commands()) EXPECT_EQ(command.find(';'), command.size() - 1);
  for (const char* value : {"C0;101A", "C09,2A", "1;3", "12,4"}) {
    EXPECT_THAT(h.telnet.Sent(), Not(Contains(HasSubstr(value))));
  }
  EXPECT_EQ(h.page.ReportMemo.Text(),
            "BSC9: RLBDP:CELL=ALL; gave \"C0;101A\", which is not a cell name; not sent\r\n"
            "BSC9: RLBDP:CELL=ALL; gave \"C09,2A\", which is not a cell name; not sent\r\n"
            "BSC9: RLMTP:CELL=C09103A,ID=ALL; gave \"1;3\", which is not a message code; not "
            "sent\r\n"
            "BSC9: RLMTP:CELL=C09103A,ID=ALL; gave \"12,4\", which is not a message code; not "
            "sent\r\n" +
                kEntry77);
  EXPECT_TRUE(h.page.CheckFinished);
  EXPECT_FALSE(h.Clean());
}

TEST(BroadcastFailures, ControlCharactersOfAPrintoutNeverReachTheReport) {
  BroadcastHarness h;
  h.RunCheck({{{"C\x1b[2J01", {"4"}}, {"C09103A", {"2"}}},
              {{"C09103A", {"77"}}},
              {{"77", "SA\x1b[31mLAM"}}});
  EXPECT_THAT(h.page.ReportMemo.Text(), Not(HasSubstr("\x1b")));
  EXPECT_EQ(h.page.ReportMemo.Text(),
            "BSC9: RLBDP:CELL=ALL; gave \"C?[2J01\", which is not a cell name; not sent\r\n"
            "CELL: C09103A\r\nRLMBC:ID=50,CODE=77,GS=0,PAGE=1,TEXT=\"SA?[31mLAM\";\r\n\r\n");
  EXPECT_THAT(h.telnet.notes, Not(Contains(HasSubstr("\x1b"))));
}

TEST(BroadcastFailures, RefusedLoginOrUnknownElementEndsTheCheckWithABox) {
  const std::pair<std::string, std::string> refusals[] = {
      {"User: Password: \r\nLOGIN INCORRECT\r\nUser: ", "LOGIN INCORRECT"},
      {"User: Password: NE: \r\nNE BSC9 NOT DEFINED IN GATEWAY\r\nNE: ",
       "NE BSC9 NOT DEFINED IN GATEWAY"}};
  for (const auto& [text, words] : refusals) {
    for (bool with_messages : {true, false}) {
      for (std::size_t chunk : {1, 4, 4096}) {
        BroadcastHarness h(with_messages);
        h.page.StartButtonClick();
        h.telnet.ReceiveInChunks(text, chunk);
        const std::string line = "BSC9 not checked: " + words;
        EXPECT_EQ(h.page.ReportMemo.Text(), line + "\r\n");
        if (with_messages) {
          EXPECT_THAT(h.messages.shown, ElementsAre(line));
        }
        EXPECT_FALSE(h.telnet.Connected());
        EXPECT_EQ(h.page.StartButton.Caption(), "Start");
        EXPECT_FALSE(h.page.BrMemo.Visible());
        EXPECT_FALSE(h.page.CheckFinished);
        EXPECT_EQ(h.page.Outcomes.Find("BSC9")->ended_early, words);
        EXPECT_THAT(h.Commands(), IsEmpty());
      }
    }
  }
}

TEST(BroadcastFailures, AnswerPastThePrintoutCapEndsTheCheckWithItsMessage) {
  BroadcastHarness h;
  h.page.SetMaxPrintout(1500);
  Bsc bsc;
  for (int i = 0; i < 40; ++i) bsc.cells.push_back({"C09" + std::to_string(100 + i) + "A", {"4"}});
  h.RunCheck(bsc, 64);
  const std::string message =
      "BSC9: the answer to RLBDP:CELL=ALL; passed the printout cap of 1500 bytes; the session "
      "is ended";
  EXPECT_EQ(h.page.ReportMemo.Text(), message + "\r\n");
  EXPECT_EQ(h.page.Outcomes.Find("BSC9")->ended_early, message);
  EXPECT_FALSE(h.page.CheckFinished);
  EXPECT_FALSE(h.telnet.Connected());
}

TEST(BroadcastFailures, StartWithoutABscOrWithoutAConnectionLeavesThePageIdle) {
  BroadcastHarness h;
  h.page.BscComboBox.SetText(" ");
  EXPECT_THROW(h.page.StartButtonClick(), std::runtime_error);
  EXPECT_TRUE(h.telnet.events.empty());
  h.page.BscComboBox.SetText("BSC9");
  h.page.StartButtonClick();
  h.telnet.ConnectFails();
  EXPECT_EQ(h.page.StartButton.Caption(), "Start");
  EXPECT_FALSE(h.page.BrMemo.Visible());
  EXPECT_EQ(h.page.Outcomes.Find("BSC9")->ended_early,
            "Cannot connect to 127.0.0.1:52200: Connection refused");
  const std::string line =
      "BSC9: the check did not finish: Cannot connect to 127.0.0.1:52200: Connection refused";
  EXPECT_THAT(h.page.ReportMemo.Lines(), ::testing::ElementsAre(line));
  EXPECT_THAT(h.messages.shown, ::testing::ElementsAre(line));
}

}  // namespace
}  // namespace kestrel::broadcast::testing
