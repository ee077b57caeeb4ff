// Supervision as a service, end to end: kestrel-batch dailycheck --cycles 0 runs until SIGTERM,
// then stops as the Stop button does, saves what it has to, prints its recap and exits 0, or
// 1 when something may still be blocked; and it paces its sessions. Each run is signalled once
// it has reached the state the case is about, as the gateway's transcripts and the session
// logs show it; no outcome hangs on how fast the machine is.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

// Longer than any of these runs takes to reach its state or to stop: only a hang gets there.
constexpr qint64 kHang = 120000;

// kestrel-batch running in the background, as a service runs it, its session logs in `logs`.
class Service {
 public:
  explicit Service(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KESTREL_SETTINGS", "/nonexistent/kestrel-site.ini");
    environment.insert("KESTREL_PASSWORD", "kestrel");
    environment.insert("XDG_STATE_HOME", state_.path());
    environment.insert("XDG_DATA_HOME", state_.path());
    QDir(share.path()).mkdir("Kestreldailycheck");
    process_.setProcessEnvironment(environment);
    started_ = QDateTime::currentMSecsSinceEpoch();
    process_.start(KESTREL_BATCH, Unpaced(QStringList{"dailycheck", "--cycles", "0", "--no-sound",
                                                      "--user", "kestrel", "--report-root",
                                                      share.path(), "--log-dir", logs.path()} +
                                          arguments));
  }
  ~Service() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  // Waits until `reached` holds; false if the run ended first.
  bool Until(const std::function<bool()>& reached) {
    for (QDateTime begun = QDateTime::currentDateTime();
         begun.msecsTo(QDateTime::currentDateTime()) < kHang;) {
      if (reached()) return true;
      if (process_.state() == QProcess::NotRunning) return false;
      process_.waitForFinished(50);
    }
    return false;
  }
  // SIGTERM, then the end; how long the run lasted, from before its start to after its end.
  qint64 Terminate() {
    process_.terminate();
    EXPECT_TRUE(process_.waitForFinished(kHang)) << "SIGTERM did not end the run";
    out = process_.readAllStandardOutput().toStdString();
    err = process_.readAllStandardError().toStdString();
    exit_code = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    return QDateTime::currentMSecsSinceEpoch() - started_;
  }
  // The session logs so far whose names match `pattern`.
  int Sessions(const QString& pattern) const {
    int found = 0;
    for (QDirIterator it(logs.path(), {"*.log"}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
      found += QRegularExpression(pattern).match(it.next()).hasMatch() ? 1 : 0;
    return found;
  }

  QTemporaryDir share, logs;
  std::string out, err;
  int exit_code = -1;

 private:
  QTemporaryDir state_;
  QProcess process_;
  qint64 started_ = 0;
};

struct Row {
  const char* name;
  QStringList options;  // the elements and the job's other options
  // Once the runner types a line starting with this, the gateway's answers no longer reach
  // it; "unanswered": no connect is ever answered.
  std::string muted_after;
  std::function<bool(const QString& transcripts, const Service&)> reached;  // when to signal
  int exit_code;
  std::vector<std::string> err, out;
  std::vector<std::pair<QString, int>> files = {};  // report files of an element
  QString paced = {};  // the sessions paced: at most `per_period` begun in every 2 s
  int per_period = 0;
};

// A session of the transcripts in `folder` that typed `element`'s selection and then a line
// starting with `line`.
bool Typed(const QString& folder, const std::string& element, const std::string& line) {
  for (const auto& events : TranscriptEvents(folder)) {
    const auto typed = TypedLines(events);
    const auto at = std::find(typed.begin(), typed.end(), "NE=" + element);
    const auto starts = [&line](const std::string& sent) { return sent.starts_with(line); };
    if (at != typed.end() && std::any_of(at, typed.end(), starts)) return true;
  }
  return false;
}

auto Begun(const char* pattern, int sessions) {
  return
      [=](const QString&, const Service& service) { return service.Sessions(pattern) >= sessions; };
}

TEST(EndlessDailyCheck, SigtermEndsTheRunWithItsRecapAndReportFilesAndTheRunIsPaced) {
  const auto typed = [](const std::string& element, const std::string& line) {
    return [=](const QString& transcripts, const Service&) {
      return Typed(transcripts, element, line);
    };
  };
  // clang-format off
  const Row rows[] = {
      // BSC70's SAE queue waits for an answer that does not come; the other lane goes on.
      {"a solution in flight",
       {"--ne", "BSC70", "--ne", "BSC71", "--ne", "BSC72", "--parallel", "2", "--solution", "SAE",
        "--solution", "SETAR", "--watchdog", "86400"}, "SAALI",
       [](const QString& transcripts, const Service&) {
         return Typed(transcripts, "BSC70", "SAALI;") && Typed(transcripts, "BSC72", "ALLIP;");
       }, 0, {"recap: BSC70: reached", "recap: BSC71: reached", "recap: BSC72: reached"},
       {"BSC70: stopped while "}, {{"BSC70", 1}, {"BSC71", 1}}},
      {"a block in flight", {"--ne", "BSC80", "--solution", "PERMANENT", "--watchdog", "86400"},
       "RXBLI", typed("BSC80", "RXBLI:MO=RXOCF-12"), 1, {"may still be blocked: RXOCF-12"},
       {"BSC80: stopped while "}, {{"BSC80", 1}}},
      // Connects that are never answered hold nothing: four lanes all wait for theirs, and no
      // watchdog would end them.
      {"connects never answered", {"--ne", "BSC9", "--ne", "BSC10", "--ne", "BSC11", "--ne",
       "BSC12", "--parallel", "4", "--watchdog", "86400"}, "unanswered", Begun("_dailycheck_", 4),
       0, {"recap: BSC9: not reached; ended early: stopped during the login"}, {}},
      // A fast gateway gets a cycle per --min-cycle; signalled once two have begun.
      {"a fast gateway", {"--ne", "BSC9", "--ne", "BSC12", "--min-cycle", "2", "--retry", "0"}, "",
       Begun("_dailycheck_", 4), 0, {}, {}, {}, "_dailycheck_", 2},
      // An element that the gateway refuses waits out its back-off while the others go on.
      {"an unknown element", {"--ne", "BSC99", "--ne", "BSC9", "--min-cycle", "0", "--retry", "2"},
       "", Begun("_BSC9(_\\d+)?\\.log$", 20), 0, {}, {}, {}, "_BSC99(_\\d+)?\\.log$", 1},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir transcripts;
    GatewayProcess gateway({"--scenario", DataFile("endless-network.json"), "--chunk-max", "30",
                            "--transcript-dir", transcripts.path()});
    UnansweredGateway unanswered;
    std::unique_ptr<MutingProxy> proxy;
    QString address = gateway.QAddress();
    if (row.muted_after == "unanswered") {
      address = unanswered.Address();
    } else if (!row.muted_after.empty()) {
      proxy = std::make_unique<MutingProxy>(gateway.Port(), row.muted_after);
      address = proxy->Address();
    }
    Service service(QStringList{"--gateway", address} + row.options);
    ASSERT_TRUE(service.Until([&] { return row.reached(transcripts.path(), service); }));
    const qint64 lasted = service.Terminate();
    EXPECT_EQ(service.exit_code, row.exit_code) << service.err;
    EXPECT_THAT(service.err, HasSubstr("kestrel-batch: stopped by SIGTERM\n"));
    for (const std::string& said : row.err) EXPECT_THAT(service.err, HasSubstr(said));
    for (const std::string& said : row.out) EXPECT_THAT(service.out, HasSubstr(said));
    EXPECT_TRUE(service.out.empty() || service.out.ends_with("\n"));
    // Each visit with solutions left a report file, the one the signal ended too.
    const QStringList files =
        QDir(service.share.filePath("Kestreldailycheck")).entryList(QDir::Files);
    qsizetype counted = 0;
    for (const auto& [element, count] : row.files) {
      EXPECT_EQ(files.filter(element + "_Create_").size(), count) << element.toStdString();
      counted += count;
    }
    EXPECT_EQ(files.size(), counted);
    if (row.paced.isEmpty()) continue;
    // Whatever time the run took, it began no more sessions than its pace allows in it.
    const int paced = service.Sessions(row.paced);
    EXPECT_GE(paced, 1);
    EXPECT_LE(paced, row.per_period * static_cast<int>(lasted / 2000 + 1))
        << lasted << " ms: " << service.out;
  }
}

}  // namespace
}  // namespace kestrel::testing
