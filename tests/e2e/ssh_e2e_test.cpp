// SSH end to end: host keys taken, refused and pinned, with nothing sent to a key that is not
// taken; the session cut at every step ends as over telnet; elements reached directly; and a
// job through a real OpenSSH server whose forced command plays the dialogue.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <functional>

#include <pwd.h>
#include <unistd.h>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

const QStringList kRlslp = {"rlslp", "--ne", "BSC9", "--timeout", "20"};

// The public key line of a private key file.
std::string PublicKey(const QString& key_file) {
  QProcess keygen;
  keygen.start("ssh-keygen", {"-y", "-f", key_file});
  keygen.waitForFinished(10000);
  std::string line = keygen.readAllStandardOutput().toStdString();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

// A key of its own in `folder`, for a known-hosts file that knows another key.
QString OtherKey(const QString& folder) {
  const QString path = folder + "/other_key";
  QProcess::execute("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", path});
  return path;
}

TEST(SshEndToEnd, HostKeysAreTakenOnlyAsTheSiteSays) {
  struct Row {
    const char* name;
    // Prepares the known-hosts file or a settings file; gives the runner's extra arguments.
    std::function<QStringList(const SshPair&, const QString& folder, int port)> setup;
    int exit_code;
    std::vector<std::string> said;  // in standard error; "{key}", "{other}": fingerprints
  };
  const auto known = [](const SshPair& pair, const QString& key_file, int port) {
    WriteFile(pair.known_hosts,
              "[127.0.0.1]:" + std::to_string(port) + " " + PublicKey(key_file) + "\n");
  };
  const auto pin = [](const QString& folder, const std::string& fingerprint) {
    WriteFile(folder + "/site.ini", "[ssh]\nhost_key=" + fingerprint + "\n");
    return QStringList{"--settings", folder + "/site.ini"};
  };
  const std::vector<Row> rows = {
      {"unknown, not taken",
       [](const SshPair& pair, const QString&, int) {
         return QStringList{"--transport", "ssh", "--known-hosts", pair.known_hosts};
       },
       1,
       {"host key of 127.0.0.1:", "is not known ({key})", "--accept-new-host-key"}},
      {"unknown, taken and kept",
       [](const SshPair& pair, const QString&, int) { return pair.runner; },
       0,
       {"taken: {key}"}},
      {"known",
       [known](const SshPair& pair, const QString&, int port) {
         known(pair, pair.host_key, port);
         return QStringList{"--transport", "ssh", "--known-hosts", pair.known_hosts};
       },
       0,
       {}},
      {"changed",
       [known](const SshPair& pair, const QString& folder, int port) {
         known(pair, OtherKey(folder), port);
         return pair.runner;  // taking new keys takes no changed one
       },
       1,
       {"has changed: ", "knows {other}, the server shows {key}; nothing was sent"}},
      {"pinned",
       [pin](const SshPair& pair, const QString& folder, int) {
         return pin(folder, KeyFingerprint(pair.host_key)) +
                QStringList{"--transport", "ssh", "--known-hosts", pair.known_hosts};
       },
       0,
       {}},
      {"pinned another",
       [pin](const SshPair& pair, const QString& folder, int) {
         return pin(folder, KeyFingerprint(OtherKey(folder))) + pair.runner;
       },
       1,
       {"the site pins {other}, the server shows {key}; nothing was sent"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir folder, transcripts;
    // The gateway makes its key on first start.
    const SshPair pair(folder.path(), true);
    GatewayProcess gateway(pair.gateway + QStringList{"--transcript-dir", transcripts.path()});
    const QStringList extra = row.setup(pair, folder.path(), gateway.Port());
    const bool first_run_saw_no_key = !QFile::exists(pair.known_hosts);
    const RunResult run =
        RunBatch(kRlslp + QStringList{"--gateway", gateway.QAddress()} + extra, DemoPassword());
    EXPECT_EQ(run.exit_code, row.exit_code) << run.err;
    const std::string key = KeyFingerprint(pair.host_key);
    ASSERT_THAT(key, ::testing::StartsWith("SHA256:"));
    const std::string other = QFile::exists(folder.filePath("other_key"))
                                  ? KeyFingerprint(folder.filePath("other_key"))
                                  : "";
    for (std::string said : row.said) {
      for (const auto& [mark, value] : {std::pair{"{key}", key}, std::pair{"{other}", other}}) {
        if (const auto at = said.find(mark); at != std::string::npos)
          said.replace(at, std::strlen(mark), value);
      }
      EXPECT_THAT(run.err, HasSubstr(said));
    }
    // A key not taken: no session reached the dialogue, so not even the element was typed.
    if (row.exit_code != 0) {
      EXPECT_TRUE(AllTyped(TranscriptEvents(transcripts.path())).empty());
    } else {
      EXPECT_THAT(run.out, HasSubstr("Finish check"));
    }
    // What was taken is kept: the next run needs no flag.
    if (first_run_saw_no_key && row.exit_code == 0 && extra.contains("--accept-new-host-key")) {
      const RunResult again =
          RunBatch(kRlslp + QStringList{"--gateway", gateway.QAddress(), "--transport", "ssh",
                                        "--known-hosts", pair.known_hosts},
                   DemoPassword());
      EXPECT_EQ(again.exit_code, 0) << again.err;
    }
  }
}

// The bytes of the in-band login that an SSH login spares the gateway: "\r\n", "User: ",
// the user's echo, "Password: " and "\r\nLOGGED IN AS kestrel\r\n".
constexpr int kInBandLogin = 2 + 6 + 9 + 10 + 24;

// The session cut at every step, silent or closed with text still on its way: over SSH it
// ends exactly as over telnet.
TEST(SshEndToEnd, ASessionCutAtEveryStepEndsAsOverTelnet) {
  struct Cut {
    QStringList telnet, ssh;
  };
  std::vector<Cut> cuts;
  for (const char* command : {"NE=", "RLSLP"}) {
    cuts.push_back({{"--drop-after-command", command}, {"--drop-after-command", command}});
  }
  cuts.push_back({{"--silent-ne", "BSC9"}, {"--silent-ne", "BSC9"}});
  // Before the login is over, and then along the element's prompt and printout.
  for (const int bytes : {1, 20, 45, 120, 200, 300, 600, 1200, 2500, 4000}) {
    const int ssh_bytes = bytes < 100 ? bytes : bytes - kInBandLogin;
    cuts.push_back({{"--drop-after-bytes", QString::number(bytes)},
                    {"--drop-after-bytes", QString::number(ssh_bytes)}});
  }
  QTemporaryDir folder;
  const SshPair pair(folder.path());
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.telnet.join(' ').toStdString());
    const QStringList small = {"--chunk-max", "5"};
    GatewayProcess telnet(cut.telnet + small), ssh(pair.gateway + cut.ssh + small);
    const QStringList job = {"rlslp", "--ne", "BSC9", "--ne", "BSC10", "--timeout", "3"};
    BatchProcess by_telnet(job + QStringList{"--gateway", telnet.QAddress()}, DemoPassword());
    BatchProcess by_ssh(job + QStringList{"--gateway", ssh.QAddress()} + pair.runner,
                        DemoPassword());
    const RunResult a = by_telnet.Wait(), b = by_ssh.Wait();
    EXPECT_NE(a.exit_code, 0);
    EXPECT_EQ(b.exit_code, a.exit_code) << b.err;
    EXPECT_EQ(b.out, a.out);
    EXPECT_EQ(RecapLines(b.err), RecapLines(a.err));
  }
}

// An element in the site's table is reached straight, with no element question, whatever the
// gateway is; the report is the one through the gateway.
TEST(SshEndToEnd, ElementsInTheSiteTableAreReachedDirectly) {
  GatewayProcess through;
  const RunResult expected =
      RunBatch(kRlslp + QStringList{"--gateway", through.QAddress()}, DemoPassword());
  ASSERT_EQ(expected.exit_code, 0) << expected.err;
  int nothing_there;
  { nothing_there = GatewayProcess().Port(); }
  for (const bool ssh : {true, false}) {
    SCOPED_TRACE(ssh ? "ssh" : "telnet");
    QTemporaryDir folder, transcripts;
    const SshPair pair(folder.path());
    GatewayProcess element((ssh ? pair.gateway : QStringList{}) +
                           QStringList{"--direct", "BSC9", "--transcript-dir", transcripts.path()});
    WriteFile(folder.filePath("site.ini"), std::string("[elements]\nBSC9=") +
                                               (ssh ? "ssh://" : "telnet://") + element.Address() +
                                               "\n");
    const RunResult run =
        RunBatch(kRlslp + QStringList{"--gateway", "127.0.0.1:" + QString::number(nothing_there),
                                      "--settings", folder.filePath("site.ini"), "--known-hosts",
                                      pair.known_hosts, "--accept-new-host-key"},
                 DemoPassword());
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, expected.out);
    for (const std::string& line : AllTyped(TranscriptEvents(transcripts.path()))) {
      EXPECT_THAT(line, ::testing::Not(::testing::StartsWith("NE=")));
    }
  }
}

// A real OpenSSH server on loopback with a configuration of its own: public-key login for a
// key made here, and a forced command that plays the gateway's dialogue.
TEST(SshEndToEnd, AJobRunsThroughOpenSsh) {
  if (!QFile::exists("/usr/sbin/sshd")) GTEST_SKIP() << "no /usr/sbin/sshd (openssh-server)";
  // The server's privilege separation folder, made by its service at boot.
  if (!QDir("/run/sshd").exists() && !QDir().mkpath("/run/sshd")) {
    GTEST_SKIP() << "sshd needs /run/sshd, which cannot be made here";
  }
  QTemporaryDir folder;
  const QString dir = folder.path();
  const SshPair pair(dir);
  QProcess::execute("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", dir + "/user_key"});
  WriteFile(dir + "/authorized_keys", PublicKey(dir + "/user_key") + "\n");
  int port;
  { port = GatewayProcess().Port(); }  // free a moment ago
  WriteFile(dir + "/sshd_config",
            "Port " + std::to_string(port) + "\nListenAddress 127.0.0.1\nHostKey " +
                pair.host_key.toStdString() + "\nPidFile " + dir.toStdString() +
                "/sshd.pid\nAuthorizedKeysFile " + dir.toStdString() +
                "/authorized_keys\nPasswordAuthentication no\nKbdInteractiveAuthentication "
                "no\nUsePAM no\nStrictModes no\nPermitRootLogin prohibit-password\n"
                "ForceCommand " KESTREL_GATEWAY " --stdio\n");
  QProcess sshd;
  sshd.setProcessChannelMode(QProcess::MergedChannels);
  sshd.start("/usr/sbin/sshd", {"-D", "-e", "-f", dir + "/sshd_config"});
  ASSERT_TRUE(sshd.waitForStarted(5000));
  QByteArray said;
  while (!said.contains("listening") && sshd.waitForReadyRead(5000)) said += sshd.readAll();
  ASSERT_THAT(said.toStdString(), HasSubstr("listening")) << said.toStdString();

  GatewayProcess telnet;
  const RunResult expected =
      RunBatch(kRlslp + QStringList{"--gateway", telnet.QAddress()}, DemoPassword());
  const RunResult run =
      RunBatch(kRlslp +
                   QStringList{"--gateway", "127.0.0.1:" + QString::number(port), "--user",
                               QString::fromLocal8Bit(getpwuid(getuid())->pw_name), "--identity",
                               dir + "/user_key"} +
                   pair.runner,
               DemoPassword());
  sshd.terminate();
  sshd.waitForFinished(5000);
  EXPECT_EQ(run.exit_code, 0) << run.err << sshd.readAll().toStdString();
  EXPECT_EQ(run.out, expected.out);
  EXPECT_THAT(run.err, HasSubstr("taken: " + KeyFingerprint(pair.host_key)));
}

}  // namespace
}  // namespace kestrel::testing
