// Session logs played back: a kestrel-batch job against the simulator, then the same job
// against kestrel-gateway --replay of the logs it wrote, must give the same report and send
// the same lines; a log cut short replays to the failure the live run had; a job that
// strays from its log is told so, and so is whoever runs the replay.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
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
using ::testing::Not;

struct JobRun {
  RunResult result;
  QStringList logs;
};

// Runs `job` against `gateway`, its session logs into `logs`.
JobRun RunJob(const QString& gateway, const QStringList& job, const QTemporaryDir& logs) {
  JobRun run{
      RunBatch(job + QStringList{"--gateway", gateway, "--log-dir", logs.path()}, DemoPassword()),
      SessionLogs(logs.path())};
  run.result.out = Masked(run.result.out);
  run.result.err = Masked(run.result.err);
  return run;
}

// The job against the simulator with `faults`.
JobRun Live(const QStringList& faults, const QStringList& job, const QTemporaryDir& logs) {
  GatewayProcess gateway(QStringList{"--quiet"} + faults);
  return RunJob(gateway.QAddress(), job, logs);
}

// The job against the replay of `recorded`: what the live run gave, with no word of the gateway.
void ExpectSameReplay(const QStringList& recorded, const QStringList& job, const JobRun& live,
                      const std::string& what) {
  QTemporaryDir logs;
  replay::ReplayGateway gateway(recorded);
  const JobRun replayed = RunJob(gateway.Address(), job, logs);
  EXPECT_EQ(gateway.Stop(), "") << what;
  EXPECT_EQ(replayed.result.exit_code, live.result.exit_code) << what;
  EXPECT_EQ(replayed.result.out, live.result.out) << what;
  EXPECT_EQ(replayed.result.err, live.result.err) << what;
  EXPECT_EQ(SentLines(replayed.logs), SentLines(live.logs)) << what;
}

// The session ending at every order of a recovery: the gateway drops the connection as the
// line comes in. The log of that run, replayed, gives the same failure: the same report (the
// order in flight, what may still be blocked), recap and exit status.
TEST(ReplayEndToEnd, ALogCutByADroppedConnectionReplaysToTheSameFailure) {
  const QStringList rxlti = {"proses", "--ne",      "BSC9", "--procedure", "rxlti", "--release-ms",
                             "20",     "--wait-ms", "100",  "--timeout",   "30"};
  const QStringList network = {"--scenario", DataFile("proses-network.json")};
  QTemporaryDir whole_logs;
  const JobRun whole = Live(network, rxlti, whole_logs);
  ASSERT_EQ(whole.result.exit_code, 0) << whole.result.err;
  ASSERT_EQ(whole.logs.size(), 1);
  std::vector<std::string> lines;  // each line after the element selection, once
  bool selected = false;
  for (const replay::LogLine& line : ReadLog(whole.logs.front())) {
    if (line.kind != "sent") continue;
    const std::string text = replay::Unescaped(line.text);  // the release is a ^D
    if (selected && !text.empty() && std::find(lines.begin(), lines.end(), text) == lines.end())
      lines.push_back(text);
    selected = selected || line.text.starts_with("NE=");
  }
  ASSERT_GE(lines.size(), 8u);
  for (const std::string& line : lines) {
    QTemporaryDir logs;
    const JobRun live = Live(
        network + QStringList{"--drop-after-command", QString::fromStdString(line)}, rxlti, logs);
    EXPECT_EQ(live.result.exit_code, 1) << line;
    EXPECT_THAT(live.result.err, HasSubstr("ended early")) << line;
    ExpectSameReplay(live.logs, rxlti, live, "dropped at " + line);
  }
}

// A whole log truncated by hand after chunks of the element's answers, with the close the
// gateway would have made there: replayed, it gives what a live gateway that dropped the
// connection after the same bytes gave.
TEST(ReplayEndToEnd, ALogTruncatedAfterItsRecordsReplaysLikeTheDroppedLiveRun) {
  const QStringList job = {"rlslp", "--ne", "BSC9", "--timeout", "30"};
  QTemporaryDir whole_logs;
  const JobRun whole = Live({"--chunk-max", "500", "--chunk-delay-ms", "5"}, job, whole_logs);
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
    const JobRun live =
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

// The job asks for what the log does not hold: another element, or another command. The
// replay answers NOT ACCEPTED, which the report shows, and says on its standard error which
// line of which log was expected instead.
TEST(ReplayEndToEnd, AJobThatStraysFromItsLogIsRefusedAndTheGatewaySaysWhere) {
  QTemporaryDir recorded;
  const JobRun live = Live({}, {"rlslp", "--ne", "BSC9", "--timeout", "30"}, recorded);
  ASSERT_EQ(live.result.exit_code, 0) << live.result.err;
  ASSERT_EQ(live.logs.size(), 1);
  const std::string log = live.logs.front().toStdString();
  const std::vector<std::string> records = Lines(ReadWhole(live.logs.front()));
  // Where the log holds a line sent: "at line N" in the gateway's words.
  auto line_of = [&records](const std::string& sent) {
    for (std::size_t i = 0; i < records.size(); ++i)
      if (records[i].size() > 24 && records[i].substr(24) == "sent " + sent)
        return std::to_string(i + 1);
    return std::string("?");
  };
  struct Stray {
    QStringList job;
    std::string said;  // in the job's output
    std::string client_sent, log_holds;
  };
  const Stray strays[] = {
      // Another element: refused at the login as an unknown element, so nothing is sent.
      {{"rlslp", "--ne", "BSC12"},
       "BSC12 not checked: NE BSC12 NOT DEFINED IN GATEWAY\n",
       "NE=BSC12",
       "NE=BSC9"},
      {{"broadcast", "--ne", "BSC9"},
       "NOT ACCEPTED, FAULT CODE 1, NOT IN THE RECORDED SESSION",
       "RLBDP:CELL=ALL;",
       "RLSLP:CELL=ALL;"},
  };
  for (const Stray& stray : strays) {
    QTemporaryDir logs;
    ReplayGateway gateway(live.logs);
    const JobRun run = RunJob(gateway.Address(), stray.job + QStringList{"--timeout", "30"}, logs);
    EXPECT_EQ(run.result.exit_code, 1);
    EXPECT_THAT(run.result.out + run.result.err, HasSubstr(stray.said));
    EXPECT_THAT(run.result.out, Not(HasSubstr("RLSLP")));
    EXPECT_THAT(gateway.Stop(),
                HasSubstr("kestrel-gateway: session 1: replay of " + log + ": the client sent \"" +
                          stray.client_sent + "\", which the log does not hold here (it holds \"" +
                          stray.log_holds + "\" at line " + line_of(stray.log_holds) + ")\n"));
  }
}

}  // namespace
}  // namespace kestrel::testing
