// The Daily check's history end to end: passes of the runner (also on parallel lanes, also two
// runners at once on one file) read back with "kestrel-batch history" in each format, the
// metrics file, and a history that cannot be used leaving the check's report as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct Site {
  QTemporaryDir scratch;
  std::unique_ptr<GatewayProcess> gateway = std::make_unique<GatewayProcess>();
  Site() { QDir(scratch.path()).mkdir("Kestreldailycheck"); }
  // The network as it was before solutions acted on it.
  void Fresh() { gateway = std::make_unique<GatewayProcess>(); }
  QString File(const char* name) const { return scratch.filePath(name); }
  QStringList Check(const QStringList& more, const char* cycles = "2") const {
    const QStringList check = {"dailycheck", "--ne",          "BSC9",        "--ne",
                               "BSC12",      "--ne",          "MSC9",        "--no-sound",
                               "--no-log",   "--report-root", scratch.path()};
    return check + QStringList{"--cycles", cycles, "--gateway", gateway->QAddress()} + more;
  }
};

TEST(HistoryE2e, PassesOfParallelLanesAndTwoRunnersReadBackInEveryFormat) {
  Site site;
  const QString history = site.File("h.sqlite");
  {
    BatchProcess one(site.Check({"--history", history, "--parallel", "3"}), DemoPassword());
    BatchProcess two(site.Check({"--history", history, "--metrics-file", site.File("m.prom")}),
                     DemoPassword());
    for (BatchProcess* run : {&one, &two}) {
      const RunResult result = run->Wait();
      EXPECT_THAT(result.err, Not(HasSubstr("history"))) << result.err;
    }
  }
  const RunResult text = RunBatch({"history", "--history", history});
  ASSERT_EQ(text.exit_code, 0) << text.err;
  EXPECT_THAT(text.out, HasSubstr("BSC9  A2 101  SEIZURE SUPERVISION  first 20"));
  const RunResult active =
      RunBatch({"history", "--history", history, "--active", "--ne", "BSC9", "--format", "json"});
  ASSERT_FALSE(active.out.empty()) << active.err;
  for (const std::string& line : Lines(active.out)) {
    if (line.empty()) continue;
    const QJsonObject alarm = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    EXPECT_EQ(alarm["element"].toString(), "BSC9");
    EXPECT_TRUE(alarm["cleared"].isNull());
    EXPECT_GE(alarm["count"].toInt(), 1);
    EXPECT_TRUE(alarm["first_seen"].toString().endsWith("Z"));
  }
  const RunResult csv = RunBatch({"history", "--history", history, "--format", "csv", "--since",
                                  "2000-01-01", "--until", "2999-01-01"});
  EXPECT_EQ(Lines(csv.out).front(),
            "element,class,number,slogan,first_seen,last_seen,cleared,count,ack_by,ack_at,"
            "ack_note\r");
  EXPECT_EQ(Lines(csv.out).size(), Lines(text.out).size() + 1);
  const std::string metrics = ReadWhole(site.File("m.prom"));
  for (const char* element : {"BSC9", "BSC12", "MSC9"}) {
    EXPECT_THAT(metrics, HasSubstr(std::string("kestrel_dailycheck_element_up{element=\"") +
                                   element + "\"} 1\n"));
  }
  EXPECT_THAT(metrics, HasSubstr("# TYPE kestrel_dailycheck_last_cycle_timestamp_seconds gauge"));
  EXPECT_EQ(RunBatch({"history", "--history", site.File("none.sqlite")}).exit_code, 1);
  EXPECT_FALSE(QFile::exists(site.File("none.sqlite")));
  EXPECT_EQ(RunBatch({"history", "--since", "soon", "--history", history}).exit_code, 2);
}

// A damaged file, one of a newer version, a folder that is not there: said once on standard
// error; the report and the exit status are those of a run without history.
TEST(HistoryE2e, AHistoryThatCannotBeUsedChangesNothingOfTheCheck) {
  Site site;
  const RunResult plain = RunBatch(site.Check({"--no-history"}, "3"), DemoPassword());
  WriteFile(site.File("junk.sqlite"), std::string(5000, 'j'), true);
  // A newer program's file: a database whose version is past ours.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(site.File("newer.sqlite").toUtf8().constData(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE t(x); PRAGMA user_version=99", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  const std::string before = ReadWhole(site.File("newer.sqlite"));
  for (const auto& [file, said] : std::vector<std::pair<QString, std::string>>{
           {site.File("junk.sqlite"), "is damaged"},
           {site.File("newer.sqlite"), "newer Kestrel"},
           {site.File("no/such/folder/h.sqlite"), "history not kept"}}) {
    site.Fresh();
    const RunResult run = RunBatch(site.Check({"--history", file}, "3"), DemoPassword());
    SCOPED_TRACE(file.toStdString());
    EXPECT_EQ(MaskTimes(run.out), MaskTimes(plain.out));
    EXPECT_EQ(run.exit_code, plain.exit_code);
    std::size_t times = 0;
    for (std::size_t at = run.err.find(said); at != std::string::npos;
         at = run.err.find(said, at + 1)) {
      ++times;
    }
    EXPECT_EQ(times, 1u) << run.err;
  }
  EXPECT_TRUE(ReadWhole(site.File("newer.sqlite")) == before);
  const QStringList aside = QDir(site.scratch.path()).entryList({"junk.sqlite.damaged-*"});
  ASSERT_EQ(aside.size(), 1);
  EXPECT_EQ(ReadWhole(site.scratch.filePath(aside.front())), std::string(5000, 'j'));
}

}  // namespace
}  // namespace kestrel::testing
