// The Daily check end to end: kestrel-batch dailycheck supervises three elements of the
// simulator for two passes, with solutions ticked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

std::vector<std::string> Typed(const std::vector<std::string>& events) {
  std::vector<std::string> typed;
  for (const auto& event : events) {
    if (event.starts_with("typed ")) typed.push_back(event.substr(6));
  }
  return typed;
}

TEST(DailyCheckEndToEnd, TwoPassesOverThreeElementsWithSolutions) {
  QTemporaryDir transcripts, share;
  QDir(share.path()).mkdir("Kestreldailycheck");
  GatewayProcess gateway({"--scenario", QString(KESTREL_E2E_DATA) + "/dailycheck-network.json",
                          "--chunk-max", "50", "--transcript-dir", transcripts.path()});
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", "kestrel");
  const RunResult run = RunBatch({"dailycheck",
                                  "--gateway",
                                  QString::fromStdString(gateway.Address()),
                                  "--user",
                                  "kestrel",
                                  "--ne",
                                  "BSC9",
                                  "--ne",
                                  "MSC9",
                                  "--ne",
                                  "BSC10",
                                  "--cycles",
                                  "2",
                                  "--report-root",
                                  share.path(),
                                  "--no-sound",
                                  "--solution",
                                  "SEQAR",
                                  "--solution",
                                  "SETAR",
                                  "--solution",
                                  "SOFTERROR",
                                  "--solution",
                                  "ENUM",
                                  "--timeout",
                                  "60"},
                                 env);
  ASSERT_EQ(run.exit_code, 0) << run.err;

  // The report pane, with its times of day masked.
  QString report = QString::fromStdString(run.out);
  report.replace(QRegularExpression("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d"),
                 "<date time>");
  report.replace(QRegularExpression("\\d\\d:\\d\\d:\\d\\d"), "<time>");
  EXPECT_EQ(report.toStdString(),
            "Warning: BSC9: SEIZURE SUPERVISION; <date time>\n"
            "BSC9: SETAR; <time>\n"
            "Warning: BSC9: SEIZURE QUALITY SUPERVISION; <date time>\n"
            "BSC9: SEQAR:R=ROUTE7    ; <time>\n"
            "Warning: BSC9: EXTERNAL ALARM; <date time>\n"
            "Warning: MSC9: CCITT7 EVENT REPORTING THRESHOLD REACHED; <date time>\n"
            "MSC9: C7ERR:ENUM=2301; <time>\n"
            "Warning: MSC9: APPLICATION DETECTED SOFTWARE ERROR; <date time>\n"
            "MSC9: SOFTWARE ERROR, EVET=H'2F1A <time>\n"
            "Warning: BSC10: MANY ALARMS; <date time>\n"
            "Warning: BSC10: EXTERNAL ALARM; <date time>\n"
            // The second pass: what the solutions cleared is gone.
            "Warning: BSC9: EXTERNAL ALARM; <date time>\n"
            "Warning: BSC10: MANY ALARMS; <date time>\n"
            "Warning: BSC10: EXTERNAL ALARM; <date time>\n");

  // The queue traffic of every session.
  const auto sessions = TranscriptEvents(transcripts.path());
  ASSERT_EQ(sessions.size(), 6u);
  const std::vector<std::string> login = {"kestrel", "(password)"};
  auto with_login = [&](const std::string& element, std::vector<std::string> traffic) {
    std::vector<std::string> all = login;
    all.push_back("NE=" + element);
    all.push_back("ALLIP;");
    all.insert(all.end(), traffic.begin(), traffic.end());
    return all;
  };
  EXPECT_EQ(Typed(sessions[0]), with_login("BSC9", {"SETAR;", "SEQAR:R=ROUTE7    ;"}));
  EXPECT_EQ(Typed(sessions[1]), with_login("MSC9", {"C7ERR:ENUM=2301;", "SYRIP:SURVEY;", "^D", "",
                                                    "SYRAE:EVENT=H'2F1A;", ";", "^D", ""}));
  EXPECT_EQ(Typed(sessions[2]), with_login("BSC10", {}));
  EXPECT_EQ(Typed(sessions[3]), with_login("BSC9", {}));
  EXPECT_EQ(Typed(sessions[4]), with_login("MSC9", {}));
  EXPECT_EQ(Typed(sessions[5]), with_login("BSC10", {}));

  // A report file for each element whose solutions ran, with its whole session.
  const QStringList files =
      QDir(share.filePath("Kestreldailycheck")).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 2);
  EXPECT_TRUE(QRegularExpression("^BSC9_Create_\\d{8}_\\d{6}\\.txt$").match(files[0]).hasMatch());
  EXPECT_TRUE(QRegularExpression("^MSC9_Create_\\d{8}_\\d{6}\\.txt$").match(files[1]).hasMatch());
  QFile msc9(share.filePath("Kestreldailycheck/" + files[1]));
  ASSERT_TRUE(msc9.open(QIODevice::ReadOnly));
  const std::string text = msc9.readAll().toStdString();
  EXPECT_THAT(text, HasSubstr("APPLICATION DETECTED SOFTWARE ERROR"));
  EXPECT_THAT(text, HasSubstr("EVENT CODE  TYPE"));
  EXPECT_THAT(text, HasSubstr("\r\n"));
}

}  // namespace
}  // namespace kestrel::testing
