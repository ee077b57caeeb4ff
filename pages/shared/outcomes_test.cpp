#include "pages/shared/outcomes.h"

#include <gtest/gtest.h>

#include "pages/shared/page_test_cases.h"

namespace kestrel::pages {
namespace {

// Each case of outcomes-recaps.txt: the calls of a page, then the recap line they leave.
TEST(Outcomes, WhatTheVisitsDidIsSaidInOneLine) {
  for (const auto& c : testing::DataCases("outcomes-recaps.txt")) {
    SCOPED_TRACE(c.name);
    Outcomes outcomes;
    for (const std::string& call : c.Lines("calls")) {
      const std::string verb = call.substr(0, call.find(' '));
      const std::string arg = call.substr(std::min(call.size(), verb.size() + 1));
      if (verb == "begin") outcomes.Begin(arg);
      if (verb == "reached") outcomes.Reached();
      if (verb == "finished") outcomes.Finished();
      if (verb == "blocked") outcomes.Blocked(arg);
      if (verb == "deblocked") outcomes.Deblocked(arg);
      if (verb == "problem") outcomes.Problem(arg);
      if (verb == "ended") outcomes.EndedEarly(arg);
      if (verb == "unsaved") outcomes.Unsaved(arg);
    }
    ASSERT_NE(outcomes.Current(), nullptr);
    EXPECT_EQ(RecapLine(*outcomes.Current()), c.Lines("recap").at(0));
    EXPECT_EQ(outcomes.Current()->Clean(), c.parts.contains("clean"));
  }
}

// An endless supervision visits the same elements for weeks: one entry each, problems kept
// once and only the first few.
TEST(Outcomes, RepeatedVisitsShareOneEntryThatStaysSmall) {
  Outcomes outcomes;
  for (int pass = 0; pass < 1000; ++pass) {
    for (const char* element : {"BSC9", "MSC9"}) {
      outcomes.Begin(element);
      if (std::string_view(element) == "MSC9" && pass % 2 == 0) continue;  // not reached
      outcomes.Reached();
      outcomes.Problem("refused " + std::to_string(pass % 20));
      outcomes.Finished();
    }
  }
  ASSERT_EQ(outcomes.All().size(), 2u);
  const ElementOutcome& msc9 = *outcomes.Find("MSC9");
  EXPECT_EQ(msc9.visits, 1000);
  EXPECT_EQ(msc9.reached, 500);
  EXPECT_EQ(outcomes.Find("BSC9")->problems.size(), Outcomes::kProblemsKept);
  EXPECT_EQ(outcomes.Find("BSC9")->more_problems, 500u);  // counted, not kept
  EXPECT_EQ(RecapLine(msc9).substr(0, 35), "MSC9: reached in 500 of 1000 visits");
}

TEST(Outcomes, AnElementNeverStartedIsNotReached) {
  ElementOutcome never;
  never.element = "BSC12";
  EXPECT_FALSE(never.Clean());
  EXPECT_EQ(RecapLine(never), "BSC12: not reached (never started)");
}

}  // namespace
}  // namespace kestrel::pages
