#include "sim/session_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "sim/dialogue_test_script.h"

namespace kestrel::sim {
namespace {

using ::testing::HasSubstr;
using Kind = LogRecord::Kind;

// Each record with its direction, its escapes undone and its line number; line breaks of
// either kind; blank lines are no records; an empty line sent keeps its record, also with its
// blank taken away by an editor.
TEST(SessionLog, RecordsWithTheirDirectionsAndEscapesUndone) {
  const auto records = ParseSessionLog(
      "2026-12-06 09:30:01.000 note connect 127.0.0.1:52200\r\n"
      "2026-12-06 09:30:01.012 recv \\xff\\xfb\\x01\\r\\nKESTREL GW\\r\\nUser: \n\n"
      "2026-12-06 09:30:01.020 sent kestrel\n"
      "2026-12-06 09:30:01.030 sent \n"
      "2026-12-06 09:30:01.031 sent\n"
      "2026-12-06 09:30:01.040 recv a\\\\b\\tc\\x04\\x7f\\xE9 ;<\n");
  const std::vector<std::tuple<Kind, std::string, int>> expected = {
      {Kind::kNote, "connect 127.0.0.1:52200", 1},
      {Kind::kReceived, "\xff\xfb\x01\r\nKESTREL GW\r\nUser: ", 2},
      {Kind::kSent, "kestrel", 4},
      {Kind::kSent, "", 5},
      {Kind::kSent, "", 6},
      {Kind::kReceived, "a\\b\tc\x04\x7f\xe9 ;<", 7}};
  ASSERT_EQ(records.size(), expected.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(std::tuple(records[i].kind, records[i].text, records[i].line), expected[i]) << i;
  }
  EXPECT_TRUE(ParseSessionLog("").empty());
}

TEST(SessionLog, MalformedLinesAreRejectedWithTheirNumber) {
  const std::string good = "2026-12-06 09:30:01.000 sent A\n";
  for (const auto& [line, what] : testing::MalformedRows("session log")) {
    try {
      ParseSessionLog(good + line + "\n" + good);
      ADD_FAILURE() << "taken: " << line;
    } catch (const MalformedLog& error) {
      EXPECT_THAT(error.what(), HasSubstr("line 2: ")) << line;
      EXPECT_THAT(error.what(), HasSubstr(what)) << line;
    }
  }
}

}  // namespace
}  // namespace kestrel::sim
