#include "mml/shapes.h"

#include <gtest/gtest.h>

namespace kestrel::mml {
namespace {

TEST(Shapes, ManagedObjects) {
  for (const char* object :
       {"RXOTS-12-0-3", "RXOTRX-12-1", "RXOCF-12", "RXOTG-187", "RXOTX-13-0", "RXORX-1-2"}) {
    EXPECT_TRUE(IsManagedObject(object)) << object;
  }
  for (const char* object :
       {"", "RXOTS", "RXOTS-", "RXOTS-9-0-1;SYRE", "RXOTS-9-0-1,FORCE", "RXOTS-9 0", "rxots-1",
        "XRXOTS-1", "RXOTS-1-2-3-4", "RXOTS-12345", "RXOTS--1"}) {
    EXPECT_FALSE(IsManagedObject(object)) << object;
  }
}

TEST(Shapes, CellNames) {
  EXPECT_TRUE(IsCellName("C09101A"));
  EXPECT_TRUE(IsCellName("BSC9A_01"));
  EXPECT_FALSE(IsCellName(""));
  EXPECT_FALSE(IsCellName("C09101A;"));
  EXPECT_FALSE(IsCellName("C0 9"));
  EXPECT_FALSE(IsCellName("C09101ABC"));
}

TEST(Shapes, PaddedFieldsFitWhenWhatStandsBeforeThePaddingFits) {
  EXPECT_TRUE(IsRouteName("ROUTE7    "));
  EXPECT_TRUE(IsRouteName("R1"));
  EXPECT_FALSE(IsRouteName("R1;SYRES:;"));
  EXPECT_FALSE(IsRouteName("          "));
  EXPECT_FALSE(IsRouteName(" R1"));
  EXPECT_TRUE(IsNumber("2301", 4));
  EXPECT_TRUE(IsNumber("12  ", 4));
  EXPECT_FALSE(IsNumber("1,X=", 4));
  EXPECT_FALSE(IsNumber("12345", 4));
  EXPECT_TRUE(IsPathName("RBLT2-1"));
  EXPECT_TRUE(IsPathName("VC12.3 "));
  EXPECT_FALSE(IsPathName("A,LP=B"));
  EXPECT_FALSE(IsPathName("       "));
}

TEST(Shapes, EventCodes) {
  EXPECT_TRUE(IsEventCode("H'2F1A"));
  EXPECT_TRUE(IsEventCode("H'0"));
  EXPECT_FALSE(IsEventCode("H'"));
  EXPECT_FALSE(IsEventCode("2F1A"));
  EXPECT_FALSE(IsEventCode("H'2G"));
  EXPECT_FALSE(IsEventCode("H'1;X"));
}

}  // namespace
}  // namespace kestrel::mml
