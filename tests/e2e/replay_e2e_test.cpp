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

// A password unlike the user name, so that its mask in the logs shows.
constexpr const char* kPassword = "Tr0ub4dor-3";

// The demo network with that password.
class Network {
 public:
  Network() {
    QFile demo(QString(KESTREL_E2E_DATA) + "/../../data/demo-network.json");
    if (!demo.open(QIODevice::ReadOnly)) throw std::runtime_error("no demo network");
    QByteArray json = demo.readAll();
    json.replace("\"password\": \"kestrel\"", QByteArray("\"password\": \"") + kPassword + "\"");
    QFile file(path());
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size())
      throw std::runtime_error("cannot write the network");
  }
  QString path() const { return folder_.filePath("network.json"); }

 private:
  QTemporaryDir folder_;
};

struct JobRun {
  RunResult result;
  QStringList logs;
};

// Runs `job` against `gateway`, its session logs into `logs`.
JobRun RunJob(const QString& gateway, const QStringList& job, const QTemporaryDir& logs,
              const QString& share = {}) {
  QProcessEnvironment password;
  password.insert("KESTREL_PASSWORD", kPassword);
  JobRun run{RunBatch(job + QStringList{"--gateway", gateway, "--user", "kestrel", "--log-dir",
                                        logs.path()},
                      password),
             {}};
  run.result.out = Masked(run.result.out, share);
  run.result.err = Masked(run.result.err, share);
  run.logs = SessionLogs(logs.path());
  return run;
}

JobRun Live(const Network& network, const QStringList& faults, const QStringList& job,
            const QTemporaryDir& logs, const QString& share = {}) {
  GatewayProcess gateway(QStringList{"--scenario", network.path(), "--quiet"} + faults);
  return RunJob(QString::fromStdString(gateway.Address()), job, logs, share);
}

void ExpectSameRun(const JobRun& replayed, const JobRun& live, const std::string& what) {
  EXPECT_EQ(replayed.result.exit_code, live.result.exit_code) << what;
  EXPECT_EQ(replayed.result.out, live.result.out) << what;
  EXPECT_EQ(replayed.result.err, live.result.err) << what;
  EXPECT_EQ(SentLines(replayed.logs), SentLines(live.logs)) << what;
}

std::string Text(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// The password stands nowhere in the logs; the line that sent it reads "********".
void ExpectPasswordMasked(const QStringList& logs) {
  for (const QString& log : logs) {
    EXPECT_THAT(Text(log), Not(HasSubstr(kPassword))) << log.toStdString();
    const auto lines = ReadLog(log);
    const auto password = std::find_if(lines.begin(), lines.end(), [](const auto& line) {
      return line.kind == "sent" && line.text != "kestrel";  // the user name goes first
    });
    ASSERT_NE(password, lines.end()) << log.toStdString();
    EXPECT_EQ(password->text, "********") << log.toStdString();
  }
}

QString WriteList(const QTemporaryDir& folder, const char* name, const char* lines) {
  std::ofstream(folder.filePath(name).toStdString()) << lines;
  return folder.filePath(name);
}

// Every page's job, with output cut small: replayed, as recorded or cut afresh, the same report
// and the same lines sent, every one of them held by the log; the password is masked in both
// runs' logs.
TEST(ReplayEndToEnd, EachPagesJobReplaysToTheSameReportAndLinesSent) {
  const Network network;
  QTemporaryDir inputs;
  QDir(inputs.path()).mkdir("Kestreldailycheck");
  const QString cells = WriteList(inputs, "cells.txt", "C09101A\nC09102B\n");
  const QString cellrs = WriteList(inputs, "cellrs.txt", "C12101A\nC12102B\n");
  const std::vector<QStringList> jobs = {
      {"rlslp", "--ne", "BSC9", "--ne", "BSC12", "--timeout", "30"},
      {"proses", "--ne", "BSC9", "--procedure", "rxlti", "--release-ms", "20", "--wait-ms", "100",
       "--timeout", "30"},
      {"proses", "--ne", "BSC9", "--procedure", "rxtei", "--release-ms", "20", "--timeout", "30"},
      // Two passes: two logs of each element, served in turn.
      {"dailycheck", "--ne", "BSC9", "--ne", "BSC12", "--cycles", "2", "--solution", "SETAR",
       "--solution", "SEQAR", "--report-root", inputs.path(), "--no-sound", "--timeout", "30"},
      {"qonsuluq", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC12", "--cells", cells, "--cellrs",
       cellrs, "--timeout", "30"},
      {"broadcast", "--ne", "BSC9", "--timeout", "30"},
      {"relocation", "--ne", "BSC9", "--target", "12", "--cells", cells, "--timeout", "30"},
  };
  for (const QStringList& job : jobs) {
    const std::string what = job.join(' ').toStdString();
    QTemporaryDir live_logs;
    const JobRun live = Live(network, {"--chunk-max", "40"}, job, live_logs, inputs.path());
    ASSERT_EQ(live.result.exit_code, 0) << what << "\n" << live.result.err;
    ASSERT_FALSE(live.logs.isEmpty()) << what;

    ExpectPasswordMasked(live.logs);
    // As recorded, and cut afresh into pieces of 1 to 3 bytes.
    for (const QStringList& cut : {QStringList{}, QStringList{"--chunk-max", "3"}}) {
      QTemporaryDir replay_logs;
      ReplayGateway gateway(live.logs, cut);
      const JobRun replayed = RunJob(gateway.Address(), job, replay_logs, inputs.path());
      EXPECT_EQ(gateway.Stop(), "") << what;
      ExpectSameRun(replayed, live, what + " " + cut.join(' ').toStdString());
      ExpectPasswordMasked(replayed.logs);
    }
  }
}

const QStringList kRxlti = {"proses", "--ne",      "BSC9", "--procedure", "rxlti", "--release-ms",
                            "20",     "--wait-ms", "100",  "--timeout",   "30"};

// The session ending at every order of a recovery: the gateway drops the connection as the
// line comes in. The log of that run, replayed, gives the same failure: the same report (the
// order in flight, what may still be blocked), recap and exit status.
TEST(ReplayEndToEnd, ALogCutByADroppedConnectionReplaysToTheSameFailure) {
  const Network network;
  QTemporaryDir whole_logs;
  const JobRun whole = Live(network, {}, kRxlti, whole_logs);
  ASSERT_EQ(whole.result.exit_code, 0) << whole.result.err;
  ASSERT_EQ(whole.logs.size(), 1);
  std::vector<std::string> lines;  // each line after the element selection, once
  bool selected = false;
  for (const replay::LogLine& line : ReadLog(whole.logs.front())) {
    if (line.kind != "sent") continue;
    const std::string text = replay::Unescaped(line.text);  // the release is a ^D
    if (selected && !text.empty() && std::find(lines.begin(), lines.end(), text) == lines.end()) {
      lines.push_back(text);
    }
    selected = selected || line.text.starts_with("NE=");
  }
  ASSERT_GE(lines.size(), 8u);

  for (const std::string& line : lines) {
    QTemporaryDir live_logs, replay_logs;
    const JobRun live =
        Live(network, {"--drop-after-command", QString::fromStdString(line)}, kRxlti, live_logs);
    EXPECT_EQ(live.result.exit_code, 1) << line;
    EXPECT_THAT(live.result.err, HasSubstr("ended early")) << line;
    ReplayGateway gateway(live.logs);
    const JobRun replayed = RunJob(gateway.Address(), kRxlti, replay_logs);
    EXPECT_EQ(gateway.Stop(), "") << line;
    ExpectSameRun(replayed, live, "dropped at " + line);
  }
}

// A whole log truncated by hand after each chunk of the element's answers, with the close
// the gateway would have made there: replayed, it gives what a live gateway that dropped the
// connection after the same bytes gave.
TEST(ReplayEndToEnd, ALogTruncatedAfterItsRecordsReplaysLikeTheDroppedLiveRun) {
  const Network network;
  const QStringList job = {"rlslp", "--ne", "BSC9", "--timeout", "30"};
  QTemporaryDir whole_logs;
  const JobRun whole =
      Live(network, {"--chunk-max", "500", "--chunk-delay-ms", "5"}, job, whole_logs);
  ASSERT_EQ(whole.result.exit_code, 0) << whole.result.err;
  ASSERT_EQ(whole.logs.size(), 1);
  QFile file(whole.logs.front());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> records = file.readAll().split('\n');

  // The gateway's own telnet negotiation, sent before it answers the password: WILL ECHO,
  // WILL SUPPRESS-GO-AHEAD and DO TERMINAL-TYPE, then the terminal type request.
  constexpr long long kNegotiation = 9 + 6;
  long long data = 0;
  int sent = 0, cuts = 0;
  qsizetype last_chunk = 0;
  // The record lines where a cut may fall: after the login (within it the request may still
  // be on its way); about sixteen of them, evenly spread, and the last.
  qsizetype cut_points = 0;
  for (qsizetype at = 0, sent_so_far = 0; at < records.size(); ++at) {
    if (records[at].mid(24, 4) == "sent") ++sent_so_far;
    if (records[at].mid(24, 4) != "recv") continue;
    last_chunk = at;
    if (sent_so_far >= 3) ++cut_points;
  }
  const qsizetype stride = std::max<qsizetype>(1, cut_points / 16);
  qsizetype point = 0;
  for (qsizetype at = 0; at < records.size(); ++at) {
    const QByteArray& record = records[at];
    if (record.size() < 29) continue;
    if (record.mid(24, 4) == "sent") ++sent;
    if (record.mid(24, 4) != "recv") continue;
    data += static_cast<long long>(replay::Unescaped(record.mid(29).toStdString()).size());
    if (sent < 3) continue;
    if (point++ % stride != 0 && at != last_chunk) continue;
    ++cuts;
    const std::string what = "cut after line " + std::to_string(at + 1);

    QTemporaryDir cut_folder, live_logs, replay_logs;
    QFile cut(cut_folder.filePath("cut.log"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    for (qsizetype i = 0; i <= at; ++i) cut.write(records[i] + "\n");
    cut.write(QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss.zzz").toUtf8() +
              " note closed by peer\n");
    cut.close();

    const JobRun live =
        Live(network, {"--drop-after-bytes", QString::number(kNegotiation + data)}, job, live_logs);
    long long live_data = 0;
    for (const replay::LogLine& line : ReadLog(live.logs.front())) {
      if (line.kind == "recv")
        live_data += static_cast<long long>(replay::Unescaped(line.text).size());
    }
    ASSERT_EQ(live_data, data) << what << ": the live run was cut elsewhere";

    ReplayGateway gateway({cut.fileName()});
    const JobRun replayed = RunJob(gateway.Address(), job, replay_logs);
    EXPECT_EQ(gateway.Stop(), "") << what;
    ExpectSameRun(replayed, live, what);
    // Only a cut after the last chunk leaves the job all it needed.
    if (at < last_chunk) {
      EXPECT_NE(replayed.result.exit_code, 0) << what << ": a cut session is no success";
    }
  }
  EXPECT_GE(cuts, 10);
}

// The job asks for what the log does not hold: another element, or another command. The
// replay answers NOT ACCEPTED, which the report shows, and says on its standard error which
// line of which log was expected instead.
TEST(ReplayEndToEnd, AJobThatStraysFromItsLogIsRefusedAndTheGatewaySaysWhere) {
  const Network network;
  QTemporaryDir recorded;
  const JobRun live = Live(network, {}, {"rlslp", "--ne", "BSC9", "--timeout", "30"}, recorded);
  ASSERT_EQ(live.result.exit_code, 0) << live.result.err;
  ASSERT_EQ(live.logs.size(), 1);
  const std::string log = live.logs.front().toStdString();
  // Where the log holds a line sent: "at line N" in the gateway's words.
  auto line_of = [&log](const std::string& sent) {
    std::ifstream file(log);
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
      if (line.size() > 24 && line.substr(24) == "sent " + sent) return std::to_string(number);
    }
    return std::string("?");
  };
  const std::string refusal = "NOT ACCEPTED, FAULT CODE 1, NOT IN THE RECORDED SESSION";

  {  // another element: refused at the login as an unknown element, so nothing is sent
    QTemporaryDir logs;
    ReplayGateway gateway(live.logs);
    const JobRun run =
        RunJob(gateway.Address(), {"rlslp", "--ne", "BSC12", "--timeout", "30"}, logs);
    EXPECT_EQ(run.result.exit_code, 1);
    EXPECT_THAT(run.result.out, HasSubstr("BSC12 not checked: NE BSC12 NOT DEFINED IN GATEWAY\n"));
    EXPECT_THAT(run.result.out, Not(HasSubstr("RLSLP")));
    EXPECT_THAT(gateway.Stop(), HasSubstr("kestrel-gateway: session 1: replay of " + log +
                                          ": the client sent \"NE=BSC12\", which the log does "
                                          "not hold here (it holds \"NE=BSC9\" at line " +
                                          line_of("NE=BSC9") + ")\n"));
  }
  {  // another command on the same element
    QTemporaryDir logs;
    ReplayGateway gateway(live.logs);
    const JobRun run =
        RunJob(gateway.Address(), {"broadcast", "--ne", "BSC9", "--timeout", "30"}, logs);
    EXPECT_EQ(run.result.exit_code, 1);
    EXPECT_THAT(run.result.err, HasSubstr(refusal));
    const std::string warnings = gateway.Stop();
    EXPECT_THAT(warnings, HasSubstr("kestrel-gateway: session 1: replay of " + log +
                                    ": the client sent \"RLBDP:CELL=ALL;\", which the log does "
                                    "not hold here (it holds \"RLSLP:CELL=ALL;\" at line " +
                                    line_of("RLSLP:CELL=ALL;") + ")\n"));
  }
}

}  // namespace
}  // namespace kestrel::testing
