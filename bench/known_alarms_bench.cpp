// The warning rule asks, for every alarm of a scan, whether its text occurs anywhere in the
// known alarm list. A 5,000-alarm list scanned against a 9,000-entry known list: the indexed
// lookup next to a search of the whole text, which must take at least 20 times as long.
// Both give the same answers (checked here, and on random input by the unit tests).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "pages/dailycheck/known_alarms.h"

namespace {

using kestrel::dailycheck::KnownAlarms;

const std::vector<std::string> kWords = {
    "DIGITAL",     "PATH",         "FAULT",      "SUPERVISION", "CELL",     "LOGICAL",
    "CHANNEL",     "AVAILABILITY", "SIGNALLING", "LINK",        "ROUTE",    "TRUNK",
    "SYNCHRONOUS", "QUALITY",      "STATE",      "ALARM",       "EXTERNAL", "TERMINAL",
    "BLOCKED",     "MANUALLY",     "DATA",       "OUTPUT",      "FILE",     "BACKUP",
    "INFORMATION", "REACHED",      "THRESHOLD",  "CCITT7",      "EVENT"};

std::string Text(std::mt19937& random) {
  std::string text;
  const int words = 2 + static_cast<int>(random() % 5);
  for (int w = 0; w < words; ++w) text += (w ? " " : "") + kWords[random() % kWords.size()];
  text += " " + std::to_string(random() % 1000);
  return text;
}

struct Data {
  std::string list;
  std::vector<std::string> alarms;  // half known, half not
};

const Data& TestData() {
  static const Data data = [] {
    std::mt19937 random(1);
    Data made;
    std::vector<std::string> entries;
    for (int i = 0; i < 9000; ++i) {
      entries.push_back(Text(random));
      made.list += entries.back() + "\r\n";
    }
    for (int i = 0; i < 5000; ++i) {
      made.alarms.push_back(i % 2 == 0 ? entries[random() % entries.size()] : Text(random));
    }
    return made;
  }();
  return data;
}

void IndexedLookup(benchmark::State& state) {
  const KnownAlarms known(TestData().list);
  for (auto _ : state) {
    int found = 0;
    for (const auto& alarm : TestData().alarms) found += known.Contains(alarm);
    benchmark::DoNotOptimize(found);
  }
}

void WholeTextSearch(benchmark::State& state) {
  const std::string& text = TestData().list;
  for (auto _ : state) {
    int found = 0;
    for (const auto& alarm : TestData().alarms) found += text.find(alarm) != std::string::npos;
    benchmark::DoNotOptimize(found);
  }
}

BENCHMARK(IndexedLookup)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeTextSearch)->Unit(benchmark::kMillisecond);

class Times : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  // Same answers first.
  const KnownAlarms known(TestData().list);
  for (const auto& alarm : TestData().alarms) {
    if (known.Contains(alarm) != (TestData().list.find(alarm) != std::string::npos)) {
      std::printf("different answer for \"%s\"\n", alarm.c_str());
      return 1;
    }
  }
  benchmark::Initialize(&argc, argv);
  Times times;
  benchmark::RunSpecifiedBenchmarks(&times);
  const double indexed = times.seconds["IndexedLookup"], naive = times.seconds["WholeTextSearch"];
  if (indexed <= 0 || naive <= 0) return 0;
  std::printf("\nIndexed lookup is %.0fx faster than the whole-text search (at least 20x): %s\n",
              naive / indexed, naive / indexed >= 20 ? "OK" : "TOO SLOW");
  return naive / indexed >= 20 ? 0 : 1;
}
