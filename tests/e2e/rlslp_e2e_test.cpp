// The RLSLP check end to end: kestrel-batch against kestrel-gateway over loopback telnet.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>

#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

std::string Expected(const char* name) {
  std::ifstream file(std::string(KESTREL_E2E_DATA) + "/" + name);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(RlslpEndToEnd, ThreeBscsWithFragmentedOutputGiveTheWholeReport) {
  for (const char* seed : {"1", "2", "3"}) {
    GatewayProcess gateway({"--chunk-max", "7", "--seed", seed});
    const RunResult run =
        RunBatch({"rlslp", "--gateway", QString::fromStdString(gateway.Address()), "--ne", "BSC9",
                  "--ne", "ALTBSC1_X29,PROT=V24", "--ne", "BSC12", "--timeout", "50"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, Expected("rlslp_three_bscs.txt")) << "seed " << seed;
  }
}

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

// A gateway that never takes the connection: the connect waits only for the time the job has
// left, so the time-out holds.
TEST(RlslpEndToEnd, TheTimeOutHoldsWhileConnecting) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  // One connection fills the queue that is never accepted; the next is never answered.
  const int filler = ::socket(AF_INET, SOCK_STREAM, 0);
  ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
  QElapsedTimer took;
  took.start();
  const RunResult run =
      RunBatch({"rlslp", "--gateway", "127.0.0.1:" + QString::number(ntohs(address.sin_port)),
                "--ne", "BSC9", "--timeout", "2"});
  EXPECT_EQ(run.exit_code, 3) << run.err;
  EXPECT_THAT(run.err, HasSubstr("stopped after 2 s"));
  EXPECT_LT(took.elapsed(), 9000) << "the connect waited past the job's time-out";
  ::close(filler);
  ::close(listener);
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

TEST(RlslpEndToEnd, UsageMistakesExitWithTwo) {
  EXPECT_EQ(RunBatch({"rlslp"}).exit_code, 2);
  EXPECT_EQ(RunBatch({"rlslp", "--ne", "BSC9", "--gateway", "nowhere"}).exit_code, 2);
  EXPECT_EQ(RunBatch({"rlslp", "--ne", "BSC9", "--password", "x"}).exit_code, 2);
  EXPECT_EQ(RunBatch({"rlslp", "--ne", ""}).exit_code, 2);
  EXPECT_EQ(RunBatch({"nosuchjob"}).exit_code, 2);
}

}  // namespace
}  // namespace kestrel::testing
