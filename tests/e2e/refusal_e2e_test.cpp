// Reading commands refused by the exchange (NOT ACCEPTED, FUNCTION BUSY, COMMAND UNKNOWN), end
// to end on every page that sends them: the report names the element, the command and the
// exchange's words; the recap says the same; the run does not end clean. A printout cut off
// before its END is not a clean one either.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

struct Refusal {
  const char* option;
  std::string words;
};
const Refusal kRefuse{"--refuse", "NOT ACCEPTED, FAULT CODE 1, UNREASONABLE VALUE"};
const Refusal kBusy{"--busy", "FUNCTION BUSY"};
const Refusal kUnknown{"--unknown", "COMMAND UNKNOWN"};

struct Case {
  std::string job;        // one of SixJobs
  QStringList arguments;  // replaces the job's own when not empty
  const char* refused;    // the start of the command line the exchange refuses
  Refusal refusal;
  std::string note;  // "<element>: <command> refused: " as the report says it
};

TEST(Refusals, EveryRefusedReadingCommandIsNotedWithElementCommandAndWords) {
  QTemporaryDir scratch;
  const auto jobs = SixJobs(scratch.path());
  auto job = [&](const std::string& name) {
    return *std::find_if(jobs.begin(), jobs.end(), [&](const Job& j) { return j.command == name; });
  };
  const QStringList rxtei = {"--ne", "BSC9",      "--procedure", "rxtei",     "--release-ms",
                             "20",   "--wait-ms", "100",         "--timeout", "30"};
  const std::vector<Case> cases = {
      {"rlslp", {}, "RLSLP", kRefuse, "BSC9: RLSLP:CELL=ALL; refused: "},
      {"rlslp", {}, "RLSLP", kBusy, "BSC9: RLSLP:CELL=ALL; refused: "},
      {"rlslp", {}, "RLSLP", kUnknown, "BSC9: RLSLP:CELL=ALL; refused: "},
      {"proses", {}, "RXASP", kBusy, "BSC9: RXASP:MOTY=RXOTG; refused: "},
      {"proses", rxtei, "ALLIP", kRefuse, "BSC9: ALLIP:ALCAT=KESINTI; refused: "},
      {"proses", rxtei, "RLSLP", kUnknown, "BSC9: RLSLP:CELL=C09101A; refused: "},
      {"broadcast", {}, "RLBDP", kUnknown, "BSC9: RLBDP:CELL=ALL; refused: "},
      {"broadcast", {}, "RLMTP", kBusy, "BSC9: RLMTP:CELL=C09101A,ID=ALL; refused: "},
      {"qonsuluq", {}, "RLDEP", kRefuse, "BSC9: RLDEP:CELL=C09101A; refused: "},
      {"relocation", {}, "RLNRP", kBusy, "BSC9: RLNRP:CELL=C09101A,CELLR=ALL,NODATA; refused: "},
      {"relocation", {}, "RLDEP", kUnknown, "BSC9: RLDEP:CELL=C09101A; refused: "},
  };
  // Side by side, each with a simulator of its own.
  std::vector<std::unique_ptr<GatewayProcess>> gateways;
  std::vector<std::unique_ptr<BatchProcess>> runs;
  for (const Case& c : cases) {
    const Job j = job(c.job);
    gateways.push_back(std::make_unique<GatewayProcess>(
        j.network + QStringList{"--quiet", c.refusal.option, c.refused}));
    const QStringList arguments = c.arguments.isEmpty() ? j.arguments : c.arguments;
    runs.push_back(std::make_unique<BatchProcess>(
        QStringList{QString::fromStdString(j.command), "--gateway", gateways.back()->QAddress()} +
            arguments,
        DemoPassword()));
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.job + " " + c.refusal.option + " " + c.refused);
    const RunResult result = runs[i]->Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    const std::string note = c.note + c.refusal.words;
    // The report: standard output, but the script of the Qonsuluq page, whose notes name the
    // refusal behind each value that is missing.
    EXPECT_THAT(result.out, HasSubstr(note));
    const auto recap = RecapLines(result.err);
    ASSERT_FALSE(recap.empty());
    EXPECT_THAT(recap[0], ::testing::StartsWith("BSC9: reached; "));
    EXPECT_THAT(recap[0], HasSubstr(note));
    EXPECT_THAT(recap[0], Not(HasSubstr("done")));
  }
}

TEST(Refusals, ARefusedCheckHasNoFinishCheck) {
  GatewayProcess gateway({"--quiet", "--busy", "RLSLP"});
  const RunResult result = RunBatch({"rlslp", "--gateway", gateway.QAddress(), "--ne", "BSC9",
                                     "--ne", "BSC12", "--timeout", "20"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.out,
            "Check: BSC9\nBSC9: RLSLP:CELL=ALL; refused: FUNCTION BUSY\n"
            "Check: BSC12\nBSC12: RLSLP:CELL=ALL; refused: FUNCTION BUSY\n");
  EXPECT_THAT(RecapLines(result.err),
              ::testing::ElementsAre("BSC9: reached; BSC9: RLSLP:CELL=ALL; refused: FUNCTION BUSY",
                                     "BSC12: reached; BSC12: RLSLP:CELL=ALL; refused: FUNCTION "
                                     "BUSY"));
}

// A cell name holding the prompt puts a "<" into the printout before its END: what comes
// before it is reported, and the check is not taken as done.
TEST(Refusals, APrintoutCutOffBeforeItsEndIsNotClean) {
  GatewayProcess gateway({"--quiet", "--scenario", DataFile("hostile-network.json")});
  const RunResult result =
      RunBatch({"rlslp", "--gateway", gateway.QAddress(), "--ne", "BSC21", "--timeout", "20"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.out,
            "Check: BSC21\nC21101A: ACTIVE=NO\n"
            "BSC21: RLSLP:CELL=ALL; printout incomplete: no END line before the prompt\n");
  EXPECT_THAT(RecapLines(result.err),
              ::testing::ElementsAre("BSC21: reached; BSC21: RLSLP:CELL=ALL; printout "
                                     "incomplete: no END line before the prompt"));
}

}  // namespace
}  // namespace kestrel::testing
