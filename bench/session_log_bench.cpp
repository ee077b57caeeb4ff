// What the session log costs the RLSLP intake: a 20 MB printout, built as
// rlslp_printout_bench builds its printouts, fed through the RLSLP page in chunks of one TCP
// segment (1,460 bytes) and of 4,096 bytes, once over a plain fake client and once over the
// same client wrapped in mml::RecordedTelnetClient writing a real log file
// (platform::FileSessionRecorder on a temporary folder). After the runs it prints both times
// per chunk size and their ratio: the log may slow the intake by 10 % at most.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mml/session_record.h"
#include "pages/rlslp/rlslp_page.h"
#include "platform/session_log.h"
#include "tests/fake_telnet.h"

namespace {

constexpr std::size_t kBytes = 20u << 20;
constexpr double kMostSlowdown = 0.10;

std::string Printout() {
  std::string text =
      "RLSLP:CELL=ALL;\r\n\r\nCELL LOGICAL CHANNELS AVAILABILITY SUPERVISION\r\n\r\n";
  for (std::size_t cell = 0; text.size() < kBytes; ++cell) {
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

const std::string& TwentyMegabytes() {
  static const std::string printout = Printout();
  return printout;
}

constexpr const char* kPassword = "s3cret";

// One page session over `telnet` (the client the page talks to) whose network side is `wire`:
// logged in and attached, the listing command sent, then the printout in chunks of `chunk`
// bytes, timed. False when the page did not read the printout.
bool Intake(benchmark::State& state, kestrel::mml::TelnetClient& telnet,
            kestrel::testing::FakeTelnetClient& wire, std::size_t chunk) {
  const std::string& printout = TwentyMegabytes();
  kestrel::mml::PropertiesForm properties;
  properties.UserEdit.SetText("kestrel");
  properties.PasswordEdit.SetText(kPassword);
  kestrel::rlslp::RlslpPage page(telnet, properties);
  page.SetMaxPrintout(64u << 20);
  page.SlpListBox.Add("BSC9");
  page.SlpstartButtonClick();
  wire.Receive("\r\nUser: ");
  wire.Receive("kestrel\r\nPassword: ");
  wire.Receive("\r\nNE: ");
  wire.Receive("NE=BSC9\r\n<");
  state.ResumeTiming();
  wire.ReceiveInChunks(printout, chunk);
  state.PauseTiming();
  return page.SlpreportMemo.LineCount() > 2;
}

void Plain(benchmark::State& state) {
  const auto chunk = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    kestrel::testing::FakeTelnetClient wire;
    if (!Intake(state, wire, wire, chunk)) {
      state.SkipWithError("the printout was not read");
      break;
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TwentyMegabytes().size()));
}

void Logged(benchmark::State& state) {
  const auto chunk = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::string error;
    {  // everything made here, the log file too, goes before the timing resumes
      QTemporaryDir folder;
      kestrel::platform::FileSessionRecorder recorder(folder.path());
      kestrel::testing::FakeTelnetClient wire;
      kestrel::mml::RecordedTelnetClient recorded(
          wire, &recorder,
          {"rlslp", [] { return std::string("BSC9"); }, [] { return std::string(kPassword); },
           [&error](const std::string& message) { error = message; }});
      if (!Intake(state, recorded, wire, chunk)) error = "the printout was not read";
      if (error.empty() && recorder.LastLog("rlslp").isEmpty()) error = "no log was written";
    }
    if (!error.empty()) {
      std::fprintf(stderr, "%s\n", error.c_str());
      state.SkipWithError("the session log failed");
      break;
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TwentyMegabytes().size()));
}

BENCHMARK(Plain)
    ->Arg(1460)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3);
BENCHMARK(Logged)
    ->Arg(1460)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3);

// Keeps the fastest repetition of every run, the least disturbed by the machine's other work.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      // "Plain/1460/iterations:5/repeats:3": the function and its chunk size.
      const std::string full = run.benchmark_name();
      const std::string name = full.substr(0, full.find('/', full.find('/') + 1));
      const double seconds = run.GetAdjustedRealTime();
      auto [at, fresh] = best_.emplace(name, seconds);
      if (!fresh && seconds < at->second) at->second = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Best(const std::string& name) const {
    const auto found = best_.find(name);
    return found == best_.end() ? 0 : found->second;
  }

 private:
  std::map<std::string, double> best_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  bool fine = true;
  bool compared = false;
  std::printf("\nRLSLP intake of a %.1f MB printout, fastest of 3 (ms):\n",
              static_cast<double>(TwentyMegabytes().size()) / 1e6);
  for (const char* chunk : {"1460", "4096"}) {
    const double plain = reporter.Best(std::string("Plain/") + chunk);
    const double logged = reporter.Best(std::string("Logged/") + chunk);
    if (plain <= 0 || logged <= 0) continue;  // filtered out
    compared = true;
    const double ratio = logged / plain;
    const bool ok = ratio <= 1.0 + kMostSlowdown;
    fine = fine && ok;
    std::printf("  chunks of %s bytes: plain %.1f, logged %.1f, ratio %.3f (at most %.2f): %s\n",
                chunk, plain, logged, ratio, 1.0 + kMostSlowdown, ok ? "OK" : "TOO SLOW");
  }
  if (!compared) return 0;
  return fine ? 0 : 1;
}
