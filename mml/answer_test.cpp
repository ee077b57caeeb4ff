#include "mml/answer.h"

#include <gtest/gtest.h>

namespace kestrel::mml {
namespace {

using Kind = Answer::Kind;

// What each answer is: its kind, its prompt and END, and its words. A prompt sign inside the
// text ends the answer; verdicts stand on lines of their own (the same words in data are
// data); a refusal wins over EXECUTED; the reason is the few lines below NOT ACCEPTED up to a
// blank one, control characters made printable.
TEST(Answer, EachAnswerIsReadAsWhatItIs) {
  const struct {
    const char* text;
    Kind kind;
    bool prompt, ended;
    const char* words;
  } rows[] = {
      {"RLSLP:CELL=ALL;\r\n\r\nCELL RESOURCES\r\n\r\nEND   \r\n\r\n<", Kind::kPrintout, true, true,
       ""},
      {"ALLIP;\r\nLIMIT <5\r\nEND\r\n\r\n<", Kind::kPrintout, true, false, ""},
      {"RLSLP:CELL=ALL;\r\nCELL RESOURCES\r\n", Kind::kPrintout, false, false, ""},
      {"X;\r\nNOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE\r\n\r\nEND\r\n<",
       Kind::kNotAccepted, true, true, "NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE"},
      {"X;\r\nNOT ACCEPTED\r\nFAULT\x1b[0m CODE 7\r\n<", Kind::kNotAccepted, true, false,
       "NOT ACCEPTED, FAULT?[0m CODE 7"},
      {";\r\nNOT ACCEPTED\r\nFAULT CODE 31\r\nEXECUTED\r\n<", Kind::kNotAccepted, true, false,
       "NOT ACCEPTED, FAULT CODE 31, EXECUTED"},
      {"ALLIP;\r\nFUNCTION BUSY\r\n\r\n<", Kind::kFunctionBusy, true, false, "FUNCTION BUSY"},
      {"RXASP:MOTY=RXOTG;\r\nCOMMAND UNKNOWN\r\n<", Kind::kCommandUnknown, true, false,
       "COMMAND UNKNOWN"},
      {";\r\nEXECUTED\r\n\r\n<", Kind::kExecuted, true, false, ""},
      {";\r\nORDERED\r\n\r\n<", Kind::kPrintout, true, false, ""},
      {"ALLIP;\r\nA2/APT \"BSC9\"\r\nROUTE NOT ACCEPTED BY REMOTE END\r\nEND\r\n\r\n<",
       Kind::kPrintout, true, true, ""},
  };
  for (const auto& row : rows) {
    controls::Memo buffer;
    buffer.SetText(row.text);
    const Answer answer = ReadAnswer(buffer);
    EXPECT_EQ(answer.kind, row.kind) << row.text;
    EXPECT_EQ(answer.prompt, row.prompt) << row.text;
    EXPECT_EQ(answer.ended, row.ended) << row.text;
    EXPECT_EQ(answer.Words(), row.words) << row.text;
    EXPECT_EQ(answer.Refused(), *row.words != '\0') << row.text;
    EXPECT_EQ(answer.Executed(), row.kind == Kind::kExecuted) << row.text;
  }
}

TEST(Answer, ARefusalNoteNamesTheElementAndTheCommand) {
  controls::Memo buffer;
  buffer.SetText("X;\r\nNOT ACCEPTED\r\nFAULT CODE 7\r\n\r\n<");
  EXPECT_EQ(ReadAnswer(buffer).RefusalNote("BSC9", "RLSLP:CELL=ALL;"),
            "BSC9: RLSLP:CELL=ALL; refused: NOT ACCEPTED, FAULT CODE 7");
}

}  // namespace
}  // namespace kestrel::mml
