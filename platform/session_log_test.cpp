#include "platform/session_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>

#include "tests/test_data.h"

namespace kestrel::platform {
namespace {

using ::testing::MatchesRegex;

QStringList LinesOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

TEST(SessionLog, OneFilePerSessionInTheDaysFolderWrittenAsItGoes) {
  QTemporaryDir logs;
  FileSessionRecorder recorder(logs.path() + "/sessions");
  std::string error;
  auto record = recorder.Open("proses", "ALTBSC1_X29,PROT=V24", error);
  ASSERT_NE(record, nullptr) << error;
  auto second = recorder.Open("proses", "ALTBSC1_X29,PROT=V24", error);
  ASSERT_NE(second, nullptr) << error;  // the same second: a file of its own
  ASSERT_NE(recorder.Open("proses", "../../etc/x\x1b", error), nullptr);  // never a path
  const auto now = std::chrono::system_clock::now();
  EXPECT_TRUE(record->Write(mml::SessionRecord::Direction::kSent, "NE=ALTBSC1_X29,PROT=V24", now));
  // The lines of a received text are a record each, of the time it came.
  const auto then = QDateTime::fromString("2026-12-06 10:15:02.345", "yyyy-MM-dd hh:mm:ss.zzz");
  EXPECT_TRUE(record->Write(
      mml::SessionRecord::Direction::kReceived, "\r\nWO      BSC9\r\n<",
      std::chrono::system_clock::time_point(std::chrono::milliseconds(then.toMSecsSinceEpoch()))));
  EXPECT_TRUE(record->Write(mml::SessionRecord::Direction::kNote, "closed by peer", now));

  const QString day = QDir(recorder.Folder()).filePath(QDate::currentDate().toString("yyyy-MM-dd"));
  // Sorted by name, which begins with the second it was opened: the first record comes first.
  QStringList files = QDir(day).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 3);
  const QStringList unsafe = files.filter("etc");
  ASSERT_EQ(unsafe.size(), 1);
  EXPECT_THAT(unsafe[0].toStdString(), MatchesRegex("[0-9]{6}_proses_.._.._etc_x_\\.log"));
  files.removeAll(unsafe[0]);
  for (const QString& file : files) {
    EXPECT_THAT(file.toStdString(),
                MatchesRegex("[0-9]{6}_proses_ALTBSC1_X29,PROT=V24(_2)?\\.log"));
  }
  // Readable on disk before the record is closed: nothing waits in a buffer.
  const QStringList lines = LinesOf(QDir(day).filePath(files[0]));
  ASSERT_EQ(lines.size(), 5);
  const std::string stamp = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} ";
  EXPECT_THAT(lines[0].toStdString(), MatchesRegex(stamp + "sent NE=ALTBSC1_X29,PROT=V24"));
  EXPECT_EQ(lines.mid(1, 3), QStringList({"2026-12-06 10:15:02.345 recv \\r\\n",
                                          "2026-12-06 10:15:02.345 recv WO      BSC9\\r\\n",
                                          "2026-12-06 10:15:02.345 recv <"}));
  EXPECT_THAT(lines[4].toStdString(), MatchesRegex(stamp + "note closed by peer"));
  // Kept from other users: the logs hold what was sent to the network.
  EXPECT_EQ(
      QFileInfo(QDir(day).filePath(files[0])).permissions() & (QFile::ReadOther | QFile::ReadGroup),
      QFile::Permissions());
  // A folder that cannot be made is said.
  FileSessionRecorder blocked(QDir(day).filePath(files[0]) + "/sessions");
  EXPECT_EQ(blocked.Open("proses", "BSC9", error), nullptr);
  EXPECT_THAT(error, ::testing::HasSubstr("cannot be made"));
}

// The log whose session began last: by the second in its name, and within one second (where
// names sort by element) by the time of its first record; a log with no record yet is newest.
TEST(SessionLog, TheLastLogIsTheSessionThatBeganLast) {
  for (const auto& [name, text] : kestrel::testing::TestDataSections("platform/last-logs.txt")) {
    QTemporaryDir logs;
    QString last;
    for (const QString& line : QString::fromStdString(text).split("\r\n", Qt::SkipEmptyParts)) {
      const QString file = line.section(' ', 0, 0), first = line.section(' ', 1);
      if (file == "last") {
        last = first.isEmpty() ? QString() : QFileInfo(logs.filePath(first)).absoluteFilePath();
        continue;
      }
      QDir().mkpath(QFileInfo(logs.filePath(file)).path());
      QFile log(logs.filePath(file));
      ASSERT_TRUE(log.open(QIODevice::WriteOnly));
      if (!first.isEmpty()) log.write(("2026-12-06 10:15:0" + first + "\n").toUtf8());
    }
    EXPECT_EQ(FileSessionRecorder(logs.path()).LastLog("proses"), last) << name;
  }
}

// Past the size cap the oldest days go first, never today's, and it is said once.
TEST(SessionLog, TheSizeCapRemovesTheOldestDaysFirst) {
  QTemporaryDir logs;
  QDir folder(logs.path());
  const QDate today = QDate::currentDate();
  QStringList days;
  for (int age : {3, 2, 1, 0}) {
    const QString day = today.addDays(-age).toString("yyyy-MM-dd");
    days << day;
    folder.mkpath(day);
    QFile log(folder.filePath(day + "/120000_dailycheck_BSC9.log"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write(QByteArray(400 * 1024, 'x'));
  }
  FileSessionRecorder recorder(logs.path());
  std::vector<std::string> said;
  recorder.Keep(30, 1, [&](const std::string& notice) { said.push_back(notice); });
  EXPECT_FALSE(folder.exists(days[0]));
  EXPECT_FALSE(folder.exists(days[1]));
  EXPECT_TRUE(folder.exists(days[2]));
  EXPECT_TRUE(folder.exists(days[3]));
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "The session logs passed 1 MB: the oldest days were removed (" +
                         days[0].toStdString() + ", " + days[1].toStdString() +
                         "); older days go whenever the logs pass it again");
  // Past the cap again by today's logs alone: the day before goes, today's stay (they are
  // being written), and nothing more is said.
  QFile big(folder.filePath(days[3] + "/120001_dailycheck_BSC9.log"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write(QByteArray(2 << 20, 'x'));
  big.close();
  recorder.Keep(30, 1, [&](const std::string& notice) { said.push_back(notice); });
  EXPECT_FALSE(folder.exists(days[2]));
  EXPECT_TRUE(folder.exists(days[3]));
  EXPECT_EQ(said.size(), 1u);
}

// A service that runs for weeks: the days past those kept go at the first session of a new
// day (other folders are never touched; no days kept: none go), and the size cap is looked at
// again every thousand sessions of a day.
TEST(SessionLog, ARecorderThatRunsForWeeksKeepsItsDaysAsTheyChange) {
  QTemporaryDir logs;
  QDir folder(logs.path());
  QDateTime now(QDate(2026, 12, 7), QTime(23, 59, 0));
  FileSessionRecorder recorder(logs.path(), [&] { return now; });
  for (const char* day : {"2026-12-04", "2026-12-05", "2026-12-06", "2026-12-07", "notes"}) {
    folder.mkpath(day);
  }
  EXPECT_EQ(recorder.Prune(0), 0);
  EXPECT_EQ(recorder.Prune(3), 1);
  std::vector<std::string> said;
  recorder.Keep(2, 1, [&](const std::string& notice) { said.push_back(notice); });
  EXPECT_FALSE(folder.exists("2026-12-05"));
  EXPECT_TRUE(folder.exists("2026-12-06"));
  std::string error;
  const auto open = [&] {
    now = now.addSecs(1);
    ASSERT_NE(recorder.Open("dailycheck", "BSC9", error), nullptr) << error;
  };
  open();  // still the 7th
  EXPECT_TRUE(folder.exists("2026-12-06"));
  now = QDateTime(QDate(2026, 12, 8), QTime(0, 0, 1));
  open();
  EXPECT_FALSE(folder.exists("2026-12-06"));
  EXPECT_TRUE(folder.exists("2026-12-07"));

  // Today's logs grow past the cap: the day before goes, at the thousandth session.
  QFile big(folder.filePath("2026-12-08/000000_dailycheck_BSC9.log"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write(QByteArray(2 << 20, 'x'));
  big.close();
  for (int session = 1; session < 1000; ++session) open();
  EXPECT_TRUE(folder.exists("2026-12-07"));
  EXPECT_TRUE(said.empty());
  open();
  EXPECT_FALSE(folder.exists("2026-12-07"));
  EXPECT_EQ(said.size(), 1u);
  EXPECT_TRUE(folder.exists("notes"));
}

}  // namespace
}  // namespace kestrel::platform
