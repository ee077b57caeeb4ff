#include "mml/answer.h"

#include <gtest/gtest.h>

namespace kestrel::mml {
namespace {

Answer Read(std::string_view text) {
  controls::Memo buffer;
  buffer.SetText(text);
  return ReadAnswer(buffer);
}

TEST(Answer, AWholePrintoutEndsWithEndBeforeThePrompt) {
  const Answer answer = Read("RLSLP:CELL=ALL;\r\n\r\nCELL RESOURCES\r\n\r\nEND   \r\n\r\n<");
  EXPECT_EQ(answer.kind, Answer::Kind::kPrintout);
  EXPECT_TRUE(answer.prompt);
  EXPECT_TRUE(answer.ended);
  EXPECT_FALSE(answer.Refused());
  EXPECT_EQ(answer.Words(), "");
}

TEST(Answer, APromptInsideTheTextEndsTheAnswerWithoutItsEnd) {
  const Answer answer = Read("ALLIP;\r\nLIMIT <5\r\nEND\r\n\r\n<");
  EXPECT_TRUE(answer.prompt);
  EXPECT_FALSE(answer.ended);
  EXPECT_FALSE(Read("RLSLP:CELL=ALL;\r\nCELL RESOURCES\r\n").prompt);
}

TEST(Answer, NotAcceptedCarriesTheFaultCodeAndReason) {
  const Answer answer =
      Read("RLSLP:CELL=ALL;\r\nNOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE\r\n\r\n<");
  EXPECT_EQ(answer.kind, Answer::Kind::kNotAccepted);
  EXPECT_TRUE(answer.Refused());
  EXPECT_EQ(answer.Words(), "NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE");
  EXPECT_EQ(answer.RefusalNote("BSC9", "RLSLP:CELL=ALL;"),
            "BSC9: RLSLP:CELL=ALL; refused: NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE");
}

TEST(Answer, BusyAndUnknownCommandAreRefusals) {
  EXPECT_EQ(Read("ALLIP;\r\nFUNCTION BUSY\r\n\r\n<").kind, Answer::Kind::kFunctionBusy);
  EXPECT_EQ(Read("RXASP:MOTY=RXOTG;\r\nCOMMAND UNKNOWN\r\n<").Words(), "COMMAND UNKNOWN");
}

// An order is carried out only when the element says EXECUTED; a refusal wins over it.
TEST(Answer, ExecutedOnlyWhenSaid) {
  EXPECT_TRUE(Read(";\r\nEXECUTED\r\n\r\n<").Executed());
  EXPECT_FALSE(Read(";\r\nORDERED\r\n\r\n<").Executed());
  EXPECT_FALSE(Read(";\r\n\r\n<").Executed());
  EXPECT_FALSE(Read(";\r\nNOT ACCEPTED\r\nFAULT CODE 31\r\nEXECUTED\r\n<").Executed());
}

// The verdicts stand on lines of their own; the same words in data are data.
TEST(Answer, VerdictWordsInsideADataLineAreNotAVerdict) {
  const Answer answer =
      Read("ALLIP;\r\nA2/APT \"BSC9\"\r\nROUTE NOT ACCEPTED BY REMOTE END\r\nEND\r\n\r\n<");
  EXPECT_EQ(answer.kind, Answer::Kind::kPrintout);
  EXPECT_TRUE(answer.ended);
}

TEST(Answer, ControlCharactersInTheReasonArePrintable) {
  EXPECT_EQ(Read("X;\r\nNOT ACCEPTED\r\nFAULT\x1b[0m CODE 7\r\n<").Words(),
            "NOT ACCEPTED, FAULT?[0m CODE 7");
}

}  // namespace
}  // namespace kestrel::mml
