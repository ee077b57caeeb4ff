#include "pages/broadcast/message_text.h"

#include <gtest/gtest.h>

namespace kestrel::broadcast {
namespace {

controls::Memo Printout(std::string_view text) {
  controls::Memo memo;
  memo.SetText(text);
  return memo;
}

TEST(FullMessageText, TheRestOfTheValueRowFromTheTextColumn) {
  const auto memo =
      Printout("TEXT      \r\nKESTREL DEMO MESSAGE THAT IS TOO LONG  \r\n\r\nEND\r\n<");
  EXPECT_EQ(FullMessageText(memo, 1, 0), "KESTREL DEMO MESSAGE THAT IS TOO LONG");
  EXPECT_EQ(FullMessageText(Printout("ID  TEXT\r\n50  SALAM\r\nEND"), 1, 4), "SALAM");
  EXPECT_EQ(FullMessageText(Printout("ID  TEXT\r\n50\r\n"), 1, 4), "");
}

TEST(FullMessageText, ContinuationRowsAreJoinedAcrossPageHeaders) {
  const auto memo = Printout(
      "ID     TEXT\r\n"
      "50     WELCOME TO THE KESTREL DEMO NET\r\n"
      "WO      BSC9      AD-739  TIME 261206 093001\r\n"
      "       WORK, HAVE A GOOD DAY\r\n"
      "\r\n"
      "       NOT PART OF IT\r\n");
  EXPECT_EQ(FullMessageText(memo, 1, 7), "WELCOME TO THE KESTREL DEMO NETWORK, HAVE A GOOD DAY");
}

TEST(FullMessageText, StopsAtWhatIsNotAContinuation) {
  // A row with text before the column, the END line and the prompt end the text.
  EXPECT_EQ(FullMessageText(Printout("ID     TEXT\r\n50     HI\r\n51     THERE\r\n"), 1, 7), "HI");
  EXPECT_EQ(FullMessageText(Printout("TEXT\r\nHI\r\nEND\r\n"), 1, 0), "HI");
  EXPECT_EQ(FullMessageText(Printout("TEXT\r\nHI\r\n<"), 1, 0), "HI");
  EXPECT_EQ(FullMessageText(Printout("ID     TEXT\r\n50     HI\r\n  <\r\n"), 1, 7), "HI");
}

}  // namespace
}  // namespace kestrel::broadcast
