#include "sim/json.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "sim/dialogue_test_script.h"

namespace kestrel::sim::json {
namespace {

TEST(Json, ValuesReadAsWritten) {
  const Value root = Parse(
      R"( {"s": "a\"b\\c\/\n\u00e9\ud83d\ude00", "n": -12, "f": 1.5e1, "t": true, "x": false,
           "z": null, "a": [1, [], {}], "s": "last"} )");
  ASSERT_TRUE(root.Is(Value::Kind::kObject));
  EXPECT_EQ(root.Find("s")->text, "last");
  EXPECT_EQ(root.members.front().value.text, "a\"b\\c/\n\xc3\xa9\xf0\x9f\x98\x80");
  EXPECT_EQ(root.Find("n")->Int(0), -12);
  EXPECT_EQ(root.Find("f")->Int(0), 15);
  EXPECT_EQ(root.Find("f")->text, "1.5e1");
  EXPECT_TRUE(root.Find("t")->Bool(false));
  EXPECT_FALSE(root.Find("x")->Bool(true));
  EXPECT_EQ(root.Find("s")->Int(7), 7);
  EXPECT_TRUE(root.Find("z")->Is(Value::Kind::kNull));
  EXPECT_EQ(root.Find("a")->items.size(), 3u);
  EXPECT_EQ(root.Find("missing"), nullptr);
}

TEST(Json, BadTextSaysWhereItIsWrong) {
  for (const auto& [text, says] : testing::MalformedRows("json")) {
    try {
      Parse(text);
      ADD_FAILURE() << text;
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(says), std::string::npos)
          << text << ": " << error.what();
    }
  }
  EXPECT_THROW(Parse(std::string(100, '[')), std::runtime_error);  // never down the stack
}

}  // namespace
}  // namespace kestrel::sim::json
