#include "sim/session_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

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
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"2026-12-06 09:30:01 sent A", "does not start with a time"},
      {"2026-12-06T09:30:01.000 sent A", "does not start with a time"},
      {"2026-12-O6 09:30:01.000 sent A", "does not start with a time"},
      {"sent A", "does not start with a time"},
      {"2026-12-06 09:30:01.000 send A", "\"send\" is not sent, recv or note"},
      {"2026-12-06 09:30:01.000 sentA", "followed by a blank"},
      {"2026-12-06 09:30:01.000 recv a\\qb", "broken escape at column 2"},
      {"2026-12-06 09:30:01.000 recv ab\\", "broken escape at column 3"},
      {"2026-12-06 09:30:01.000 recv \\x4", "broken escape"},
      {"2026-12-06 09:30:01.000 recv \\xg0", "broken escape"},
      {"2026-12-06 09:30:01.000 recv a\tb", "raw byte 9 at column 2"},
      {"2026-12-06 09:30:01.000 recv a\rb", "raw byte 13"},
      {"2026-12-06 09:30:01.000 recv \xc3\xa9", "raw byte 195"},
  };
  for (const auto& [line, what] : bad) {
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
