#include "mml/answer.h"

#include <gtest/gtest.h>

#include "sim/session_log.h"
#include "tests/test_data.h"

namespace kestrel::mml {
namespace {

// The rows of tests/data/mml/answers.txt.
TEST(Answer, EachAnswerIsReadAsWhatItIs) {
  const char* const kKinds[] = {"printout", "executed", "not accepted", "function busy",
                                "command unknown"};
  const auto rows = kestrel::testing::TestDataSections("mml/answers.txt").at("rows");
  for (const std::string& row : kestrel::testing::SplitAt(rows, "\r\n")) {
    if (row.empty()) continue;
    const std::vector<std::string> fields = kestrel::testing::SplitAt(row, " | ");
    ASSERT_EQ(fields.size(), 3u) << row;
    controls::Memo buffer;
    buffer.SetText(sim::UnescapeRecordText(fields[2]));
    const Answer answer = ReadAnswer(buffer);
    const std::string read = std::string(kKinds[static_cast<int>(answer.kind)]) +
                             (answer.prompt ? ", prompt" : ", no prompt") +
                             (answer.ended ? ", ended" : ", not ended");
    EXPECT_EQ(read, fields[0]) << row;
    EXPECT_EQ(answer.Words(), fields[1]) << row;
    EXPECT_EQ(answer.Refused(), !fields[1].empty()) << row;
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
