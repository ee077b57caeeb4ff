// The Qonsuluq page end to end: kestrel-batch qonsuluq collects 20 cell pairs on two BSCs of
// the simulator, page headers between headings and values, output cut into small chunks,
// and prints the neighbour script.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

const QString kData = QString(KESTREL_E2E_DATA);

TEST(QonsuluqEndToEnd, TwentyPairsOnTwoBscsGiveTheExpectedScript) {
  std::ifstream golden((kData + "/qonsuluq-script.txt").toStdString());
  std::stringstream expected;
  expected << golden.rdbuf();
  for (const char* seed : {"1", "2"}) {
    GatewayProcess gateway({"--scenario", kData + "/qonsuluq-network.json", "--chunk-max", "9",
                            "--seed", seed, "--quiet"});
    QProcessEnvironment env;
    env.insert("KESTREL_PASSWORD", "kestrel");
    const RunResult run = RunBatch(
        {"qonsuluq", "--gateway", QString::fromStdString(gateway.Address()), "--user", "kestrel",
         "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells", kData + "/qonsuluq-cells.txt",
         "--cellrs", kData + "/qonsuluq-cellrs.txt", "--timeout", "60"},
        env);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, expected.str()) << "seed " << seed;
  }
}

// A list without a cell name (an empty file, or blank lines only) would send RLDEP:CELL=; and
// the rest with no name: a usage error, before any session is opened.
TEST(QonsuluqEndToEnd, AListWithoutACellIsAUsageErrorAndNothingIsSent) {
  GatewayProcess gateway({"--quiet"});
  QTemporaryDir scratch;
  const QString cells = kData + "/qonsuluq-cells.txt";
  for (const char* empty : {"", "\n\n"}) {
    std::ofstream(scratch.filePath("empty.txt").toStdString()) << empty;
    for (const bool cellr : {false, true}) {
      const QString list = scratch.filePath("empty.txt");
      const RunResult run =
          RunBatch({"qonsuluq", "--gateway", QString::fromStdString(gateway.Address()), "--user",
                    "kestrel", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells",
                    cellr ? cells : list, "--cellrs", cellr ? list : cells, "--log-dir",
                    scratch.filePath("logs"), "--timeout", "30"},
                   DemoPassword());
      EXPECT_EQ(run.exit_code, 2) << run.err;
      EXPECT_THAT(run.err, ::testing::HasSubstr(std::string("The ") + (cellr ? "Cellr" : "Cell") +
                                                " list names no cell: nothing was sent"));
      EXPECT_FALSE(QDir(scratch.filePath("logs")).exists()) << "a session was opened";
    }
  }
}

TEST(QonsuluqEndToEnd, MissingListIsAUsageError) {
  EXPECT_EQ(RunBatch({"qonsuluq", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells", "x"})
                .exit_code,
            2);
  EXPECT_EQ(RunBatch({"qonsuluq", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells",
                      "/nonexistent", "--cellrs", "/nonexistent"})
                .exit_code,
            2);
}

}  // namespace
}  // namespace kestrel::testing
