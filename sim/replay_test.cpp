#include "sim/replay.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/dialogue_test_script.h"

namespace kestrel::sim {
namespace {

const auto kSections = kestrel::testing::TestDataSections("sim/replays.txt");

// The log of section "log NAME", as a Kestrel program writes it.
RecordedSession Log(const std::string& name) {
  std::string text;
  for (const std::string& line : testing::ScriptLines(kSections.at("log " + name))) {
    if (!line.empty()) text += "2026-12-06 09:30:01.000 " + line + "\n";
  }
  return RecordedSession::FromRecords(name, ParseSessionLog(text));
}

// The scripts of tests/data/sim/replays.txt, each with a book of its own (afresh: each session).
TEST(Replay, Scripts) {
  for (const auto& [name, text] : kSections) {
    if (name.starts_with("log ")) continue;
    SCOPED_TRACE(name);
    std::vector<std::string> lines = testing::ScriptLines(text);
    const std::vector<std::string> words = kestrel::testing::SplitAt(lines.at(0), " ");
    lines.erase(lines.begin());
    ASSERT_EQ(words[0], "logs");
    std::vector<RecordedSession> sessions;
    bool join = false, afresh = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
      join |= words[i] == "joined";
      afresh |= words[i] == "afresh";
      if (words[i] != "joined" && words[i] != "afresh") sessions.push_back(Log(words[i]));
    }
    std::vector<std::unique_ptr<ReplayBook>> books;
    books.push_back(std::make_unique<ReplayBook>(sessions));
    testing::Dialogue script;
    auto& events = script.events;
    script.check = [&](const std::string& check) {
      if (!check.starts_with("warnings ")) return false;
      EXPECT_EQ(
          std::count_if(events.begin(), events.end(),
                        [](const std::string& event) { return event.starts_with("warning "); }),
          std::stoi(check.substr(9)));
      return true;
    };
    testing::PlayConversation(lines, script, [&] {
      if (afresh) books.push_back(std::make_unique<ReplayBook>(sessions));
      return std::make_unique<ReplaySession>(
          *books.back(), join, [&](const std::string& event) { events.push_back(event); },
          [&](const std::string& warning) { events.push_back("warning " + warning); });
    });
  }
}

TEST(Replay, ALogWithNothingToPlayIsMalformed) {
  EXPECT_THROW(RecordedSession::FromRecords("empty.log", {}), MalformedLog);
}

}  // namespace
}  // namespace kestrel::sim
