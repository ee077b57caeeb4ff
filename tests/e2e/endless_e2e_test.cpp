// Supervision as a service, end to end: kestrel-batch dailycheck --cycles 0 runs until SIGTERM,
// then stops as the Stop button does, saves what it has to, prints its recap and exits 0, or
// 1 when something may still be blocked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

// kestrel-batch running in the background, as a service runs it.
class Service {
 public:
  explicit Service(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTREL_SETTINGS", "/nonexistent/kestrel-site.ini");
    environment.insert("KESTREL_PASSWORD", "kestrel");
    environment.insert("XDG_STATE_HOME", state_.path());
    environment.insert("XDG_DATA_HOME", state_.path());
    process_.setProcessEnvironment(environment);
    process_.start(KESTREL_BATCH, Unpaced(arguments));
    if (!process_.waitForStarted(5000)) throw std::runtime_error("kestrel-batch did not start");
  }
  ~Service() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  // Waits until standard output holds `text` `times` times; false after `ms`.
  bool WaitFor(const std::string& text, int times, int ms) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      out_ += process_.readAllStandardOutput().toStdString();
      int found = 0;
      for (std::size_t at = out_.find(text); at != std::string::npos;
           at = out_.find(text, at + 1)) {
        ++found;
      }
      if (found >= times) return true;
      if (waited.elapsed() > ms || process_.state() == QProcess::NotRunning) return false;
      process_.waitForReadyRead(100);
    }
  }
  // SIGTERM, then the end; the time it took to stop.
  qint64 Terminate() {
    QElapsedTimer took;
    took.start();
    process_.terminate();
    process_.waitForFinished(20000);
    out_ += process_.readAllStandardOutput().toStdString();
    err_ = process_.readAllStandardError().toStdString();
    return took.elapsed();
  }
  int ExitCode() const {
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  const std::string& Out() const { return out_; }
  const std::string& Err() const { return err_; }

 private:
  QTemporaryDir state_;
  QProcess process_;
  std::string out_, err_;
};

QStringList FilesOf(const QTemporaryDir& share) {
  return QDir(share.filePath("Kestreldailycheck")).entryList(QDir::Files, QDir::Name);
}

TEST(EndlessDailyCheck, SigtermEndsTheRunWithItsRecapAndReportFiles) {
  QTemporaryDir share;
  QDir(share.path()).mkdir("Kestreldailycheck");
  const QString scenario = DataFile("endless-network.json");
  GatewayProcess gateway({"--scenario", scenario, "--quiet", "--chunk-max", "30"});
  Service service({"dailycheck", "--gateway",  QString::fromStdString(gateway.Address()),
                   "--user",     "kestrel",    "--ne",
                   "BSC70",      "--ne",       "BSC71",
                   "--ne",       "BSC72",      "--cycles",
                   "0",          "--parallel", "2",
                   "--no-sound", "--solution", "SAE",
                   "--solution", "SETAR",      "--report-root",
                   share.path()});
  // The SAE queue ends in a release pause of 3 s: the second visit of BSC70 is under way.
  ASSERT_TRUE(service.WaitFor("BSC70: SAE ", 2, 20000)) << service.Out();
  EXPECT_LT(service.Terminate(), 5000) << "a service is stopped promptly";
  EXPECT_EQ(service.ExitCode(), 0) << service.Err();
  EXPECT_THAT(service.Err(), HasSubstr("kestrel-batch: stopped by SIGTERM\n"));
  EXPECT_THAT(service.Err(), HasSubstr("recap: BSC70: reached in "));
  EXPECT_THAT(service.Err(), HasSubstr("recap: BSC71: reached in "));
  EXPECT_THAT(service.Err(), HasSubstr("recap: BSC72: reached"));
  EXPECT_TRUE(service.Out().ends_with("\n"));
  // BSC70's visits each left a report file, the one the signal ended too, as far as it went.
  const QStringList files = FilesOf(share);
  EXPECT_GE(files.filter("BSC70_Create_").size(), 2) << files.join(" ").toStdString();
  EXPECT_EQ(files.filter("BSC71_Create_").size(), 1);
  EXPECT_THAT(service.Out(), HasSubstr("BSC70: stopped while "));
}

TEST(EndlessDailyCheck, SigtermWhileAnObjectIsBlockedExitsOneAndNamesIt) {
  QTemporaryDir share;
  QDir(share.path()).mkdir("Kestreldailycheck");
  const QString scenario = DataFile("endless-network.json");
  GatewayProcess gateway({"--scenario", scenario, "--quiet"});
  Service service({"dailycheck", "--gateway", QString::fromStdString(gateway.Address()), "--user",
                   "kestrel", "--ne", "BSC80", "--cycles", "0", "--no-sound", "--solution",
                   "PERMANENT", "--report-root", share.path()});
  // The block goes out at once; its release pause holds the deblock back for 3 s.
  ASSERT_TRUE(service.WaitFor("BSC80: Permanent: MO=", 1, 20000)) << service.Out();
  service.WaitFor("never", 1, 1000);
  service.Terminate();
  EXPECT_EQ(service.ExitCode(), 1) << service.Err();
  EXPECT_THAT(service.Err(), HasSubstr("may still be blocked: RXOCF-12"));
  EXPECT_THAT(service.Err(), HasSubstr("kestrel-batch: stopped by SIGTERM\n"));
  EXPECT_THAT(service.Out(), HasSubstr("BSC80: stopped while "));
  EXPECT_EQ(FilesOf(share).size(), 1);
}

// Connects that are never answered hold nothing: SIGTERM ends a run of four lanes that all
// wait for theirs at once, with its recap, in far less than one connect's time-out.
TEST(EndlessDailyCheck, SigtermEndsARunWhoseConnectsAreNeverAnswered) {
  UnansweredGateway gateway;
  QTemporaryDir share;
  QDir(share.path()).mkdir("Kestreldailycheck");
  Service service({"dailycheck", "--gateway",  gateway.Address(),
                   "--user",     "kestrel",    "--ne",
                   "BSC9",       "--ne",       "BSC10",
                   "--ne",       "BSC11",      "--ne",
                   "BSC12",      "--cycles",   "0",
                   "--parallel", "4",          "--watchdog",
                   "5",          "--no-sound", "--report-root",
                   share.path()});
  service.WaitFor("never", 1, 1500);  // every lane is connecting
  EXPECT_LT(service.Terminate(), 5000) << "a connect held the program";
  EXPECT_EQ(service.ExitCode(), 0) << service.Err();
  EXPECT_THAT(service.Err(),
              HasSubstr("recap: BSC9: not reached; ended early: stopped during the login"));
  EXPECT_THAT(service.Err(), HasSubstr("kestrel-batch: stopped by SIGTERM"));
}

// The endless run paces itself: a fast gateway gets a cycle per --min-cycle, and an element
// that the gateway refuses waits out its back-off while the others go on; nothing is opened
// hundreds of times a second.
TEST(EndlessDailyCheck, CyclesAndBackOffsPaceTheSessions) {
  struct Row {
    const char* name;
    QStringList options;
    QString counted;  // the sessions counted: their logs' names hold it
    int least, most;  // in three seconds
  };
  const Row rows[] = {
      {"a fast gateway",
       {"--ne", "BSC9", "--ne", "BSC12", "--min-cycle", "2", "--retry", "0"},
       "_dailycheck_",
       2,
       6},
      {"an unknown element",
       {"--ne", "BSC99", "--ne", "BSC9", "--min-cycle", "0", "--retry", "2"},
       "_BSC99",
       1,
       3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GatewayProcess gateway({"--quiet"});
    QTemporaryDir share, logs;
    QDir(share.path()).mkdir("Kestreldailycheck");
    Service service(QStringList{"dailycheck", "--gateway", gateway.QAddress(), "--user", "kestrel",
                                "--cycles", "0", "--no-sound", "--report-root", share.path(),
                                "--log-dir", logs.path()} +
                    row.options);
    service.WaitFor("never", 1, 3000);
    service.Terminate();
    int sessions = 0;
    for (const QString& day : QDir(logs.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      for (const QString& log : QDir(logs.filePath(day)).entryList({"*.log"}, QDir::Files)) {
        sessions += log.contains(row.counted) ? 1 : 0;
      }
    }
    EXPECT_GE(sessions, row.least);
    EXPECT_LE(sessions, row.most) << service.Out();
  }
}

}  // namespace
}  // namespace kestrel::testing
