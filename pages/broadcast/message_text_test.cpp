#include "pages/broadcast/message_text.h"

#include <gtest/gtest.h>

#include "pages/shared/page_test_cases.h"

namespace kestrel::broadcast {
namespace {

// Each row of "message texts" in readings.txt.
TEST(FullMessageText, TheValueRowAndItsContinuations) {
  for (const auto& row : pages::testing::Rows("readings.txt", "message texts")) {
    controls::Memo memo;
    memo.SetText(row.at(0));
    EXPECT_EQ(FullMessageText(memo, 1, std::stoul(row.at(1))), row.at(2)) << row[0];
  }
}

}  // namespace
}  // namespace kestrel::broadcast
