#include "pages/dailycheck/known_alarms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace kestrel::dailycheck {
namespace {

// A slogan is known when it is a piece of one line of the list (comment lines are no part of
// it), in the same letter case; the index answers exactly as a search of the whole text does.
TEST(KnownAlarms, SubstringsOfTheListAreKnownAsTheWholeTextSearchFindsThem) {
  const KnownAlarms short_list("# a comment line\r\nSYSTEM STATE\r\nCP STATE NOT NORMAL\n");
  EXPECT_THAT(short_list.Entries(), ::testing::ElementsAre("SYSTEM STATE", "CP STATE NOT NORMAL"));
  for (const char* unknown : {"", "system state", "A comment", "NORMALS"})
    EXPECT_FALSE(short_list.Contains(unknown)) << unknown;
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
    // A piece of the list itself (found or not at line breaks), or a word of its letters.
    std::string query = i % 2 == 0 ? list.substr(random() % list.size(), 1 + random() % 12)
                                   : word(1 + random() % 8);
    if (query.find_first_of("\r\n") != std::string::npos) continue;
    ASSERT_EQ(known.Contains(query), !query.empty() && list.find(query) != std::string::npos)
        << "\"" << query << "\"";
  }
}

}  // namespace
}  // namespace kestrel::dailycheck
