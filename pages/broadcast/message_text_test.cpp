#include "pages/broadcast/message_text.h"

#include <gtest/gtest.h>

namespace kestrel::broadcast {
namespace {

// The rest of the value row from the text column, then the continuation rows (text only from
// that column on), across page headers; a row with text before the column, an empty line, the
// END line or the prompt ends it.
TEST(FullMessageText, TheValueRowAndItsContinuations) {
  const struct {
    const char* printout;
    std::size_t column;
    const char* text;
  } rows[] = {
      {"TEXT      \r\nKESTREL DEMO MESSAGE THAT IS TOO LONG  \r\n\r\nEND\r\n<", 0,
       "KESTREL DEMO MESSAGE THAT IS TOO LONG"},
      {"ID  TEXT\r\n50  SALAM\r\nEND", 4, "SALAM"},
      {"ID  TEXT\r\n50\r\n", 4, ""},
      {"ID     TEXT\r\n50     WELCOME TO THE KESTREL DEMO NET\r\n"
       "WO      BSC9      AD-739  TIME 261206 093001\r\n       WORK, HAVE A GOOD DAY\r\n\r\n"
       "       NOT PART OF IT\r\n",
       7, "WELCOME TO THE KESTREL DEMO NETWORK, HAVE A GOOD DAY"},
      {"ID     TEXT\r\n50     HI\r\n51     THERE\r\n", 7, "HI"},
      {"TEXT\r\nHI\r\nEND\r\n", 0, "HI"},
      {"TEXT\r\nHI\r\n<", 0, "HI"},
      {"ID     TEXT\r\n50     HI\r\n  <\r\n", 7, "HI"},
  };
  for (const auto& row : rows) {
    controls::Memo memo;
    memo.SetText(row.printout);
    EXPECT_EQ(FullMessageText(memo, 1, row.column), row.text) << row.printout;
  }
}

}  // namespace
}  // namespace kestrel::broadcast
