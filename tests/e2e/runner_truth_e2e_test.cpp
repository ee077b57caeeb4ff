// The headless runner tells the truth, for all six commands: exit status 0 only when all is
// well, and a recap line per element that says how it ended.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(RunnerTruth, EveryElementHasItsRecapLineWhateverBecameOfIt) {
  GatewayProcess gateway({"--quiet"});
  RunResult result = RunBatch({"rlslp", "--gateway", gateway.QAddress(), "--ne", "BSC9", "--ne",
                               "BSC99", "--ne", "BSC12", "--timeout", "20"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_THAT(RecapLines(result.err),
              ElementsAre("BSC9: reached, done",
                          "BSC99: not reached; ended early: NE BSC99 NOT DEFINED IN GATEWAY",
                          "BSC12: reached, done"));

  GatewayProcess proses({"--quiet", "--scenario", DataFile("proses-network.json"),
                         "--drop-after-command", "RXBLE:MO=RXOTS-12-0-2"});
  result = RunBatch({"proses", "--gateway", proses.QAddress(), "--ne", "BSC9", "--ne", "BSC10",
                     "--release-ms", "20", "--wait-ms", "100", "--timeout", "20"},
                    DemoPassword());
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_THAT(RecapLines(result.err),
              ElementsAre("BSC9: reached; ended early: connection lost while "
                          "RXBLE:MO=RXOTS-12-0-2; was in flight; may still be blocked: "
                          "RXOTS-12-0-2",
                          "BSC10: not reached (never started)"));
  EXPECT_THAT(result.err, HasSubstr("kestrel-batch: the session ended early; 2 BSC(s) not "
                                    "finished, from BSC9"));
}

// One side's session ends in the middle of the collection: the job ends at once, naming the
// side, its BSC and the cells it did not collect; the other side is not left waiting.
TEST(RunnerTruth, QonsuluqEndsWhenOneSideDropsAndNamesWhatWasNotCollected) {
  struct Case {
    const char* drop_after;
    std::string side;  // as the message starts
    std::string first_not_collected;
  };
  const Case cases[] = {
      {"RLDEP:CELL=C09103A", "Cell: BSC9: connection lost while RLDEP:CELL=C09103A; was in flight",
       "C09103A"},
      {"RLLOP:CELL=C10105A",
       "Cellr: BSC10: connection lost while RLLOP:CELL=C10105A; was in flight", "C10105A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.drop_after);
    GatewayProcess gateway({"--quiet", "--scenario", DataFile("qonsuluq-network.json"),
                            "--drop-after-command", c.drop_after});
    const RunResult result =
        RunBatch({"qonsuluq", "--gateway", gateway.QAddress(), "--cell-bsc", "BSC9", "--cellr-bsc",
                  "BSC10", "--cells", DataFile("qonsuluq-cells.txt"), "--cellrs",
                  DataFile("qonsuluq-cellrs.txt"), "--timeout", "30"},
                 DemoPassword());
    // 1, not the time-out's 3: the other side was not left waiting.
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_THAT(result.err, HasSubstr("kestrel-batch: the session ended early; " + c.side +
                                      "; cells not collected: " + c.first_not_collected));
    EXPECT_EQ(result.out, "");  // no script from half the values
    ASSERT_EQ(RecapLines(result.err).size(), 2u);
    for (const std::string& line : RecapLines(result.err)) {
      EXPECT_THAT(line, HasSubstr("ended early"));
    }
  }
}

}  // namespace
}  // namespace kestrel::testing
