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

// The days kept, the size cap and the last log, as the sections of
// tests/data/platform/session-days.txt.
TEST(SessionLog, TheDaysKeptAndTheLastLog) {
  for (const auto& [name, text] : kestrel::testing::TestDataSections("platform/session-days.txt")) {
    SCOPED_TRACE(name);
    QTemporaryDir logs;
    QDir folder(logs.path());
    QDateTime now;
    FileSessionRecorder recorder(logs.path(), [&] { return now; });
    std::vector<std::string> said, expected;
    for (const QString& line : QString::fromStdString(text).split("\r\n", Qt::SkipEmptyParts)) {
      if (line.startsWith('#')) continue;
      const QString step = line.section(' ', 0, 0);
      const QStringList args = line.section(' ', 1).split(' ');
      if (step == "now") {
        now = QDateTime::fromString(line.section(' ', 1), "yyyy-MM-dd hh:mm:ss");
      } else if (step == "log" || step == "record") {
        folder.mkpath(QFileInfo(folder.filePath(args[0])).path());
        QFile log(folder.filePath(args[0]));
        ASSERT_TRUE(log.open(QIODevice::WriteOnly));
        const QString rest = line.section(' ', 2);
        log.write(step == "log" ? QByteArray(rest.toInt() * 1024, 'x')
                                : (rest.isEmpty() ? rest : rest + "\n").toUtf8());
      } else if (step == "last") {
        const QString last = args[0].isEmpty() ? "" : folder.absoluteFilePath(args[0]);
        EXPECT_EQ(recorder.LastLog("proses").toStdString(), last.toStdString());
      } else if (step == "folder") {
        folder.mkpath(args[0]);
      } else if (step == "prune") {
        EXPECT_EQ(recorder.Prune(args[0].toInt()), args.at(1).toInt()) << line.toStdString();
      } else if (step == "keep") {
        recorder.Keep(args[0].toInt(), args.at(1).toInt(),
                      [&](const std::string& notice) { said.push_back(notice); });
      } else if (step == "open") {
        for (int n = 0; n < args[0].toInt(); ++n) {
          now = now.addSecs(1);
          std::string error;
          ASSERT_NE(recorder.Open("dailycheck", "BSC9", error), nullptr) << error;
        }
      } else if (step == "said") {
        expected.push_back(line.section(' ', 1).toStdString());
      } else {
        ASSERT_TRUE(step == "there" || step == "gone") << line.toStdString();
        for (const QString& day : args) {
          EXPECT_EQ(folder.exists(day), step == "there") << day.toStdString();
        }
        EXPECT_EQ(said, expected) << line.toStdString();
      }
    }
    EXPECT_EQ(said, expected);
  }
}

}  // namespace
}  // namespace kestrel::platform
