#include "pages/dailycheck/known_alarms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace kestrel::dailycheck {
namespace {

TEST(KnownAlarms, SubstringsOfTheWholeListAreKnown) {
  const KnownAlarms known(
      "# a comment line\r\nSYSTEM STATE\r\nCP STATE NOT NORMAL\nEXTERNAL ALARM\n");
  EXPECT_THAT(known.Entries(),
              ::testing::ElementsAre("SYSTEM STATE", "CP STATE NOT NORMAL", "EXTERNAL ALARM"));
  EXPECT_TRUE(known.Contains("SYSTEM STATE"));
  EXPECT_TRUE(known.Contains("STATE NOT"));  // inside a longer entry
  EXPECT_TRUE(known.Contains("CP"));         // shorter than the index runs
  EXPECT_FALSE(known.Contains(""));
  EXPECT_FALSE(known.Contains("system state"));
  EXPECT_FALSE(known.Contains("A comment"));
  EXPECT_FALSE(known.Contains("EXTERNAL ALARMS"));
}

// The index must give exactly the answers of a search of the whole text.
TEST(KnownAlarms, IndexAnswersAsTheWholeTextSearchOnRandomQueries) {
  std::mt19937 random(7);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRST ";
  auto word = [&](std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    return text;
  };
  std::string list;
  for (int i = 0; i < 2000; ++i) list += word(5 + random() % 30) + "\r\n";
  const KnownAlarms known(list);
  for (int i = 0; i < 20000; ++i) {
    std::string query;
    if (i % 2 == 0) {  // a piece of the list itself, found or not at line breaks
      const std::size_t at = random() % list.size();
      query = list.substr(at, 1 + random() % 12);
    } else {
      query = word(1 + random() % 8);
    }
    if (query.find('\n') != std::string::npos || query.find('\r') != std::string::npos) continue;
    ASSERT_EQ(known.Contains(query),
              known.Text().find(query) != std::string::npos && !query.empty())
        << "\"" << query << "\"";
  }
}

}  // namespace
}  // namespace kestrel::dailycheck
