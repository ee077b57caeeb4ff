#include "mml/text.h"

#include <gtest/gtest.h>

namespace kestrel::mml {
namespace {

TEST(Printable, ControlCharactersBecomeQuestionMarksButLineBreaksAndTabsStay) {
  EXPECT_EQ(Printable(std::string_view("a\x1b]0;x\x07\r\n\tb\x7f\x00", 13)), "a?]0;x?\r\n\tb??");
  EXPECT_EQ(Printable("MÜNCHEN"), "MÜNCHEN");
  EXPECT_EQ(PrintableLine("A\rB\nC\x1b"), "A?B\nC?");  // a line cannot write over itself
}

// Every occurrence however the stream is cut; no secret passes everything.
TEST(SecretMask, EveryOccurrenceHoweverCut) {
  const std::string stream = "pw: hunter2\r\nagain hunter2 and hunt";
  for (const char* secret : {"hunter2", ""}) {
    for (std::size_t cut = 1; cut <= stream.size(); ++cut) {
      SecretMask mask(secret);
      std::string out;
      for (std::size_t pos = 0; pos < stream.size(); pos += cut) {
        out += mask.Pass(std::string_view(stream).substr(pos, cut));
      }
      out += mask.Flush();
      EXPECT_EQ(out, *secret ? "pw: *******\r\nagain ******* and hunt" : stream) << cut;
    }
  }
}

}  // namespace
}  // namespace kestrel::mml
