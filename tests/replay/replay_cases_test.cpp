// The recorded cases: each folder of cases/ holds the session logs of a job that met a
// fault of the network, and what the job reported then. Each is played back by
// kestrel-gateway --replay to the same kestrel-batch job, which must give the same report,
// the same recap and exit status, and send the same lines, each of which the log holds.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

const QString kCases = KESTREL_REPLAY_CASES;

// The lines of a case file, without comments and blank lines.
QStringList CaseLines(const QString& path) {
  QStringList lines;
  for (const QString& line : QString::fromStdString(ReadWhole(path)).split('\n')) {
    if (!line.trimmed().isEmpty() && !line.startsWith('#')) lines << line;
  }
  return lines;
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const QString& name : QDir(kCases).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
    names.push_back(name.toStdString());
  return names;
}

class RecordedCase : public ::testing::TestWithParam<std::string> {};

TEST_P(RecordedCase, ReplaysToTheRecordedReport) {
  const QString folder = kCases + "/" + QString::fromStdString(GetParam());
  const QStringList logs = SessionLogs(folder + "/logs");
  ASSERT_FALSE(logs.isEmpty()) << "no session log in " << folder.toStdString();
  // Logs are handed in and committed: the password ("kestrel" on the demo network) never
  // stands in one.
  for (const QString& log : logs) {
    EXPECT_EQ(ReadWhole(log).find("kestrel"), std::string::npos) << log.toStdString();
  }

  QTemporaryDir temporary, replay_logs;
  for (const QString& made : CaseLines(folder + "/folders")) {
    ASSERT_TRUE(QDir(temporary.path()).mkpath(made));
  }
  QStringList arguments;
  for (QString argument : CaseLines(folder + "/job")) {
    arguments << argument.replace("@CASE@", folder).replace("@TMP@", temporary.path());
  }
  ASSERT_FALSE(arguments.isEmpty()) << "no job in " << folder.toStdString();

  // Its transcripts off, what the replay writes on standard error is what went wrong.
  QStringList replay = {"--quiet"};
  for (const QString& log : logs) replay << "--replay" << log;
  GatewayProcess gateway(replay, /*keep_errors=*/true);
  const RunResult run =
      RunBatch(arguments + QStringList{"--gateway", gateway.Address(), "--user", "kestrel",
                                       "--log-dir", replay_logs.path()},
               DemoPassword());
  EXPECT_EQ(gateway.Stop(), "") << "the job sent what the recorded sessions do not hold";

  auto masked = [&](const std::string& output) {
    return Masked(QString::fromStdString(output).replace(folder, "@CASE@").toStdString(),
                  temporary.path());
  };
  EXPECT_EQ(masked(run.out), ReadWhole(folder + "/stdout"));
  EXPECT_EQ(masked(run.err), ReadWhole(folder + "/stderr"));
  EXPECT_EQ(std::to_string(run.exit_code) + "\n", ReadWhole(folder + "/status"));
  EXPECT_EQ(SentLines(SessionLogs(replay_logs.path())), SentLines(logs));
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordedCase, ::testing::ValuesIn(CaseNames()),
                         [](const auto& recorded) { return recorded.param; });

}  // namespace
}  // namespace kestrel::testing
