// How the printout buffer and the RLSLP parse scale with the size of a printout: a printout
// of N lines, received in 1,460-byte chunks (one TCP segment each), through the page itself.
// Next to it, a baseline that re-splits the whole text on every chunk, as a buffer without a
// line index would. After the runs it prints how time grows from 10,000 to 100,000 lines,
// which must stay linear (at most about 12 times the time for 10 times the lines).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "pages/rlslp/rlslp_page.h"
#include "tests/fake_telnet.h"

namespace {

constexpr std::size_t kChunk = 1460;

std::string Printout(std::size_t lines) {
  std::string text =
      "RLSLP:CELL=ALL;\r\n\r\nCELL LOGICAL CHANNELS AVAILABILITY SUPERVISION\r\n\r\n";
  std::size_t written = 4;
  for (std::size_t cell = 0; written < lines; ++cell, written += 7) {
    char name[8];
    std::snprintf(name, sizeof name, "C%06zu", cell % 1000000);
    text += "CELL       SCTYPE\r\n";
    text += std::string(name) + "\r\n\r\n";
    text += "ACTIVE     CHTYPE  CHRATE  SPV    LVA    ACL\r\n";
    text += cell % 50 == 0 ? "NO         SDCCH                  2      A2\r\n"
                           : "YES        SDCCH                  2      A2\r\n";
    text += "           TCH     FR      1      4      A2\r\n\r\n";
  }
  return text + "END\r\n\r\n<";
}

// Throughput, and its inverse: the time one megabyte of printout costs.
void Report(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["time_per_MB"] = benchmark::Counter(
      static_cast<double>(bytes) / 1e6,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void PageParse(benchmark::State& state) {
  const std::string printout = Printout(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    kestrel::testing::FakeTelnetClient telnet;
    kestrel::mml::PropertiesForm properties;
    kestrel::rlslp::RlslpPage page(telnet, properties);
    page.SlpListBox.Add("BSC9");
    page.SlpstartButtonClick();
    telnet.Receive("NE: ");          // the element is selected and its prompt attaches: the command
    telnet.Receive("NE=BSC9\r\n<");  // goes out and the buffer starts empty
    state.ResumeTiming();
    telnet.ReceiveInChunks(printout, kChunk);
    benchmark::DoNotOptimize(page.SlpreportMemo.LineCount());
  }
  Report(state, printout.size());
}

// The baseline buffer: its lines rebuilt from the whole text after every chunk.
void ResplitBaseline(benchmark::State& state) {
  const std::string printout = Printout(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::string text;
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < printout.size(); pos += kChunk) {
      text.append(printout, pos, kChunk);
      lines.clear();
      std::size_t start = 0;
      for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
        lines.emplace_back(text, start, at - start);
      }
      if (start < text.size()) lines.emplace_back(text, start);
    }
    benchmark::DoNotOptimize(lines.size());
  }
  Report(state, printout.size());
}

BENCHMARK(PageParse)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ResplitBaseline)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);

// Keeps the time of every run so that growth can be judged after the console report.
class GrowthReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.run_type == Run::RT_Iteration)
        seconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string& name) const {
    const auto found = seconds_.find(name);
    return found == seconds_.end() ? 0 : found->second;
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  GrowthReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double small = reporter.Time("PageParse/10000");
  const double large = reporter.Time("PageParse/100000");
  if (small <= 0 || large <= 0) return 0;  // filtered out
  const double growth = large / small;
  std::printf("\nPageParse: 10x the lines took %.1fx the time (linear: at most about 12x): %s\n",
              growth, growth <= 12.0 ? "OK" : "TOO SLOW");
  return growth <= 12.0 ? 0 : 1;
}
