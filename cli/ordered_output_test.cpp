#include "cli/ordered_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace kestrel::cli {
namespace {

struct Written {
  std::string text;
  OrderedOutput output{[this](std::string_view piece) { text += piece; }};
};

// However the visits interleave and whenever they close, the output is at every step the header,
// the text of every visit before the oldest open one and what that one has given so far; the
// rest is held. Nothing is added to a visit once closed or never opened.
TEST(OrderedOutput, AnyInterleavingGivesTheVisitsInOrder) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 random(seed);
    Written out;
    out.output.Write("header\n");
    constexpr int kVisits = 12;
    out.output.Add(kVisits + 7, "unknown\n");
    out.output.Close(kVisits + 7);
    std::vector<std::vector<std::string>> pieces(kVisits);
    for (int v = 0; v < kVisits; ++v) {
      const int count = static_cast<int>(random() % 4);
      for (int k = 0; k < count; ++k) {
        pieces[v].push_back("v" + std::to_string(v) + "." + std::to_string(k) + "\n");
      }
    }
    // Up to four visits open at once; each step adds the next piece of an open visit or
    // closes one that has given all its pieces.
    std::vector<int> open;
    std::vector<std::size_t> given(kVisits, 0);
    int next = 0;
    while (next < kVisits || !open.empty()) {
      if (next < kVisits && open.size() < 4 && (open.empty() || random() % 3 == 0)) {
        ASSERT_EQ(out.output.Open(), static_cast<std::uint64_t>(next));
        open.push_back(next++);
        continue;
      }
      const std::size_t pick = random() % open.size();
      const int v = open[pick];
      if (given[v] < pieces[v].size()) {
        out.output.Add(static_cast<std::uint64_t>(v), pieces[v][given[v]++]);
      } else {
        out.output.Close(static_cast<std::uint64_t>(v));
        out.output.Add(static_cast<std::uint64_t>(v), "late\n");
        open.erase(open.begin() + static_cast<std::ptrdiff_t>(pick));
      }
      const int head = open.empty() ? next : *std::min_element(open.begin(), open.end());
      std::string written = "header\n";
      std::size_t held = 0;
      for (int w = 0; w < next; ++w) {
        for (std::size_t k = 0; k < given[w]; ++k) {
          if (w <= head) written += pieces[w][k];
          held += w > head;
        }
      }
      ASSERT_EQ(out.text, written) << "seed " << seed;
      ASSERT_EQ(out.output.Waiting(), held) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace kestrel::cli
