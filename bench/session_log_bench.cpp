// What the session log costs the RLSLP intake: a 20 MB printout, built as
// rlslp_printout_bench builds its printouts, fed through the RLSLP page in chunks of one TCP
// segment (1,460 bytes) and of 4,096 bytes, once over a plain fake client and once over the
// same client wrapped in mml::RecordedTelnetClient writing a real log file
// (platform::FileSessionRecorder on a temporary folder). After the runs it prints both times
// per chunk size and their ratio: the log may slow the intake by 10 % at most. The log's lines
// are escaped and written by a thread of their own, so the figure that counts is the time of
// the thread that runs the page; the wall times are printed beside it.
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

// Keeps the fastest repetition of every run, the least disturbed by the machine's other work:
// its wall time, and the CPU time of the thread that runs the page (the log's writer thread
// works beside it).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      // "Plain/1460/iterations:5/repeats:3": the function and its chunk size.
      const std::string full = run.benchmark_name();
      const std::string name = full.substr(0, full.find('/', full.find('/') + 1));
      Keep(wall_, name, run.GetAdjustedRealTime());
      Keep(cpu_, name, run.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Wall(const std::string& name) const { return Best(wall_, name); }
  double Cpu(const std::string& name) const { return Best(cpu_, name); }

 private:
  static void Keep(std::map<std::string, double>& best, const std::string& name, double value) {
    auto [at, fresh] = best.emplace(name, value);
    if (!fresh && value < at->second) at->second = value;
  }
  static double Best(const std::map<std::string, double>& best, const std::string& name) {
    const auto found = best.find(name);
    return found == best.end() ? 0 : found->second;
  }
  std::map<std::string, double> wall_, cpu_;
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
  // The verdict rests on the page's own thread: that is what the intake waits for while the
  // writer thread has a core of its own. The wall times show what a busy machine adds.
  for (const char* chunk : {"1460", "4096"}) {
    const std::string plain_name = std::string("Plain/") + chunk;
    const std::string logged_name = std::string("Logged/") + chunk;
    const double plain = reporter.Cpu(plain_name), logged = reporter.Cpu(logged_name);
    if (plain <= 0 || logged <= 0) continue;  // filtered out
    compared = true;
    const double ratio = logged / plain;
    const bool ok = ratio <= 1.0 + kMostSlowdown;
    fine = fine && ok;
    std::printf(
        "  chunks of %s bytes: page thread plain %.1f, logged %.1f, ratio %.3f (at most %.2f): %s;"
        " wall plain %.1f, logged %.1f, ratio %.3f\n",
        chunk, plain, logged, ratio, 1.0 + kMostSlowdown, ok ? "OK" : "TOO SLOW",
        reporter.Wall(plain_name), reporter.Wall(logged_name),
        reporter.Wall(logged_name) / reporter.Wall(plain_name));
  }
  if (!compared) return 0;
  return fine ? 0 : 1;
}
