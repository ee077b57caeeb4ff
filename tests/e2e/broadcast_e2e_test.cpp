// The Edge broadcast check end to end: kestrel-batch broadcast against the demo network.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

RunResult Check(const GatewayProcess& gateway, const char* bsc) {
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", "kestrel");
  return RunBatch({"broadcast", "--gateway", QString::fromStdString(gateway.Address()), "--user",
                   "kestrel", "--ne", bsc, "--timeout", "30"},
                  env);
}

TEST(BroadcastEndToEnd, ReportOfTheDemoBscWithFragmentedOutput) {
  GatewayProcess gateway({"--chunk-max", "7", "--quiet"});
  const RunResult run = Check(gateway, "BSC9");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            "CELL: C09101A\nRLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"ICERISHEHER\";\n\n"
            "CELL: C09101A\nRLMBC:ID=50,CODE=124,GS=0,PAGE=1,TEXT=\"KESTREL DEMO MESSAGE THAT\";\n"
            // The command carries 25 characters of the text; the report says what it left out.
            "Message text is 37 characters long; the command above carries only its first 25\n\n"
            "CELL: C09104C\nRLMBC:ID=50,CODE=77,GS=0,PAGE=1,TEXT=\"SALAM\";\n\n");
  EXPECT_THAT(run.err, ::testing::HasSubstr("recap: BSC9: reached, done\n"));
  // No EDGE cell: a clean end whose report says in which phase nothing was found.
  const RunResult none = Check(gateway, "BSC12");
  EXPECT_EQ(none.exit_code, 0) << none.err;
  EXPECT_EQ(none.out, "BSC12: no EDGE cell found (no cell has a NUMREQEGPRSBPC other than 0)\n");
}

// The printout with a DCS column right of TEXT: the column is no part of the text, and a
// long text wraps within its field onto rows of its own.
TEST(BroadcastEndToEnd, AColumnRightOfTheTextIsNoPartOfIt) {
  QFile demo(QString(KESTREL_E2E_DATA) + "/../../data/demo-network.json");
  ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
  QByteArray json = demo.readAll();
  for (const char* text : {"\"ICERISHEHER\"", "\"KESTREL DEMO MESSAGE THAT IS TOO LONG\""}) {
    json.replace(QByteArray("\"text\": ") + text,
                 QByteArray("\"text\": ") + text + ", \"dcs\": \"15\"");
  }
  QTemporaryDir folder;
  QFile network(folder.filePath("network.json"));
  ASSERT_TRUE(network.open(QIODevice::WriteOnly));
  network.write(json);
  network.close();
  GatewayProcess gateway({"--scenario", network.fileName(), "--chunk-max", "7", "--quiet"});
  const RunResult run = Check(gateway, "BSC9");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out,
            "CELL: C09101A\nRLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"ICERISHEHER\";\n\n"
            "CELL: C09101A\nRLMBC:ID=50,CODE=124,GS=0,PAGE=1,TEXT=\"KESTREL DEMO MESSAGE THAT\";\n"
            "Message text is 37 characters long; the command above carries only its first 25\n\n"
            "CELL: C09104C\nRLMBC:ID=50,CODE=77,GS=0,PAGE=1,TEXT=\"SALAM\";\n\n");
}

TEST(BroadcastEndToEnd, LostConnectionIsNotAnEnd) {
  GatewayProcess gateway({"--drop-after-bytes", "900", "--quiet"});
  const RunResult run = Check(gateway, "BSC9");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, ::testing::HasSubstr("did not end"));
}

}  // namespace
}  // namespace kestrel::testing
