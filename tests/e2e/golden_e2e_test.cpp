// The pages' whole reports end to end, against the simulator with its output cut into small
// chunks: each job's standard output is the expected printout of the data folder, whatever
// the cuts. And the mistakes in what the runner is given: exit status 2, nothing sent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

struct Golden {
  const char* expected;  // the data file of the whole standard output
  QStringList gateway;   // the network and the cuts
  QStringList job;       // without --gateway
  std::vector<const char*> seeds;
};

TEST(GoldenReports, EachPagesReportWithFragmentedOutputIsTheExpectedOne) {
  const std::vector<Golden> cases = {
      // Three BSCs, one of them with a comma in its name.
      {"rlslp_three_bscs.txt",
       {"--chunk-max", "7"},
       {"rlslp", "--ne", "BSC9", "--ne", "ALTBSC1_X29,PROT=V24", "--ne", "BSC12"},
       {"1", "2", "3"}},
      // 20 cell pairs on two BSCs, page headers between headings and values.
      {"qonsuluq-script.txt",
       {"--scenario", DataFile("qonsuluq-network.json"), "--chunk-max", "9"},
       {"qonsuluq", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells",
        DataFile("qonsuluq-cells.txt"), "--cellrs", DataFile("qonsuluq-cellrs.txt")},
       {"1", "2"}},
      // Moved cells with neighbours on the same BSC, on another one, and among themselves.
      {"relocation-expected.txt",
       {"--scenario", DataFile("relocation-network.json"), "--chunk-max", "7"},
       {"relocation", "--ne", "BSC9", "--target", "12", "--cells",
        DataFile("relocation-cells.txt")},
       {"1"}},
      // The command carries 25 characters of a text; the report says what it left out.
      {"broadcast-bsc9.txt", {"--chunk-max", "7"}, {"broadcast", "--ne", "BSC9"}, {"1"}},
      // A DCS column right of TEXT is no part of the text, and a long text wraps within its
      // field onto rows of its own.
      {"broadcast-bsc9.txt",
       {"--scenario", DataFile("broadcast-dcs-network.json"), "--chunk-max", "7"},
       {"broadcast", "--ne", "BSC9"},
       {"1"}},
      // No EDGE cell: a clean end whose report says in which phase nothing was found.
      {"broadcast-bsc12.txt", {"--chunk-max", "7"}, {"broadcast", "--ne", "BSC12"}, {"1"}},
  };
  for (const Golden& c : cases) {
    for (const char* seed : c.seeds) {
      SCOPED_TRACE(std::string(c.expected) + " seed " + seed);
      GatewayProcess gateway(c.gateway + QStringList{"--seed", seed, "--quiet"});
      const RunResult run = RunBatch(
          c.job + QStringList{"--gateway", gateway.QAddress(), "--timeout", "50"}, DemoPassword());
      EXPECT_EQ(run.exit_code, 0) << run.err;
      EXPECT_EQ(run.out, ReadWhole(DataFile(c.expected)));
    }
  }
}

struct Mistake {
  QStringList arguments;
  std::string said;  // on standard error, when not empty
};

TEST(UsageMistakes, ExitWithTwoAndOpenNoSession) {
  GatewayProcess gateway({"--quiet"});
  QTemporaryDir scratch;
  const QString empty = scratch.filePath("empty.txt"), blank = scratch.filePath("blank.txt");
  const QString many = scratch.filePath("many.txt");
  WriteFile(empty, "");
  WriteFile(blank, "\n\n");
  std::string cells;
  for (int i = 0; i < 201; ++i) cells += "C" + std::to_string(100000 + i) + "\n";
  WriteFile(many, cells);
  const QString list = DataFile("qonsuluq-cells.txt");
  const QStringList qonsuluq = {
      "qonsuluq", "--gateway", gateway.QAddress(), "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10"};
  const std::vector<Mistake> cases = {
      {{"rlslp"}, ""},
      {{"rlslp", "--ne", "BSC9", "--gateway", "nowhere"}, ""},
      {{"rlslp", "--ne", "BSC9", "--password", "x"}, ""},
      {{"rlslp", "--ne", ""}, ""},
      {{"nosuchjob"}, ""},
      {{"qonsuluq", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells", "x"}, ""},
      {{"qonsuluq", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells", "/nonexistent",
        "--cellrs", "/nonexistent"},
       ""},
      // A list without a cell name would send RLDEP:CELL=; and the rest with no name.
      {qonsuluq + QStringList{"--cells", empty, "--cellrs", list},
       "The Cell list names no cell: nothing was sent"},
      {qonsuluq + QStringList{"--cells", blank, "--cellrs", list},
       "The Cell list names no cell: nothing was sent"},
      {qonsuluq + QStringList{"--cells", list, "--cellrs", empty},
       "The Cellr list names no cell: nothing was sent"},
      {qonsuluq + QStringList{"--cells", list, "--cellrs", blank},
       "The Cellr list names no cell: nothing was sent"},
      {{"relocation", "--ne", "BSC9", "--target", "12", "--cells", many},
       "CELL-lerin sayi 200-den artiq ola bilmez!!!"},
  };
  for (const Mistake& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const RunResult run =
        RunBatch(c.arguments + QStringList{"--log-dir", scratch.filePath("logs")}, DemoPassword());
    EXPECT_EQ(run.exit_code, 2) << run.err;
    if (!c.said.empty()) {
      EXPECT_THAT(run.err, HasSubstr(c.said));
    }
    EXPECT_FALSE(QDir(scratch.filePath("logs")).exists()) << "a session was opened";
  }
}

}  // namespace
}  // namespace kestrel::testing
