#include "sim/session_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrel::sim {
namespace {

using ::testing::HasSubstr;
using Kind = LogRecord::Kind;

TEST(SessionLog, RecordsWithTheirDirectionsAndEscapesUndone) {
  const auto records = ParseSessionLog(
      "2026-12-06 09:30:01.000 note connect 127.0.0.1:52200\n"
      "2026-12-06 09:30:01.012 recv \\xff\\xfb\\x01\\r\\nKESTREL GW\\r\\nUser: \n"
      "2026-12-06 09:30:01.020 sent kestrel\n"
      "2026-12-06 09:30:01.021 sent ********\n"
      "2026-12-06 09:30:01.030 sent \n"
      "2026-12-06 09:30:01.031 sent\n"
      "2026-12-06 09:30:01.040 recv a\\\\b\\tc\\x04\\x7f\\xE9 ;<\n"
      "2026-12-06 09:30:01.050 note closed by peer\n");
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[0].kind, Kind::kNote);
  EXPECT_EQ(records[0].text, "connect 127.0.0.1:52200");
  EXPECT_EQ(records[1].kind, Kind::kReceived);
  EXPECT_EQ(records[1].text, "\xff\xfb\x01\r\nKESTREL GW\r\nUser: ");
  EXPECT_EQ(records[2].kind, Kind::kSent);
  EXPECT_EQ(records[3].text, "********");
  EXPECT_EQ(records[4].text, "");  // an empty line sent
  EXPECT_EQ(records[5].text, "");  // the same, its blank taken away by an editor
  EXPECT_EQ(records[6].text, "a\\b\tc\x04\x7f\xe9 ;<");
  EXPECT_EQ(records[7].line, 8);
}

TEST(SessionLog, LineBreaksOfEitherKindAndBlankLines) {
  const auto records = ParseSessionLog(
      "2026-12-06 09:30:01.000 sent A\r\n\n2026-12-06 09:30:01.000 recv B\\r\\n\r\n");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].text, "A");
  EXPECT_EQ(records[1].text, "B\r\n");
  EXPECT_EQ(records[1].line, 3);
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
