#include "mml/shapes.h"

#include <gtest/gtest.h>

namespace kestrel::mml {
namespace {

// What may go into a command: names that fit their shape, never text that could carry a
// parameter or a second command; padded fields fit when what stands before the padding fits.
TEST(Shapes, OnlyWhatFitsTheShapeGoesIntoACommand) {
  const struct {
    bool (*fits)(std::string_view);
    std::vector<const char*> yes, no;
  } rows[] = {
      {IsManagedObject,
       {"RXOTS-12-0-3", "RXOTRX-12-1", "RXOCF-12", "RXOTG-187", "RXOTX-13-0", "RXORX-1-2"},
       {"", "RXOTS", "RXOTS-", "RXOTS-9-0-1;SYRE", "RXOTS-9-0-1,FORCE", "RXOTS-9 0", "rxots-1",
        "XRXOTS-1", "RXOTS-1-2-3-4", "RXOTS-12345", "RXOTS--1"}},
      {IsCellName, {"C09101A", "BSC9A_01"}, {"", "C09101A;", "C0 9", "C09101ABC"}},
      {IsRouteName, {"ROUTE7    ", "R1"}, {"R1;SYRES:;", "          ", " R1"}},
      {[](std::string_view text) { return IsNumber(text, 4); },
       {"2301", "12  "},
       {"1,X=", "12345"}},
      {IsPathName, {"RBLT2-1", "VC12.3 "}, {"A,LP=B", "       "}},
      {IsEventCode, {"H'2F1A", "H'0"}, {"H'", "2F1A", "H'2G", "H'1;X"}},
  };
  for (const auto& row : rows) {
    for (const char* text : row.yes) EXPECT_TRUE(row.fits(text)) << text;
    for (const char* text : row.no) EXPECT_FALSE(row.fits(text)) << text;
  }
}

}  // namespace
}  // namespace kestrel::mml
