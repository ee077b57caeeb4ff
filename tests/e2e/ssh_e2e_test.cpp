// SSH end to end: host keys taken, refused and pinned, with nothing sent to a key that is not
// taken; elements reached directly; and a job through a real OpenSSH server whose forced
// command plays the dialogue. (Each page's job over SSH is in golden_e2e_test.cpp, the
// session cut at every step over SSH as over telnet in rlslp_e2e_test.cpp.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>

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

TEST(SshEndToEnd, HostKeysAreTakenOnlyAsTheSiteSays) {
  enum Key { kNone, kServers, kOther };  // the key the known-hosts file or the site's pin holds
  struct Row {
    const char* name;
    Key known, pinned;
    bool accept_new;  // --accept-new-host-key
    int exit_code;
    std::vector<std::string> said;  // in standard error; "{key}", "{other}": fingerprints
  };
  const Row rows[] = {
      {"unknown, not taken",
       kNone,
       kNone,
       false,
       1,
       {"host key of 127.0.0.1:", "is not known ({key})", "--accept-new-host-key"}},
      {"unknown, taken and kept", kNone, kNone, true, 0, {"taken: {key}"}},
      {"known", kServers, kNone, false, 0, {}},
      // Taking new keys takes no changed one.
      {"changed",
       kOther,
       kNone,
       true,
       1,
       {"has changed: ", "knows {other}, the server shows {key}; nothing was sent"}},
      {"pinned", kNone, kServers, false, 0, {}},
      {"pinned another",
       kNone,
       kOther,
       true,
       1,
       {"the site pins {other}, the server shows {key}; nothing was sent"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir folder, transcripts;
    const SshPair pair(folder.path(), true);  // the gateway makes its key on first start
    GatewayProcess gateway(pair.gateway + QStringList{"--transcript-dir", transcripts.path()});
    const QString other = folder.filePath("other_key");
    QProcess::execute("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", other});
    const std::string key = KeyFingerprint(pair.host_key);
    ASSERT_THAT(key, ::testing::StartsWith("SHA256:"));
    const QString file[] = {"", pair.host_key, other};
    if (row.known != kNone) {
      WriteFile(pair.known_hosts, "[127.0.0.1]:" + std::to_string(gateway.Port()) + " " +
                                      PublicKey(file[row.known]) + "\n");
    }
    QStringList options = {"--transport", "ssh", "--known-hosts", pair.known_hosts};
    if (row.accept_new) options << "--accept-new-host-key";
    if (row.pinned != kNone) {
      WriteFile(folder.filePath("site.ini"),
                "[ssh]\nhost_key=" + KeyFingerprint(file[row.pinned]) + "\n");
      options << "--settings" << folder.filePath("site.ini");
    }
    const RunResult run =
        RunBatch(kRlslp + QStringList{"--gateway", gateway.QAddress()} + options, DemoPassword());
    EXPECT_EQ(run.exit_code, row.exit_code) << run.err;
    for (std::string said : row.said) {
      for (const auto& [mark, value] :
           {std::pair{"{key}", key}, std::pair{"{other}", KeyFingerprint(other)}}) {
        if (const auto at = said.find(mark); at != std::string::npos)
          said.replace(at, std::strlen(mark), value);
      }
      EXPECT_THAT(run.err, HasSubstr(said));
    }
    // A key not taken: no session reached the dialogue, so not even the element was typed.
    if (row.exit_code != 0) {
      EXPECT_TRUE(AllTyped(TranscriptEvents(transcripts.path())).empty());
      continue;
    }
    EXPECT_THAT(run.out, HasSubstr("Finish check"));
    // What was taken is kept: the next run needs no flag.
    options.removeAll("--accept-new-host-key");
    EXPECT_EQ(
        RunBatch(kRlslp + QStringList{"--gateway", gateway.QAddress()} + options, DemoPassword())
            .exit_code,
        0);
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
