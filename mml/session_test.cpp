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
    telnet.Connect();
  }
  ReceiveResult Receive(std::string_view chunk, std::string_view element = "BSC9") {
    return ReceiveChunk(session, chunk, element);
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

TEST_F(SessionTest, PromptsInSeparateChunksAndTheFirstPromptAttaches) {
  Receive("\r\nUser: ");
  Receive("ops1\r\nPassword: ");
  Receive("\r\nNE: ");
  Receive("NE=ALTBSC1_X29,PROT=V24\r\n", "ALTBSC1_X29,PROT=V24");
  EXPECT_FALSE(attached);
  Receive("\r\nWO      ALTBSC1  AD-739  TIME 261206 0930\r\n<", "ALTBSC1_X29,PROT=V24");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "s3cret", "NE=BSC9"));
  EXPECT_TRUE(attached);
  EXPECT_EQ(step, "NOVBETI");
  EXPECT_EQ(buffer.Text(), "");  // cleared at the prompt
  // Every chunk is added to the log pane as a line of its own.
  EXPECT_EQ(log.Line(1), "User: ");
  EXPECT_EQ(log.Line(2), "ops1");
  EXPECT_EQ(log.Line(3), "Password: ");
}

TEST_F(SessionTest, PromptSplitOverTwoChunksIsNotRecognised) {
  Receive("Us");
  Receive("er: ");
  Receive("NE");
  Receive(": ");
  EXPECT_THAT(telnet.Sent(), IsEmpty());
  EXPECT_EQ(buffer.Text(), "User: NE: ");  // but the buffer has it whole
}

TEST_F(SessionTest, AttachedSessionAnswersNoPrompt) {
  Receive("<");
  ASSERT_TRUE(attached);
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

TEST_F(SessionTest, SendCommandClearsTheBufferAndSetsTheStep) {
  buffer.Append("old printout\r\n<");
  SendCommand(session, "RLSLP:CELL=ALL;");
  EXPECT_EQ(buffer.Text(), "");
  EXPECT_EQ(step, "RLSLP:CELL=ALL;");
  EXPECT_THAT(telnet.Sent(), ElementsAre("RLSLP:CELL=ALL;"));
}

}  // namespace
}  // namespace kestrel::mml
