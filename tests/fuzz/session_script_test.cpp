#include "tests/fuzz/session_script.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kestrel::fuzz {
namespace {

using Kind = Operation::Kind;

SessionScript Sample() {
  return {0x85,
          {{Kind::kReceive, 0, "\r\nUser: ", 0},
           {Kind::kReceive, 1, "<\\ \t\x04\xff end ", 0},
           {Kind::kReceiveRepeated, 0, "WO      BSC9\r\n", 100},
           {Kind::kAdvance, 2, {}, 2},
           {Kind::kNextTimer, 0, {}, 0},
           {Kind::kClose, 3, {}, 0},
           {Kind::kClose, 0, {}, 0},
           {Kind::kStartStop, 1, {}, 0},
           {Kind::kStartStop, 0, {}, 0},
           {Kind::kConnectFails, 1, {}, 0},
           {Kind::kPage, 17, {}, 0}}};
}

TEST(SessionScript, BytesAndTheReadableTextSayTheSame) {
  const SessionScript script = Sample();
  EXPECT_EQ(Decode(Encode(script)), script);
  std::string error;
  EXPECT_EQ(FromText(ToText(script), error), script) << error;
  EXPECT_EQ(ToText(script),
            "options 0x85\n"
            "receive \\r\\nUser:\\x20\n"
            "cellr.receive <\\\\ \\t\\x04\\xff end\\x20\n"
            "receive*100 WO      BSC9\\r\\n\n"
            "advance 3000\n"
            "next-timer\n"
            "cellr.client-ends\n"
            "close\n"
            "stop\n"
            "start\n"
            "cellr.connect-fails\n"
            "page 17\n");
}

TEST(SessionScript, AnyBytesAreAScriptWithOneReading) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 64, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const SessionScript script = Decode(bytes);
    EXPECT_EQ(Decode(Encode(script)), script);
    // An advance may be written with another scale; it moves the clock as far.
    std::string error;
    const auto read = FromText(ToText(script), error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(ToText(*read), ToText(script));
  }
}

TEST(SessionScript, ARecordCutShortCountsWithWhatThereIs) {
  const SessionScript script =
      Decode(std::string("\x01\x00\x05"
                         "ab",
                         5));
  ASSERT_EQ(script.operations.size(), 1u);
  EXPECT_EQ(script.operations[0].bytes, "ab");
  EXPECT_EQ(Decode("").options, 0);
  EXPECT_TRUE(Decode("\x07").operations.empty());
}

TEST(SessionScript, AdvancesAreWrittenWithTheLargestScale) {
  std::string error;
  const auto script = FromText("advance 60000\nadvance 250\nadvance 2560000\n", error);
  ASSERT_TRUE(script) << error;
  EXPECT_EQ(script->operations[0].argument, 3);
  EXPECT_EQ(script->operations[0].count, 5);
  EXPECT_EQ(script->operations[1].Milliseconds(), 250);
  EXPECT_EQ(script->operations[2].Milliseconds(), 2560000);
}

TEST(SessionScript, ABadLineIsNamed) {
  for (const char* text :
       {"options 256", "advance 0", "advance 2560001", "receive \\q", "receive \\x4", "jump",
        "receive*0 x", "receive*257 x", "page 32", "cellr.start", "cellr.advance 5"}) {
    std::string error;
    EXPECT_FALSE(FromText(std::string("# a seed\n\n") + text + "\n", error)) << text;
    EXPECT_TRUE(error.starts_with("line 3: ")) << error;
  }
  std::string error;
  EXPECT_FALSE(FromText("receive " + std::string(256, 'x'), error));
}

}  // namespace
}  // namespace kestrel::fuzz
