// The relocation page end to end: kestrel-batch relocation against a BSC of the simulator
// whose moved cells have neighbours on the same BSC, on another one, and among themselves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <QTemporaryDir>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

const QString kData = QString(KESTREL_E2E_DATA);

TEST(RelocationEndToEnd, ReportAndScriptWithFragmentedOutput) {
  std::ifstream golden((kData + "/relocation-expected.txt").toStdString());
  std::stringstream expected;
  expected << golden.rdbuf();
  GatewayProcess gateway(
      {"--scenario", kData + "/relocation-network.json", "--chunk-max", "7", "--quiet"});
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", "kestrel");
  const RunResult run =
      RunBatch({"relocation", "--gateway", QString::fromStdString(gateway.Address()), "--user",
                "kestrel", "--ne", "BSC9", "--target", "12", "--cells",
                kData + "/relocation-cells.txt", "--timeout", "30"},
               env);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, expected.str());
  EXPECT_THAT(run.out, ::testing::HasSubstr("@COMMENT C09201A BSC9\n"));
}

TEST(RelocationEndToEnd, TooManyCellsAreRefusedWithThePagesMessage) {
  QTemporaryDir folder;
  const QString many = folder.filePath("many.txt");
  {
    std::ofstream file(many.toStdString());
    for (int i = 0; i < 201; ++i) file << "C" << 100000 + i << "\n";
  }
  const RunResult run = RunBatch({"relocation", "--ne", "BSC9", "--target", "12", "--cells", many});
  EXPECT_EQ(run.exit_code, 2);  // a mistake in what the runner was given: nothing is sent
  EXPECT_THAT(run.err, ::testing::HasSubstr("CELL-lerin sayi 200-den artiq ola bilmez!!!"));
}

}  // namespace
}  // namespace kestrel::testing
