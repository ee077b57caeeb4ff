#include "sim/mml_dialogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/dialogue_test_script.h"

namespace kestrel::sim {
namespace {

// The scripts of tests/data/sim/mml-dialogues.txt, each with a network of its own.
TEST(MmlDialogue, Scripts) {
  const auto sections = kestrel::testing::TestDataSections("sim/mml-dialogues.txt");
  for (const auto& [name, text] : sections) {
    if (name.starts_with("scenario ")) continue;
    SCOPED_TRACE(name);
    std::vector<std::string> lines = testing::ScriptLines(text);
    ASSERT_TRUE(lines.at(0).starts_with("use "));
    const std::string use = lines[0].substr(4);
    lines.erase(lines.begin());
    Scenario scenario = Scenario::FromJson(testing::Uncommented(sections.at("scenario " + use)));
    Element& element = scenario.elements.front();
    testing::Dialogue script;
    MmlDialogue dialogue(
        scenario, element, script.faults, [] { return std::string("261206 093001"); },
        [&](const std::string& event) { script.events.push_back(event); });
    script.type = [&](const std::string& line) { return dialogue.Answer(line); };
    script.check = [&](const std::string& check) {
      const std::string object = check.substr(check.find(' ') + 1);
      if (check.starts_with("blocked ") || check.starts_with("unblocked ")) {
        EXPECT_EQ(element.Object(object)->blocked, check.starts_with("blocked "));
      } else if (check == "endless" || check == "ordinary") {
        EXPECT_EQ(dialogue.Endless(), check == "endless");
      } else if (check == "next page") {
        EXPECT_THAT(dialogue.MoreOfEndlessPrintout(), ::testing::StartsWith("WO      BSC9"));
      } else {
        return false;
      }
      return true;
    };
    testing::Play(lines, script);
  }
}

}  // namespace
}  // namespace kestrel::sim
