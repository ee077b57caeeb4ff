// The connection end to end, by the RLSLP check (and a broadcast printout cut short): lost,
// refused, never answered, silent; the password and the gateway from files. (The whole
// reports and the usage mistakes are in golden_e2e_test.cpp.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <QElapsedTimer>

#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

TEST(RlslpEndToEnd, ConnectionDroppedMidPrintoutEndsWithAnErrorAndNoFinish) {
  GatewayProcess gateway({"--drop-after-bytes", "400"});
  const RunResult run = RunBatch({"rlslp", "--gateway", QString::fromStdString(gateway.Address()),
                                  "--ne", "BSC9", "--ne", "BSC10", "--timeout", "20"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out,
            "Check: BSC9\nBSC9 not checked: connection lost while RLSLP:CELL=ALL; was in flight\n");
  EXPECT_THAT(run.err, HasSubstr("2 BSC(s) not checked, from BSC9"));
  EXPECT_THAT(run.err, HasSubstr("recap: BSC9: reached; ended early: connection lost while "
                                 "RLSLP:CELL=ALL; was in flight\n"));
  EXPECT_THAT(run.err, HasSubstr("recap: BSC10: not reached (never started)\n"));
}

TEST(RlslpEndToEnd, RefusedConnectionNamesTheGateway) {
  int port;
  { port = GatewayProcess().Port(); }  // a port on which nothing listens any more
  const RunResult run =
      RunBatch({"rlslp", "--gateway", "127.0.0.1:" + QString::number(port), "--ne", "BSC9"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, HasSubstr("Cannot connect to 127.0.0.1:" + std::to_string(port)));
}

// A gateway that never takes the connection: the time-out holds while connecting.
TEST(RlslpEndToEnd, TheTimeOutHoldsWhileConnecting) {
  UnansweredGateway gateway;
  QElapsedTimer took;
  took.start();
  const RunResult run =
      RunBatch({"rlslp", "--gateway", gateway.Address(), "--ne", "BSC9", "--timeout", "2"});
  EXPECT_EQ(run.exit_code, 3) << run.err;
  EXPECT_THAT(run.err, HasSubstr("stopped after 2 s"));
  EXPECT_LT(took.elapsed(), 9000) << "the connect waited past the job's time-out";
}

TEST(RlslpEndToEnd, SilentElementIsStoppedAtTheTimeout) {
  GatewayProcess gateway({"--silent-ne", "BSC10"});
  const RunResult run = RunBatch({"rlslp", "--gateway", QString::fromStdString(gateway.Address()),
                                  "--ne", "BSC10", "--timeout", "1"});
  EXPECT_EQ(run.exit_code, 3);
  EXPECT_EQ(run.out, "Check: BSC10\nBSC10 not checked: stopped before the BSC was reached\n");
  EXPECT_THAT(run.err, HasSubstr("stopped after 1 s"));
}

TEST(RlslpEndToEnd, PasswordFromFileAndSettingsFromIni) {
  GatewayProcess gateway;
  QTemporaryDir dir;
  const QString settings = dir.filePath("site.ini");
  std::ofstream(settings.toStdString())
      << "[gateway]\nhost=127.0.0.1\nport=" << gateway.Port() << "\nuser=kestrel\npassword=wrong\n";
  std::ofstream(dir.filePath("pw").toStdString()) << "kestrel\n";
  RunResult run = RunBatch({"rlslp", "--settings", settings, "--ne", "BSC9", "--timeout", "20"});
  EXPECT_EQ(run.exit_code, 1) << "the wrong password of the settings file is refused";
  run = RunBatch({"rlslp", "--settings", settings, "--password-file", dir.filePath("pw"), "--ne",
                  "BSC9", "--timeout", "20"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("C09101B: ACTIVE=NO\n"));
}

TEST(BroadcastEndToEnd, LostConnectionIsNotAnEnd) {
  GatewayProcess gateway({"--drop-after-bytes", "900", "--quiet"});
  const RunResult run =
      RunBatch({"broadcast", "--gateway", gateway.QAddress(), "--ne", "BSC9", "--timeout", "30"},
               DemoPassword());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, HasSubstr("did not end"));
}

}  // namespace
}  // namespace kestrel::testing
