#include "cli/visit_ledger.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

namespace kestrel::cli {
namespace {

bool Same(const pages::ElementOutcome& a, const pages::ElementOutcome& b) {
  return a.element == b.element && a.visits == b.visits && a.reached == b.reached &&
         a.finished == b.finished && a.ended_early == b.ended_early && a.problems == b.problems &&
         a.more_problems == b.more_problems && a.maybe_blocked == b.maybe_blocked &&
         a.unsaved == b.unsaved;
}

// What may happen in a visit, with a word that tells one problem, alarm or file from another.
void (*const kEvents[])(pages::Outcomes&, const std::string&) = {
    [](pages::Outcomes& o, const std::string&) { o.Reached(); },
    [](pages::Outcomes& o, const std::string&) { o.Finished(); },
    [](pages::Outcomes& o, const std::string& what) { o.EndedEarly("why " + what); },
    [](pages::Outcomes& o, const std::string& what) { o.Problem("problem " + what); },
    [](pages::Outcomes& o, const std::string& what) { o.Blocked("RXOCF-" + what); },
    [](pages::Outcomes& o, const std::string& what) { o.Deblocked("RXOCF-" + what); },
    [](pages::Outcomes& o, const std::string& what) { o.Unsaved("/share/" + what); },
};

// Random visits of a few elements, each on a random page: the run's ledger is the one page's
// ledger, also past the problems it keeps; a visit handed out whose page never starts it leaves
// its element as it was.
TEST(VisitLedger, RandomVisitsAddUpAsOnOnePage) {
  const std::vector<std::string> elements = {"BSC9", "MSC9", "BSC10"};
  for (unsigned seed = 1; seed <= 100; ++seed) {
    std::mt19937 random(seed);
    pages::Outcomes one;
    VisitLedger run;
    pages::Outcomes lanes[3];
    for (int v = 0; v < 40; ++v) {
      const std::string& element = elements[random() % elements.size()];
      pages::Outcomes& lane = lanes[random() % 3];
      run.Seed(lane, element);
      if (random() % 5 == 0) {
        run.Take(lane, element);
        continue;
      }
      one.Begin(element);
      lane.Begin(element);
      const int events = static_cast<int>(random() % 6);
      for (int e = 0; e < events; ++e) {
        const std::string what = std::to_string(random() % 14);
        const auto& event = kEvents[random() % std::size(kEvents)];
        event(one, what);
        event(lane, what);
      }
      run.Take(lane, element);
    }
    ASSERT_EQ(run.All().size(), one.All().size()) << "seed " << seed;
    for (std::size_t i = 0; i < one.All().size(); ++i) {
      EXPECT_TRUE(Same(run.All()[i], one.All()[i])) << "seed " << seed << "\n"
                                                    << pages::RecapLine(run.All()[i]) << "\n"
                                                    << pages::RecapLine(one.All()[i]);
    }
  }
}

}  // namespace
}  // namespace kestrel::cli
