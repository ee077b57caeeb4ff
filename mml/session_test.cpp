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

  testing::FakeTelnetClient telnet;
  PropertiesForm properties;
  controls::Memo buffer, log;
  bool attached = false;
  std::string step;
  Session session{telnet, buffer, &log, attached, step, properties};
};

// Every login, whole in one chunk and cut into single bytes (the network may cut anything
// anywhere): what is sent, whether it attaches and the refusal in the gateway's words. A "<"
// before the element selection is not the element's prompt (a page that attached on it would
// send its first command as the password); an attached session answers no prompt. A site's own
// prompts; a connection straight to the element (no element question, its first prompt
// attaches); a connection that logged in itself (SSH), whose refusal counts with no password
// prompt and which still answers one in band.
TEST(SessionLogin, EachLoginWholeAndCutIntoBytes) {
  struct Row {
    const char* name;
    std::string text;
    std::vector<std::string> sent;
    bool attached;
    std::string refused;
    LoginPrompts prompts = {};
    bool direct = false, transport_login = false;
    std::string password = "s3cret", element = "BSC9";
  };
  const LoginPrompts site{"LOGIN:", "PASSWD:", "ELEMENT?", "READY>"};
  const std::vector<Row> rows = {
      {"prompts in one text",
       "Welcome\r\nUser: ... Password: ... NE: ",
       {"ops1", "s3cret", "NE=BSC9"},
       false,
       ""},
      {"whole login",
       "KESTREL GATEWAY\r\nUser: ops1\r\nPassword: \r\nLOGGED IN\r\nNE: NE=BSC9\r\nWO      "
       "BSC9\r\n<",
       {"ops1", "s3cret", "NE=BSC9"},
       true,
       ""},
      {"prompt sign in the banner",
       "*** <KESTREL> GATEWAY, <AUTHORISED USERS ONLY> ***\r\nUser: ops1\r\nPassword: \r\n<LOGGED "
       "IN>\r\nNE: NE=BSC9\r\n\r\nWO      BSC9\r\n<",
       {"ops1", "s3cret", "NE=BSC9"},
       true,
       ""},
      {"attached answers no prompt", "NE: NE=BSC9\r\n<User Password NE: <", {"NE=BSC9"}, true, ""},
      {"login refused",
       "User: ops1\r\nPassword: \r\nLOGIN INCORRECT\r\n\r\nUser: Password: NE: <",
       {"ops1", "s3cret"},
       false,
       "LOGIN INCORRECT"},
      {"unknown element",
       "User: Password: NE: NE=BSC99\r\nNE BSC99 NOT DEFINED IN GATEWAY\r\n\r\nNE: ",
       {"ops1", "s3cret", "NE=BSC99"},
       false,
       "NE BSC99 NOT DEFINED IN GATEWAY",
       {},
       false,
       false,
       "s3cret",
       "BSC99"},
      {"no password",
       "User: ops1\r\nPassword: ",
       {"ops1"},
       false,
       "no password is configured, so the password prompt was not answered",
       {},
       false,
       false,
       ""},
      {"too many sessions", "TOO MANY SESSIONS\r\n", {}, false, "TOO MANY SESSIONS"},
      {"site prompts",
       "LOGIN: PASSWD: ELEMENT? <NE=BSC9 READY>",
       {"ops1", "s3cret", "NE=BSC9"},
       true,
       "",
       site},
      {"today's prompts under site settings", "User: Password: NE: <", {}, false, "", site},
      {"direct", "BANNER NE: <", {}, true, "", {}, true},
      {"direct, asked for the password again", "Password: <", {"s3cret"}, true, "", {}, true, true},
      {"refused over ssh",
       "LOGIN INCORRECT (no key)\r\n",
       {},
       false,
       "LOGIN INCORRECT (no key)",
       {},
       false,
       true},
      {"refusal over telnet needs the password sent", "LOGIN INCORRECT\r\n", {}, false, ""},
  };
  for (const Row& row : rows) {
    for (const std::size_t cut : {row.text.size(), std::size_t{1}}) {
      SCOPED_TRACE(std::string(row.name) + (cut == 1 ? ", byte by byte" : ", whole"));
      testing::FakeTelnetClient client;
      PropertiesForm form;
      form.UserEdit.SetText("ops1");
      form.PasswordEdit.SetText(row.password);
      form.Prompts = row.prompts;
      controls::Memo text;
      bool is_attached = false;
      std::string at;
      Session one{client, text, nullptr, is_attached, at, form};
      one.Connect();
      client.Direct = row.direct;
      client.TransportLogin = row.transport_login;
      std::string refused;
      for (std::size_t from = 0; from < row.text.size(); from += cut) {
        const Received got = one.Receive(std::string_view(row.text).substr(from, cut), row.element);
        if (got.refused) refused = *got.refused;
      }
      EXPECT_EQ(client.Sent(), row.sent);
      EXPECT_EQ(is_attached, row.attached);
      EXPECT_EQ(refused, row.refused);
      EXPECT_EQ(one.LoginRefused(), !row.refused.empty());
    }
  }
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

// One line per chunk, as the network cut the text, control characters as question marks; a
// CR LF cut in two is still one line break.
TEST_F(SessionTest, TheLogPaneHasALinePerChunkAndNoControlCharacters) {
  Receive(std::string_view("A\x1b[2JB\tC\0D\r", 11));
  Receive("\nLIST\r\n");
  EXPECT_EQ(log.Text(), "A?[2JB\tC?D\r\n\r\nLIST\r\n\r\n");
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

// The element's first prompt attaches: the buffer is cleared there and the step is NOVBETI;
// each command sent clears it again and becomes the step.
TEST_F(SessionTest, AttachingAndSendingClearTheBufferAndSetTheStep) {
  Receive("User: Password: NE: NE=BSC9\r\n");
  EXPECT_TRUE(Receive("\r\nWO      BSC9  AD-739  TIME 261206 0930\r\n<").attached_now);
  EXPECT_EQ(step, "NOVBETI");
  EXPECT_EQ(buffer.Text(), "");
  buffer.Append("old printout\r\n<");
  session.Send("RLSLP:CELL=ALL;");
  EXPECT_EQ(buffer.Text(), "");
  EXPECT_EQ(step, "RLSLP:CELL=ALL;");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "s3cret", "NE=BSC9", "RLSLP:CELL=ALL;"));
}

}  // namespace
}  // namespace kestrel::mml
