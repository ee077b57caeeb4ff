#include "pages/shared/outcomes.h"

#include <gtest/gtest.h>

namespace kestrel::pages {
namespace {

TEST(Outcomes, ACleanVisitIsDone) {
  Outcomes outcomes;
  outcomes.Begin("BSC9");
  outcomes.Reached();
  outcomes.Finished();
  ASSERT_NE(outcomes.Current(), nullptr);
  EXPECT_TRUE(outcomes.Current()->Clean());
  EXPECT_EQ(RecapLine(*outcomes.Current()), "BSC9: reached, done");
}

TEST(Outcomes, WhatWentWrongIsSaidInOneLine) {
  Outcomes outcomes;
  outcomes.Begin("BSC9");
  outcomes.Reached();
  outcomes.Blocked("RXOTS-12-0-1");
  outcomes.Blocked("RXOTRX-12-1");
  outcomes.Deblocked("RXOTS-12-0-1");
  outcomes.Problem("BSC9: RXBLE:MO=RXOTRX-12-1; refused: FUNCTION BUSY");
  outcomes.EndedEarly("connection lost while RXBLE:MO=RXOTRX-12-1; was in flight");
  outcomes.Unsaved("/srv/reports/Kestreldailycheck/BSC9_Create_06122026_101502.txt");
  EXPECT_FALSE(outcomes.Current()->Clean());
  EXPECT_EQ(RecapLine(*outcomes.Current()),
            "BSC9: reached; ended early: connection lost while RXBLE:MO=RXOTRX-12-1; was in "
            "flight; BSC9: RXBLE:MO=RXOTRX-12-1; refused: FUNCTION BUSY; may still be blocked: "
            "RXOTRX-12-1; report file not saved: "
            "/srv/reports/Kestreldailycheck/BSC9_Create_06122026_101502.txt");
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

// Every reason a long run's visits ended early is counted, each visit once under its last
// reason, not only the last visit's.
TEST(Outcomes, EveryReasonAVisitEndedEarlyIsCounted) {
  Outcomes outcomes;
  for (int visit = 0; visit < 3; ++visit) {
    outcomes.Begin("BSC9");
    outcomes.EndedEarly("silent, ended by the watchdog during the login");
  }
  outcomes.Begin("BSC9");
  outcomes.EndedEarly("connection lost during the login");
  outcomes.EndedEarly("stopped during the login");  // the same visit, said again
  EXPECT_EQ(RecapLine(*outcomes.Current()),
            "BSC9: reached in 0 of 4 visits; ended early 4 times: silent, ended by the watchdog "
            "during the login (3); stopped during the login (1)");
}

TEST(Outcomes, AnEndThatNamesTheElementDoesNotNameItTwice) {
  Outcomes outcomes;
  outcomes.Begin("BSC9");
  outcomes.Reached();
  outcomes.EndedEarly("BSC9: the answer to ALLIP; passed the printout cap of 64 MB");
  EXPECT_EQ(RecapLine(*outcomes.Current()),
            "BSC9: reached; ended early: the answer to ALLIP; passed the printout cap of 64 MB");
}

TEST(Outcomes, AnElementNeverStartedIsNotReached) {
  ElementOutcome never;
  never.element = "BSC12";
  EXPECT_FALSE(never.Clean());
  EXPECT_EQ(RecapLine(never), "BSC12: not reached (never started)");
}

}  // namespace
}  // namespace kestrel::pages
