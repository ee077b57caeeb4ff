// How a BSC's check ends when it does not run to a clean end: refusals, cut printouts, lost
// connections, refused logins, unknown elements and oversized answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "pages/rlslp/rlslp_test_fixture.h"

namespace kestrel::rlslp::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kBsc10Block = "Check: BSC10\r\nC10101A: ACTIVE=NO\r\nFinish check\r\n\r\n";

// Delivers `text` in chunks of `chunk` bytes until the page ends the session it was meant for
// (what follows would go to the next session on the same fake client).
void DeliverToThisSession(RlslpHarness& h, std::string_view text, std::size_t chunk) {
  const std::size_t events = h.telnet.events.size();
  for (std::size_t pos = 0; pos < text.size(); pos += chunk) {
    if (std::find(h.telnet.events.begin() + static_cast<std::ptrdiff_t>(events),
                  h.telnet.events.end(), "disconnect") != h.telnet.events.end()) {
      return;
    }
    h.telnet.Receive(text.substr(pos, chunk));
  }
}

// Starts a check of BSC9 then BSC10 and answers BSC9's command with `answer`, in chunks of
// `chunk` bytes; BSC10 gets a clean printout.
void RunWithFirstAnswer(RlslpHarness& h, const std::string& answer, std::size_t chunk) {
  h.Queue({"BSC9", "BSC10"});
  h.page.SlpstartButtonClick();
  DeliverToThisSession(h, kLogin, chunk);
  DeliverToThisSession(h, answer, chunk);
  if (!h.telnet.Connected()) return;
  DeliverToThisSession(h, kLogin, chunk);
  DeliverToThisSession(h, Printout({{"C10101A", "NO"}}), chunk);
}

TEST(RlslpFailures, EachRefusalIsNotedAndTheNextBscGoesOn) {
  const std::pair<std::string, std::string> refusals[] = {
      {"NOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE\r\n",
       "NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE"},
      {"FUNCTION BUSY\r\n", "FUNCTION BUSY"},
      {"COMMAND UNKNOWN\r\n", "COMMAND UNKNOWN"}};
  for (const auto& [refusal, words] : refusals) {
    for (std::size_t chunk : {1, 2, 5, 4096}) {
      RlslpHarness h;
      RunWithFirstAnswer(h, "RLSLP:CELL=ALL;\r\n\r\n" + refusal + "\r\n<", chunk);
      const std::string note = "BSC9: RLSLP:CELL=ALL; refused: " + words;
      EXPECT_EQ(h.page.SlpreportMemo.Text(), "Check: BSC9\r\n" + note + "\r\n" + kBsc10Block)
          << words << ", chunks of " << chunk;
      EXPECT_THAT(h.telnet.notes, ElementsAre(note));
      EXPECT_FALSE(h.Clean("BSC9"));
      EXPECT_THAT(h.page.Outcomes.Find("BSC9")->problems, ElementsAre(note));
      EXPECT_TRUE(h.Clean("BSC10"));
      EXPECT_TRUE(h.page.SlpListBox.Empty());
      EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
      EXPECT_THAT(h.messages.shown, IsEmpty());
    }
  }
}

// Stop with the printout awaited, then Start: the new session's banner holds "<", but it is no
// answer to the stopped session's command, so the check is neither incomplete nor refused.
TEST(RlslpFailures, StopAndStartTakeNothingOfTheStoppedCommandIntoTheNewSession) {
  RlslpHarness h;
  h.Queue({"BSC9"});
  h.page.SlpstartButtonClick();
  h.LogIn();
  ASSERT_EQ(h.telnet.Sent().back(), "RLSLP:CELL=ALL;");
  h.page.SlpstartButtonClick();  // Stop
  h.page.SlpreportMemo.Clear();
  h.telnet.Forget();
  h.page.SlpstartButtonClick();
  h.telnet.Receive("\r\n<<< KESTREL COMMAND GATEWAY >>>\r\n\r\nUser: ");
  EXPECT_EQ(h.page.SlpreportMemo.Text(), "Check: BSC9\r\n");
  h.telnet.Receive("\r\nPassword: ");
  h.telnet.Receive("\r\nNE: ");
  h.telnet.Receive("\r\nWO      BSC9      AD-739  TIME 261206 093001\r\n<");
  EXPECT_THAT(h.telnet.Sent(), ElementsAre("ops1", "pw", "NE=BSC9", "RLSLP:CELL=ALL;"));
  h.telnet.Receive(Printout({}));
  EXPECT_EQ(h.page.SlpreportMemo.Text(), "Check: BSC9\r\nFinish check\r\n\r\n");
  EXPECT_THAT(h.page.Outcomes.Find("BSC9")->problems, IsEmpty());
  EXPECT_EQ(h.page.Outcomes.Find("BSC9")->finished, 1);
}

TEST(RlslpFailures, PrintoutCutOffBeforeItsEndIsNotAFinishedCheck) {
  const std::string cut_off =  // the prompt comes with no END before it
      "RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nC09101A\r\n\r\n"
      "ACTIVE     CHTYPE\r\nNO         TCH\r\n\r\nCELL       SCTYPE\r\nC09101B\r\n<";
  const std::string prompt_inside = Printout({{"C09101A", "NO"}, {"C<9101B", "NO"}});
  for (const std::string& answer : {cut_off, prompt_inside}) {
    for (std::size_t chunk : {1, 3, 4096}) {
      RlslpHarness h;
      RunWithFirstAnswer(h, answer, chunk);
      const std::string note =
          "BSC9: RLSLP:CELL=ALL; printout incomplete: no END line before the prompt";
      EXPECT_EQ(h.page.SlpreportMemo.Text(),
                "Check: BSC9\r\nC09101A: ACTIVE=NO\r\n" + note + "\r\n" + kBsc10Block);
      EXPECT_THAT(h.page.Outcomes.Find("BSC9")->problems, ElementsAre(note));
      EXPECT_FALSE(h.Clean("BSC9"));
      EXPECT_TRUE(h.Clean("BSC10"));
    }
  }
}

// The connection ends after every possible number of bytes of the first or the second BSC's
// conversation: each time the report names the BSC that was not checked, gives it no
// "Finish check", and the BSC stays at the head of the queue.
TEST(RlslpFailures, SessionEndingAtEveryStepSaysTheBscWasNotChecked) {
  const std::string first = kLogin + Printout({{"C09101A", "NO"}, {"C09101B", "YES"}});
  const std::string second = kLogin + Printout({{"C10101A", "NO"}});
  for (int bsc = 0; bsc < 2; ++bsc) {
    const std::string& conversation = bsc == 0 ? first : second;
    const char* name = bsc == 0 ? "BSC9" : "BSC10";
    for (std::size_t cut = 0; cut < conversation.size(); ++cut) {
      RlslpHarness h;
      h.Queue({"BSC9", "BSC10"});
      h.page.SlpstartButtonClick();
      if (bsc == 1) {
        h.telnet.ReceiveInChunks(kLogin, 2);
        h.telnet.ReceiveInChunks(first.substr(kLogin.size()), 2);
      }
      h.telnet.ReceiveInChunks(conversation.substr(0, cut), 1);
      h.telnet.PeerCloses();
      const std::string report = h.page.SlpreportMemo.Text();
      const std::string block = report.substr(report.rfind("Check: "));
      SCOPED_TRACE(std::string(name) + " cut after " + std::to_string(cut) + " bytes");
      EXPECT_THAT(block, StartsWith(std::string("Check: ") + name + "\r\n" + name +
                                    " not checked: connection lost "));
      EXPECT_THAT(block, Not(HasSubstr("Finish check")));
      EXPECT_EQ(report.find("Finish check") == std::string::npos, bsc == 0);
      EXPECT_EQ(h.page.SlpListBox.First(), name);
      EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
      EXPECT_FALSE(h.page.AnimationPanel.Visible());
      EXPECT_FALSE(h.Clean(name));
      EXPECT_THAT(h.page.Outcomes.Find(name)->ended_early, StartsWith("connection lost"));
    }
  }
}

TEST(RlslpFailures, LostConnectionSaysWhereAndWhyTheClientEndedIt) {
  RlslpHarness h;
  h.Queue({"BSC9"});
  h.page.SlpstartButtonClick();
  h.telnet.Receive("\r\nUser: ");
  h.telnet.PeerCloses();
  EXPECT_EQ(h.page.SlpreportMemo.Line(1),
            "BSC9 not checked: connection lost before the BSC was reached");

  h.page.SlpstartButtonClick();
  h.LogIn();
  h.telnet.ClientEnds("a line passed 64 KB");
  EXPECT_EQ(h.page.SlpreportMemo.Line(3),
            "BSC9 not checked: connection lost while RLSLP:CELL=ALL; was in flight (a line "
            "passed 64 KB)");
  EXPECT_EQ(h.page.Outcomes.Find("BSC9")->ended_early,
            "connection lost while RLSLP:CELL=ALL; was in flight (a line passed 64 KB)");
  EXPECT_EQ(h.telnet.notes.back(), h.page.SlpreportMemo.Line(3));
}

TEST(RlslpFailures, RefusedLoginStopsTheCheckAndKeepsTheBscQueued) {
  for (std::size_t chunk : {1, 4, 4096}) {
    for (bool with_messages : {true, false}) {
      RlslpHarness h(with_messages);
      h.Queue({"BSC9", "BSC10"});
      h.page.SlpstartButtonClick();
      h.telnet.ReceiveInChunks("\r\nUser: \r\nPassword: \r\nLOGIN INCORRECT\r\nUser: ", chunk);
      const std::string line = "BSC9 not checked: LOGIN INCORRECT; the check is stopped";
      EXPECT_EQ(h.page.SlpreportMemo.Text(), "Check: BSC9\r\n" + line + "\r\n");
      if (with_messages) {
        EXPECT_THAT(h.messages.shown, ElementsAre(line));
      }
      EXPECT_THAT(h.telnet.Sent(), ElementsAre("ops1", "pw"));
      EXPECT_FALSE(h.telnet.Connected());
      EXPECT_THAT(h.page.SlpListBox.Items(), ElementsAre("BSC9", "BSC10"));
      EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
      EXPECT_FALSE(h.page.AnimationPanel.Visible());
      EXPECT_EQ(h.page.Outcomes.Find("BSC9")->ended_early, "LOGIN INCORRECT");
      EXPECT_EQ(h.page.Outcomes.Find("BSC10"), nullptr);
    }
  }
}

// Only the user or the password would be refused for every BSC: a refused BSC and a gateway
// at its limit of sessions are not the login's fault.
TEST(RlslpFailures, ARefusedLoginIsToldFromOtherRefusals) {
  const std::pair<const char*, bool> refusals[] = {
      {"\r\nUser: \r\nPassword: \r\nLOGIN INCORRECT\r\nUser: ", true},
      {"TOO MANY SESSIONS\r\n", false},
      {"\r\nUser: \r\nPassword: \r\nNE: \r\nNE BSC9 NOT DEFINED IN GATEWAY\r\nNE: ", false}};
  for (const auto& [said, login] : refusals) {
    RlslpHarness h(false);
    h.Queue({"BSC9"});
    h.page.SlpstartButtonClick();
    EXPECT_FALSE(h.page.LoginRefused());
    h.telnet.Receive(said);
    EXPECT_EQ(h.page.LoginRefused(), login) << said;
    EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
  }
}

TEST(RlslpFailures, UnknownElementLeavesTheQueueAndTheCheckGoesOn) {
  for (std::size_t chunk : {1, 6, 4096}) {
    RlslpHarness h;
    h.Queue({"BSC99", "BSC10"});
    h.page.SlpstartButtonClick();
    DeliverToThisSession(h, "\r\nUser: \r\nPassword: \r\nNE: ", chunk);
    DeliverToThisSession(h, "\r\nNE BSC99 NOT DEFINED IN GATEWAY\r\nNE: ", chunk);
    const std::string line = "BSC99 not checked: NE BSC99 NOT DEFINED IN GATEWAY";
    EXPECT_THAT(h.messages.shown, ElementsAre(line));
    EXPECT_EQ(h.page.SlpreportMemo.Text(), "Check: BSC99\r\n" + line + "\r\nCheck: BSC10\r\n");
    EXPECT_THAT(h.page.SlpListBox.Items(), ElementsAre("BSC10"));
    h.telnet.ReceiveInChunks(kLogin, chunk);
    h.telnet.ReceiveInChunks(Printout({{"C10101A", "NO"}}), chunk);
    EXPECT_EQ(h.page.SlpreportMemo.Text(), "Check: BSC99\r\n" + line + "\r\n" + kBsc10Block);
    EXPECT_THAT(h.telnet.Sent(),
                ElementsAre("ops1", "pw", "NE=BSC99", "ops1", "pw", "NE=BSC10", "RLSLP:CELL=ALL;"));
    EXPECT_EQ(h.page.Outcomes.Find("BSC99")->ended_early, "NE BSC99 NOT DEFINED IN GATEWAY");
    EXPECT_EQ(h.page.Outcomes.Find("BSC99")->reached, 0);
    EXPECT_TRUE(h.Clean("BSC10"));
    EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
  }
}

TEST(RlslpFailures, AnswerPastThePrintoutCapEndsTheBscWithItsMessage) {
  RlslpHarness h;
  h.page.SetMaxPrintout(2000);
  std::vector<Cell> many;
  for (int i = 0; i < 40; ++i) many.push_back({"C09" + std::to_string(100 + i) + "A", "NO"});
  RunWithFirstAnswer(h, Printout(many), 64);
  const std::string message =
      "BSC9: the answer to RLSLP:CELL=ALL; passed the printout cap of 2000 bytes; the session "
      "is ended";
  EXPECT_EQ(h.page.SlpreportMemo.Text(), "Check: BSC9\r\n" + message + "\r\n" + kBsc10Block);
  EXPECT_EQ(h.page.Outcomes.Find("BSC9")->ended_early, message);
  EXPECT_TRUE(h.Clean("BSC10"));
}

TEST(RlslpFailures, ControlCharactersOfAPrintoutNeverReachTheReport) {
  RlslpHarness h;
  h.Queue({"BSC9"});
  h.page.SlpstartButtonClick();
  h.LogIn();
  h.telnet.Receive(Printout({{"C\x1b[2J01", "NO"}, {"C09101B", "N\x1bO"}}));
  EXPECT_EQ(h.page.SlpreportMemo.Text(),
            "Check: BSC9\r\nC?[2J01: ACTIVE=NO\r\nC09101B: ACTIVE=N?O\r\nFinish check\r\n\r\n");
}

}  // namespace
}  // namespace kestrel::rlslp::testing
