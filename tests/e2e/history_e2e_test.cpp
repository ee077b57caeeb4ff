// The Daily check's history end to end: passes of the runner (also on parallel lanes, also two
// runners at once on one file) read back with "kestrel-batch history" in each format, and the
// metrics file. (A history that cannot be used is a table of runner-rows.txt.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

TEST(HistoryE2e, PassesOfParallelLanesAndTwoRunnersReadBackInEveryFormat) {
  const QTemporaryDir scratch;
  QDir(scratch.path()).mkdir("Kestreldailycheck");
  const GatewayProcess gateway;
  const QString history = scratch.filePath("h.sqlite");
  const auto check = [&](const QStringList& more) {
    return QString("dailycheck --ne BSC9 --ne BSC12 --ne MSC9 --no-sound --no-log --cycles 2")
               .split(' ') +
           QStringList{"--gateway",    gateway.Address(), "--report-root",
                       scratch.path(), "--history",       history} +
           more;
  };
  {
    BatchProcess one(check({"--parallel", "3"}), DemoPassword());
    BatchProcess two(check({"--metrics-file", scratch.filePath("m.prom")}), DemoPassword());
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
  const std::string metrics = ReadWhole(scratch.filePath("m.prom"));
  for (const char* element : {"BSC9", "BSC12", "MSC9"}) {
    EXPECT_THAT(metrics, HasSubstr(std::string("kestrel_dailycheck_element_up{element=\"") +
                                   element + "\"} 1\n"));
  }
  EXPECT_THAT(metrics, HasSubstr("# TYPE kestrel_dailycheck_last_cycle_timestamp_seconds gauge"));
  EXPECT_EQ(RunBatch({"history", "--history", scratch.filePath("none.sqlite")}).exit_code, 1);
  EXPECT_FALSE(QFile::exists(scratch.filePath("none.sqlite")));
  EXPECT_EQ(RunBatch({"history", "--since", "soon", "--history", history}).exit_code, 2);
}

}  // namespace
}  // namespace kestrel::testing
