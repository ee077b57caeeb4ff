// Session logs played back: a log cut short by hand replays to the failure a live run cut
// there had. (A job's own logs replayed, whole, cut afresh and dropped at every order, are
// twins of the rows of runner-rows.txt; a job that strays from its log, rows of its own.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/programs.h"
#include "tests/replay/replay_support.h"

namespace kestrel::testing {
namespace {

using replay::Masked;
using replay::ReadLog;
using replay::ReplayGateway;
using replay::SentLines;
using replay::SessionLogs;
using ::testing::HasSubstr;

struct Ran {
  RunResult result;
  QStringList logs;
};

// Runs `job` against `gateway`, its session logs into `logs`.
Ran RunJob(const QString& gateway, const QStringList& job, const QTemporaryDir& logs) {
  Ran run{
      RunBatch(job + QStringList{"--gateway", gateway, "--log-dir", logs.path()}, DemoPassword()),
      SessionLogs(logs.path())};
  run.result.out = Masked(run.result.out);
  run.result.err = Masked(run.result.err);
  return run;
}

// The job against the simulator with `faults`.
Ran Live(const QStringList& faults, const QStringList& job, const QTemporaryDir& logs) {
  GatewayProcess gateway(QStringList{"--quiet"} + faults);
  return RunJob(gateway.QAddress(), job, logs);
}

// The job against the replay of `recorded`: what the live run gave, with no word of the gateway.
void ExpectSameReplay(const QStringList& recorded, const QStringList& job, const Ran& live,
                      const std::string& what) {
  QTemporaryDir logs;
  replay::ReplayGateway gateway(recorded);
  const Ran replayed = RunJob(gateway.Address(), job, logs);
  EXPECT_EQ(gateway.Stop(), "") << what;
  EXPECT_EQ(replayed.result.exit_code, live.result.exit_code) << what;
  EXPECT_EQ(replayed.result.out, live.result.out) << what;
  EXPECT_EQ(replayed.result.err, live.result.err) << what;
  EXPECT_EQ(SentLines(replayed.logs), SentLines(live.logs)) << what;
}

// A whole log truncated by hand after chunks of the element's answers, with the close the
// gateway would have made there: replayed, it gives what a live gateway that dropped the
// connection after the same bytes gave.
TEST(ReplayEndToEnd, ALogTruncatedAfterItsRecordsReplaysLikeTheDroppedLiveRun) {
  const QStringList job = {"rlslp", "--ne", "BSC9", "--timeout", "30"};
  QTemporaryDir whole_logs;
  const Ran whole = Live({"--chunk-max", "500", "--chunk-delay-ms", "5"}, job, whole_logs);
  ASSERT_EQ(whole.result.exit_code, 0) << whole.result.err;
  ASSERT_EQ(whole.logs.size(), 1);
  const QList<QByteArray> records =
      QByteArray::fromStdString(ReadWhole(whole.logs.front())).split('\n');
  const auto kind = [&records](qsizetype at) { return records[at].mid(24, 4); };
  // The records where a cut may fall: the element's answers after the login (within it the
  // request may still be on its way); about sixteen of them, evenly spread, and the last.
  std::vector<qsizetype> answers;
  for (qsizetype at = 0, sent = 0; at < records.size(); ++at) {
    sent += kind(at) == "sent" ? 1 : 0;
    if (kind(at) == "recv" && sent >= 3) answers.push_back(at);
  }
  ASSERT_GE(answers.size(), 10u);
  const std::size_t stride = std::max<std::size_t>(1, answers.size() / 16);
  // The gateway's own telnet negotiation, sent before it answers the password: WILL ECHO,
  // WILL SUPPRESS-GO-AHEAD and DO TERMINAL-TYPE, then the terminal type request.
  constexpr long long kNegotiation = 9 + 6;
  long long data = 0;
  for (qsizetype at = 0, answer = 0; at <= answers.back(); ++at) {
    if (kind(at) != "recv") continue;
    data += static_cast<long long>(replay::Unescaped(records[at].mid(29).toStdString()).size());
    if (at != answers[static_cast<std::size_t>(answer)]) continue;
    if (answer++ % static_cast<qsizetype>(stride) != 0 && at != answers.back()) continue;
    const std::string what = "cut after line " + std::to_string(at + 1);
    QTemporaryDir cut_folder, live_logs;
    std::string cut;
    for (qsizetype i = 0; i <= at; ++i) cut += records[i].toStdString() + "\n";
    WriteFile(cut_folder.filePath("cut.log"),
              cut + records[at].left(23).toStdString() + " note closed by peer\n");
    const Ran live =
        Live({"--drop-after-bytes", QString::number(kNegotiation + data)}, job, live_logs);
    long long live_data = 0;
    for (const replay::LogLine& line : ReadLog(live.logs.front()))
      if (line.kind == "recv")
        live_data += static_cast<long long>(replay::Unescaped(line.text).size());
    ASSERT_EQ(live_data, data) << what << ": the live run was cut elsewhere";
    ExpectSameReplay({cut_folder.filePath("cut.log")}, job, live, what);
    // Only a cut after the last chunk leaves the job all it needed.
    if (at < answers.back()) {
      EXPECT_NE(live.result.exit_code, 0) << what << ": a cut session is no success";
    }
  }
}

}  // namespace
}  // namespace kestrel::testing
