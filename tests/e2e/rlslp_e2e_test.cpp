// The connection's end, end to end, over telnet and over SSH alike: lost mid-printout, refused,
// never answered, silent, and cut at every step of the login and the printout; each ends the
// job with its report and exit status, over SSH exactly as over telnet. And the password and
// the gateway from files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

enum class Gateway { kSimulator, kNothing, kUnanswered };
constexpr int kFails = -2;  // any exit status but 0

struct End {
  std::string name;
  Job job;
  QStringList faults;  // the simulator's
  int exit_code = kFails;
  std::string out = {};                // the whole standard output, if given
  std::vector<std::string> said = {};  // in standard output or error; "{gateway}": its address
  Gateway gateway = Gateway::kSimulator;
};

// The bytes of the in-band login that an SSH login spares the gateway: "\r\n", "User: ",
// the user's echo, "Password: " and "\r\nLOGGED IN AS kestrel\r\n".
constexpr int kInBandLogin = 2 + 6 + 9 + 10 + 24;

std::vector<End> Ends() {
  const Job rlslp = {"rlslp", {}, {"--ne", "BSC9", "--ne", "BSC10", "--timeout", "20"}, "BSC9"};
  std::vector<End> ends = {
      {"dropped mid-printout",
       rlslp,
       {"--drop-after-bytes", "400"},
       1,
       "Check: BSC9\nBSC9 not checked: connection lost while RLSLP:CELL=ALL; was in flight\n",
       {"2 BSC(s) not checked, from BSC9", "recap: BSC10: not reached (never started)\n",
        "recap: BSC9: reached; ended early: connection lost while RLSLP:CELL=ALL; was in "
        "flight\n"}},
      {"refused", rlslp, {}, 1, "", {"Cannot connect to {gateway}"}, Gateway::kNothing},
      // The time-out holds while connecting.
      {"never answered",
       {"rlslp", {}, {"--ne", "BSC9", "--timeout", "2"}, "BSC9"},
       {},
       3,
       "",
       {"stopped after 2 s"},
       Gateway::kUnanswered},
      {"silent element",
       {"rlslp", {}, {"--ne", "BSC10", "--timeout", "1"}, "BSC10"},
       {"--silent-ne", "BSC10"},
       3,
       "Check: BSC10\nBSC10 not checked: stopped before the BSC was reached\n",
       {"stopped after 1 s"}},
      {"proses dropped",
       {"proses",
        {"--scenario", DataFile("proses-network.json")},
        {"--ne", "BSC9", "--wait-ms", "100", "--timeout", "30"},
        "BSC9"},
       {"--drop-after-bytes", "700"},
       1,
       "",
       {"*** Connection to BSC9 lost", "May still be blocked: RXOTS-12-0-1 RXOTS-12-0-2.",
        "1 BSC(s) not finished, from BSC9"}},
      {"broadcast dropped",
       {"broadcast", {}, {"--ne", "BSC9", "--timeout", "30"}, "BSC9"},
       {"--drop-after-bytes", "900"},
       1,
       "",
       {"did not end"}},
  };
  // Cut at every step, silent or closed with text still on its way: before the login is
  // over, and then along the element's prompt and printout.
  const Job cut = {"rlslp", {}, {"--ne", "BSC9", "--ne", "BSC10", "--timeout", "3"}, "BSC9"};
  const QStringList small = {"--chunk-max", "5"};
  for (const char* command : {"NE=", "RLSLP"})
    ends.push_back({"cut", cut, QStringList{"--drop-after-command", command} + small});
  ends.push_back({"cut", cut, QStringList{"--silent-ne", "BSC9"} + small});
  for (const int bytes : {1, 20, 45, 120, 200, 300, 600, 1200, 2500, 4000})
    ends.push_back({"cut", cut, QStringList{"--drop-after-bytes", QString::number(bytes)} + small});
  return ends;
}

TEST(ConnectionEnds, EachIsReportedAndEndsOverSshAsOverTelnet) {
  QTemporaryDir keys;
  const SshPair pair(keys.path());
  int nothing;
  { nothing = GatewayProcess().Port(); }  // a port on which nothing listens any more
  for (const End& end : Ends()) {
    SCOPED_TRACE(end.name + " " + end.faults.join(' ').toStdString());
    std::vector<std::unique_ptr<GatewayProcess>> simulators;
    std::vector<std::unique_ptr<UnansweredGateway>> unanswered;
    std::vector<std::unique_ptr<BatchProcess>> runs;
    QString telnet_address;
    for (const bool ssh : {false, true}) {
      QStringList faults = end.faults;
      const qsizetype bytes = faults.indexOf("--drop-after-bytes") + 1;
      if (ssh && bytes > 0 && faults[bytes].toInt() >= 100)
        faults[bytes] = QString::number(faults[bytes].toInt() - kInBandLogin);
      QString address = "127.0.0.1:" + QString::number(nothing);
      if (end.gateway == Gateway::kSimulator) {
        simulators.push_back(std::make_unique<GatewayProcess>(
            end.job.network + faults + (ssh ? pair.gateway : QStringList{})));
        address = simulators.back()->QAddress();
      } else if (end.gateway == Gateway::kUnanswered) {
        address = unanswered.emplace_back(std::make_unique<UnansweredGateway>())->Address();
      }
      if (!ssh) telnet_address = address;
      runs.push_back(std::make_unique<BatchProcess>(
          end.job.With(address) + (ssh ? pair.runner : QStringList{}), DemoPassword()));
    }
    const RunResult telnet = runs[0]->Wait(), ssh = runs[1]->Wait();
    if (end.exit_code == kFails) {
      EXPECT_NE(telnet.exit_code, 0);
    } else {
      EXPECT_EQ(telnet.exit_code, end.exit_code) << telnet.err;
    }
    if (!end.out.empty()) {
      EXPECT_EQ(telnet.out, end.out);
    }
    for (std::string said : end.said) {
      if (const auto at = said.find("{gateway}"); at != std::string::npos)
        said.replace(at, 9, telnet_address.toStdString());
      EXPECT_THAT(telnet.out + telnet.err, HasSubstr(said));
    }
    EXPECT_EQ(ssh.exit_code, telnet.exit_code) << ssh.err;
    // A page that shows its session shows the in-band login over telnet only.
    if (telnet.out.find("LOGGED IN AS") == std::string::npos) {
      EXPECT_EQ(ssh.out, telnet.out);
    }
    EXPECT_EQ(RecapLines(ssh.err), RecapLines(telnet.err));
  }
}

TEST(ConnectionEnds, PasswordFromFileAndGatewayFromSettings) {
  GatewayProcess gateway;
  QTemporaryDir dir;
  const QString settings = dir.filePath("site.ini");
  WriteFile(settings, "[gateway]\nhost=127.0.0.1\nport=" + std::to_string(gateway.Port()) +
                          "\nuser=kestrel\npassword=wrong\n");
  WriteFile(dir.filePath("pw"), "kestrel\n");
  const QStringList job = {"rlslp", "--settings", settings, "--ne", "BSC9", "--timeout", "20"};
  EXPECT_EQ(RunBatch(job).exit_code, 1) << "the wrong password of the settings file is refused";
  const RunResult run = RunBatch(job + QStringList{"--password-file", dir.filePath("pw")});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("C09101B: ACTIVE=NO\n"));
}

}  // namespace
}  // namespace kestrel::testing
