#include "mml/session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fake_telnet.h"

namespace kestrel::mml {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("s3cret");
    session.Connect();
  }
  Received Receive(std::string_view chunk, std::string_view element = "BSC9") {
    return session.Receive(chunk, element);
  }
  // Delivers `text` one byte a chunk; returns what the last byte did.
  Received Dribble(std::string_view text, std::string_view element = "BSC9") {
    Received last;
    for (char c : text) last = Receive(std::string_view(&c, 1), element);
    return last;
  }

  testing::FakeTelnetClient telnet;
  PropertiesForm properties;
  controls::Memo buffer, log;
  bool attached = false;
  std::string step;
  Session session{telnet, buffer, &log, attached, step, properties};
};

TEST_F(SessionTest, AnswersEachPromptOfOneChunkInOrder) {
  Receive("Welcome\r\nUser: ... Password: ... NE: ");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "s3cret", "NE=BSC9"));
  EXPECT_FALSE(attached);
}

TEST_F(SessionTest, PromptsInSeparateChunksAndThePromptAfterTheElementAttaches) {
  Receive("\r\nUser: ");
  Receive("ops1\r\nPassword: ");
  Receive("\r\nNE: ", "ALTBSC1_X29,PROT=V24");
  Receive("NE=ALTBSC1_X29,PROT=V24\r\n", "ALTBSC1_X29,PROT=V24");
  EXPECT_FALSE(attached);
  const Received last =
      Receive("\r\nWO      ALTBSC1  AD-739  TIME 261206 0930\r\n<", "ALTBSC1_X29,PROT=V24");
  EXPECT_TRUE(last.attached_now);
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "s3cret", "NE=ALTBSC1_X29,PROT=V24"));
  EXPECT_TRUE(attached);
  EXPECT_EQ(step, "NOVBETI");
  EXPECT_EQ(buffer.Text(), "");  // cleared at the prompt
  // Every chunk is added to the log pane as a line of its own.
  EXPECT_EQ(log.Line(1), "User: ");
  EXPECT_EQ(log.Line(2), "ops1");
  EXPECT_EQ(log.Line(3), "Password: ");
}

// The network may cut anything anywhere: a whole login delivered a byte at a time is answered
// exactly as one delivered in one piece.
TEST_F(SessionTest, PromptsCutIntoSingleBytesAreAnswered) {
  const Received last = Dribble(
      "KESTREL GATEWAY\r\nUser: ops1\r\nPassword: \r\nLOGGED IN\r\nNE: NE=BSC9\r\n"
      "WO      BSC9\r\n<");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "s3cret", "NE=BSC9"));
  EXPECT_TRUE(last.attached_now);
  EXPECT_TRUE(attached);
}

// A "<" in the banner is not the element's prompt: a page that attached on it would send its
// first command as the password.
TEST_F(SessionTest, APromptCharacterBeforeTheElementSelectionDoesNotAttach) {
  Receive("*** <KESTREL> GATEWAY, <AUTHORISED USERS ONLY> ***\r\nUser: ");
  EXPECT_FALSE(attached);
  Receive("ops1\r\nPassword: ");
  Receive("\r\n<LOGGED IN>\r\nNE: ");
  EXPECT_FALSE(attached);
  Receive("NE=BSC9\r\n\r\nWO      BSC9\r\n<");
  EXPECT_TRUE(attached);
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "s3cret", "NE=BSC9"));
}

TEST_F(SessionTest, RefusedLoginIsRecognisedInTheGatewaysWordsAndNothingMoreIsAnswered) {
  Receive("User: ");
  Receive("ops1\r\nPassword: ");
  Receive("\r\nLOGIN INCOR");
  EXPECT_FALSE(session.LoginRefused());  // the line is not whole yet
  const Received refused = Receive("RECT\r\n\r\nUser: ");
  ASSERT_TRUE(refused.refused.has_value());
  EXPECT_EQ(*refused.refused, "LOGIN INCORRECT");
  EXPECT_TRUE(session.LoginRefused());
  Receive("User: Password: NE: <");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "s3cret"));
  EXPECT_FALSE(attached);
}

TEST_F(SessionTest, UnknownElementIsRecognisedAfterTheSelection) {
  Receive("User: ");
  Receive("Password: ");
  const Received selected = Receive("\r\nNE: ", "BSC99");
  EXPECT_FALSE(selected.refused.has_value());
  const Received refused =
      Dribble("NE=BSC99\r\nNE BSC99 NOT DEFINED IN GATEWAY\r\n\r\nNE: ", "BSC99");
  // The byte that completed the line said it; the rest of the text is not answered.
  EXPECT_TRUE(session.LoginRefused());
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "s3cret", "NE=BSC99"));
  (void)refused;
}

TEST_F(SessionTest, WithoutAPasswordNothingIsSentAtThePasswordPrompt) {
  properties.PasswordEdit.SetText("");
  const Received refused = Receive("User: ops1\r\nPassword: ");
  ASSERT_TRUE(refused.refused.has_value());
  EXPECT_EQ(*refused.refused, "no password is configured, so the password prompt was not answered");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1"));
}

TEST_F(SessionTest, AGatewayAtItsLimitOfSessionsRefusesInItsOwnWords) {
  const Received refused = Receive("TOO MANY SESSIONS\r\n");
  ASSERT_TRUE(refused.refused.has_value());
  EXPECT_EQ(*refused.refused, "TOO MANY SESSIONS");
  EXPECT_THAT(telnet.Sent(), IsEmpty());
}

TEST_F(SessionTest, ANewConnectionStartsTheLoginAfresh) {
  Receive("User: Password: \r\nLOGIN INCORRECT\r\n");
  ASSERT_TRUE(session.LoginRefused());
  telnet.Disconnect();
  session.Connect();
  EXPECT_FALSE(session.LoginRefused());
  Receive("User: Password: NE: NE=BSC9\r\n<");
  EXPECT_TRUE(attached);
}

TEST_F(SessionTest, AttachedSessionAnswersNoPrompt) {
  Receive("NE: NE=BSC9\r\n<");
  ASSERT_TRUE(attached);
  telnet.Forget();
  step = "RLSLP:CELL=ALL;";
  Receive("User Password NE: <");
  EXPECT_THAT(telnet.Sent(), IsEmpty());
  EXPECT_EQ(step, "RLSLP:CELL=ALL;");
  EXPECT_EQ(buffer.Text(), "User Password NE: <");
}

TEST_F(SessionTest, NoElementToNameSendsNothingAndSaysSo) {
  EXPECT_TRUE(Receive("NE: ", "").element_missing);
  EXPECT_FALSE(Receive("NE: ", "BSC9").element_missing);
  EXPECT_THAT(telnet.Sent(), ElementsAre("NE=BSC9"));
}

// An echoed password never reaches the log pane, however the network cut it; what the mask
// held back comes out when the next piece shows it was not the password.
TEST_F(SessionTest, AnEchoedPasswordIsMaskedInTheLogPane) {
  Receive("Password: ");
  Receive("s3c");
  Receive("ret\r\nNE: ");
  Receive("s3");  // could be the start of the password: held back
  EXPECT_EQ(log.Text(), "Password: \r\n******\r\nNE: \r\n");
  Receive("X\r\n");
  EXPECT_EQ(log.Text(), "Password: \r\n******\r\nNE: \r\ns3X\r\n\r\n");
  EXPECT_EQ(buffer.Text(), "Password: s3cret\r\nNE: s3X\r\n");  // the buffer is parsed, not shown
}

TEST_F(SessionTest, ControlCharactersReachTheLogPaneAsQuestionMarks) {
  Receive(std::string_view("A\x1b[2JB\tC\0D\r\n", 12));
  EXPECT_EQ(log.Line(0), "A?[2JB\tC?D");
}

// One line per chunk, as the network cut the text; a CR LF cut in two is still one line break.
TEST_F(SessionTest, ALineBreakCutBetweenChunksStaysOneLineBreakInThePane) {
  Receive("ALARM\r");
  Receive("\nLIST\r\n");
  EXPECT_EQ(log.Text(), "ALARM\r\n\r\nLIST\r\n\r\n");
  for (std::size_t i = 0; i < log.LineCount(); ++i) {
    EXPECT_EQ(log.Line(i).find_first_of("\r\n"), std::string_view::npos) << i;
  }
}

TEST_F(SessionTest, TextStyleKeepsThePrintoutsOwnLines) {
  Session text_session{telnet, buffer, &log, attached, step, properties, Session::LogStyle::kText};
  log.Clear();
  text_session.Receive("ALARM LI", "BSC9");
  text_session.Receive("ST\r\nA2/APT\r\n", "BSC9");
  EXPECT_THAT(log.Lines(), ElementsAre("ALARM LIST", "A2/APT"));
}

TEST_F(SessionTest, APrintoutPastTheCapIsRefusedWithTheStepAndTheElement) {
  Receive("NE: NE=BSC9\r\n<");
  session.SetMaxPrintout(1000);
  step = "RLSLP:CELL=ALL;";
  const std::string line(48, 'x');
  Received last;
  for (int i = 0; i < 100 && !last.overflow; ++i) last = Receive(line + "\r\n");
  ASSERT_TRUE(last.overflow.has_value());
  EXPECT_EQ(*last.overflow,
            "BSC9: the answer to RLSLP:CELL=ALL; passed the printout cap of 1000 bytes; the "
            "session is ended");
  EXPECT_LE(buffer.Text().size() + 8 * buffer.LineCount(), 1000u);
}

// A site's own prompts, cut into single bytes; a connection straight to the element (no
// element question, its first prompt attaches); a connection that logged in itself (SSH),
// whose refusal counts with no password prompt and which still answers one in band.
TEST_F(SessionTest, SitePromptsDirectElementsAndTransportLogins) {
  struct Row {
    const char* name;
    LoginPrompts prompts;
    bool direct, transport_login;
    std::string text;
    std::vector<std::string> sent;
    bool attached;
    std::string refused;
  };
  const LoginPrompts site{"LOGIN:", "PASSWD:", "ELEMENT?", "READY>"};
  const std::vector<Row> rows = {
      {"site prompts",
       site,
       false,
       false,
       "LOGIN: PASSWD: ELEMENT? <NE=BSC9 READY>",
       {"ops1", "s3cret", "NE=BSC9"},
       true,
       ""},
      {"today's prompts under site settings",
       site,
       false,
       false,
       "User: Password: NE: <",
       {},
       false,
       ""},
      {"direct", {}, true, false, "BANNER NE: <", {}, true, ""},
      {"direct, asked for the password again", {}, true, true, "Password: <", {"s3cret"}, true, ""},
      {"refused over ssh",
       {},
       false,
       true,
       "LOGIN INCORRECT (no key)\r\n",
       {},
       false,
       "LOGIN INCORRECT (no key)"},
      {"refusal over telnet needs the password sent",
       {},
       false,
       false,
       "LOGIN INCORRECT\r\n",
       {},
       false,
       ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::FakeTelnetClient client;
    PropertiesForm form;
    form.UserEdit.SetText("ops1");
    form.PasswordEdit.SetText("s3cret");
    form.Prompts = row.prompts;
    controls::Memo text;
    bool is_attached = false;
    std::string at;
    Session one{client, text, nullptr, is_attached, at, form};
    one.Connect();
    client.Direct = row.direct;
    client.TransportLogin = row.transport_login;
    std::string refused;
    for (const char c : row.text) {
      const Received got = one.Receive(std::string_view(&c, 1), "BSC9");
      if (got.refused) refused = *got.refused;
    }
    EXPECT_EQ(client.Sent(), row.sent);
    EXPECT_EQ(is_attached, row.attached);
    EXPECT_EQ(refused, row.refused);
  }
}

TEST_F(SessionTest, SendClearsTheBufferAndSetsTheStep) {
  buffer.Append("old printout\r\n<");
  session.Send("RLSLP:CELL=ALL;");
  EXPECT_EQ(buffer.Text(), "");
  EXPECT_EQ(step, "RLSLP:CELL=ALL;");
  EXPECT_THAT(telnet.Sent(), ElementsAre("RLSLP:CELL=ALL;"));
}

}  // namespace
}  // namespace kestrel::mml
