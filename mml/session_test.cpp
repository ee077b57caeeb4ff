#include "mml/session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/fake_telnet.h"
#include "tests/test_data.h"

namespace kestrel::mml {
namespace {

using ::testing::ElementsAre;

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

// Every login of tests/data/mml/logins.txt, whole in one chunk and cut into single bytes (the
// network may cut anything anywhere): what is sent, whether it attaches and the refusal in the
// gateway's words. A "<" before the element selection is not the element's prompt (a page that
// attached on it would send its first command as the password); an attached session answers no
// prompt. A site's own prompts; a connection straight to the element (no element question, its
// first prompt attaches); a connection that logged in itself (SSH), whose refusal counts with no
// password prompt and which still answers one in band.
TEST(SessionLogin, EachLoginWholeAndCutIntoBytes) {
  const auto rows = kestrel::testing::TestDataSections("mml/logins.txt");
  ASSERT_EQ(rows.size(), 14u);
  for (const auto& [name, section] : rows) {
    std::string text, refused_as, password = "s3cret", element = "BSC9";
    std::vector<std::string> sent;
    bool attached_as = false, site = false, direct = false, transport_login = false;
    for (std::size_t from = 0, to; (to = section.find("\r\n", from)) != std::string::npos;
         from = to + 2) {
      const std::string line = section.substr(from, to - from);
      const std::size_t space = std::min(line.find(' '), line.size());
      const std::string word = line.substr(0, space),
                        rest = line.substr(std::min(space + 1, line.size()));
      if (word == "text") {
        text = rest.substr(1, rest.size() - 2);
        for (std::size_t at; (at = text.find("\\r\\n")) != std::string::npos;)
          text.replace(at, 4, "\r\n");
      }
      if (word == "sent") sent.push_back(rest);
      if (word == "refused") refused_as = rest;
      if (word == "password") password = rest;
      if (word == "element") element = rest;
      attached_as |= word == "attached";
      site |= word == "site";
      direct |= word == "direct";
      transport_login |= line == "transport login";
    }
    for (const std::size_t cut : {text.size(), std::size_t{1}}) {
      SCOPED_TRACE(name + (cut == 1 ? ", byte by byte" : ", whole"));
      testing::FakeTelnetClient client;
      PropertiesForm form;
      if (site) form.Prompts = {"LOGIN:", "PASSWD:", "ELEMENT?", "READY>"};
      form.UserEdit.SetText("ops1");
      form.PasswordEdit.SetText(password);
      controls::Memo memo;
      bool is_attached = false;
      std::string at;
      Session one{client, memo, nullptr, is_attached, at, form};
      one.Connect();
      client.Direct = direct;
      client.TransportLogin = transport_login;
      std::string refused;
      for (std::size_t from = 0; from < text.size(); from += cut) {
        const Received got = one.Receive(std::string_view(text).substr(from, cut), element);
        if (got.refused) refused = *got.refused;
      }
      EXPECT_EQ(client.Sent(), sent);
      EXPECT_EQ(is_attached, attached_as);
      EXPECT_EQ(refused, refused_as);
      EXPECT_EQ(one.LoginRefused(), !refused_as.empty());
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
