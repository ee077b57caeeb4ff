// Each page's job end to end, from its start to its end: the runner against the simulator, the
// output cut into small chunks. Over telnet and over SSH it prints the expected report of the
// data folder and types the expected lines; --format csv and json give the expected records,
// the same in both; its session logs, replayed as recorded and cut afresh, give the same
// report and send the same lines. And the mistakes in what the runner is given: exit status
// 2, nothing sent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "tests/csv_reader.h"
#include "tests/e2e/programs.h"
#include "tests/replay/replay_support.h"

namespace kestrel::testing {
namespace {

using replay::SentLines;
using replay::SessionLogs;
using ::testing::HasSubstr;
using Record = std::map<std::string, std::string>;

// A password unlike the user name, so that its mask in the logs shows.
constexpr const char* kPassword = "Tr0ub4dor-3";

struct Page {
  const char* name;  // the expected files: <name>.out, .events, and .csv and .json if `formats`
  Job job;
  QStringList cuts;  // how the simulator cuts its output
  std::vector<const char*> seeds = {"1"};
  bool formats = false;
  std::vector<std::string> reports = {};  // the Daily check's report files, masked
  bool replayed = true;
};

Job With(Job job, const QStringList& more) {
  job.arguments += more;
  return job;
}

std::vector<Page> Pages(const QString& scratch) {
  const auto six = SixJobs(scratch);
  const QStringList seven = {"--chunk-max", "7"}, nine = {"--chunk-max", "9"};
  const QStringList three_bscs = {"--ne", "BSC10", "--ne", "BSC12"};
  const Job dcs = {"broadcast",
                   {"--scenario", DataFile("broadcast-dcs-network.json")},
                   six[4].arguments,
                   "BSC9"};
  const Job texts = {"broadcast",
                     {"--scenario", DataFile("formats-broadcast-network.json")},
                     {"--ne", "BSC77", "--timeout", "30"},
                     "BSC77"};
  const Job alarms = {"dailycheck",
                      {"--scenario", DataFile("formats-alarms-network.json")},
                      {"--ne", "BSC60", "--report-root", scratch, "--known-alarms",
                       DataFile("formats-known-alarms.txt"), "--no-sound", "--solution", "SETAR",
                       "--solution", "SEQAR", "--cycles", "2", "--timeout", "30"},
                      "BSC60"};
  // clang-format off
  return {
      // One BSC with a comma in its name.
      {"rlslp", With(six[0], {"--ne", "ALTBSC1_X29,PROT=V24", "--ne", "BSC12"}), seven,
       {"1", "2", "3"}, true},
      {"proses-rxlti", With(six[1], three_bscs + QStringList{"--procedure", "rxlti"}), seven},
      // The outage list busy at first, asked again 5 s later.
      {"proses-rxtei", With(six[1], three_bscs + QStringList{"--procedure", "rxtei"}),
       seven + QStringList{"--busy-allip", "1"}},
      // Two passes: what the solutions cleared is gone in the second. Not replayed: the replay
      // hangs in the second pass over BSC10's 600 alarms.
      {"dailycheck", With(six[2], {"--ne", "MSC9", "--ne", "BSC10", "--cycles", "2", "--solution",
                                   "SOFTERROR", "--solution", "ENUM"}),
       {"--chunk-max", "50"}, {"1"}, false, {"BSC9_Create_#.txt", "MSC9_Create_#.txt"}, false},
      // Warnings with known alarms, a slogan holding a comma and quotes; replayed, two logs
      // of the element served in turn.
      {"dailycheck-formats", alarms, nine, {"1"}, true, {"BSC60_Create_#.txt"}},
      // 20 cell pairs on two BSCs, page headers between headings and values.
      {"qonsuluq", six[3], nine, {"1", "2"}},
      // The command carries 25 characters of a text; the report says what it left out.
      {"broadcast", six[4], seven},
      // A DCS column right of TEXT is no part of the text, and a long text wraps within its
      // field onto rows of its own.
      {"broadcast", dcs, seven},
      // No EDGE cell: a clean end whose report says in which phase nothing was found.
      {"broadcast-bsc12", SixJobs(scratch, "BSC12")[4], seven},
      // Texts with commas, quotes and a line feed.
      {"broadcast-formats", texts, nine, {"1"}, true},
      // Moved cells with neighbours on the same BSC, on another one, and among themselves.
      {"relocation", six[5], seven, {"1"}, true},
  };
  // clang-format on
}

QString Expected(const std::string& name) { return DataFile(("../data/e2e/" + name).c_str()); }

// `text` is the expected file `name`; with KESTREL_WRITE_EXPECTED set, a missing one is made.
void ExpectFile(const std::string& text, const std::string& name) {
  if (qEnvironmentVariableIsSet("KESTREL_WRITE_EXPECTED") && !QFile::exists(Expected(name)))
    WriteFile(Expected(name), text, true);
  EXPECT_EQ(text, ReadWhole(Expected(name))) << name;
}

// The job's network (the demo network unless it names one), its password made kPassword.
QStringList Network(const Job& job, const QTemporaryDir& folder) {
  QString network = QString(KESTREL_E2E_DATA) + "/../../data/demo-network.json";
  const qsizetype named = job.network.indexOf("--scenario");
  if (named >= 0) network = job.network[named + 1];
  std::string json = ReadWhole(network);
  const std::string demo = "\"password\": \"kestrel\"";
  json.replace(json.find(demo), demo.size(), std::string("\"password\": \"") + kPassword + "\"");
  WriteFile(folder.filePath("network.json"), json);
  QStringList options = job.network;
  if (named >= 0) options.remove(named, 2);
  return options + QStringList{"--scenario", folder.filePath("network.json")};
}

RunResult RunJob(const Job& job, const QString& gateway, const QString& logs,
                 const QString& scratch, const QStringList& more = {}) {
  QProcessEnvironment password;
  password.insert("KESTREL_PASSWORD", kPassword);
  RunResult run = RunBatch(
      job.With(gateway) + QStringList{"--user", "kestrel", "--log-dir", logs} + more, password);
  // The simulator's time stamps, and the in-band login that an SSH login does instead.
  run.out = QString::fromStdString(replay::Masked(run.out, scratch))
                .replace(QRegularExpression("\\b\\d{6} +\\d{4,6}\\b"), "<stamp>")
                .replace("\nUser: kestrel\nPassword: \nLOGGED IN AS kestrel\n", "")
                .toStdString();
  run.err = replay::Masked(run.err, scratch);
  return run;
}

// What the sessions typed and the exchange carried out, session by session, past the in-band
// login (the user name and the password), which an SSH login does instead; by element.
std::string Events(const QString& transcripts, bool in_band_login) {
  std::vector<std::string> sessions;
  for (std::vector<std::string> events : TranscriptEvents(transcripts)) {
    const std::vector<std::string> login = {"typed kestrel", "typed (password)"};
    if (in_band_login) {
      EXPECT_TRUE(events.size() >= 2 && std::equal(login.begin(), login.end(), events.begin()));
      events.erase(events.begin(), events.begin() + std::min<std::size_t>(2, events.size()));
    }
    std::string& text = sessions.emplace_back("session\n");
    for (const std::string& event : events) text += event + "\n";
  }
  // Sessions of one job may begin at once (both sides of Qonsuluq): in their order per element.
  std::stable_sort(sessions.begin(), sessions.end(), [](const auto& a, const auto& b) {
    return a.substr(0, a.find('\n', 8)) < b.substr(0, b.find('\n', 8));
  });
  std::string text;
  for (const std::string& session : sessions) text += session;
  return text;
}

// The password stands nowhere in the logs; the line that sent it reads "********".
void ExpectPasswordMasked(const QStringList& logs) {
  for (const QString& log : logs) {
    EXPECT_THAT(ReadWhole(log), ::testing::Not(HasSubstr(kPassword))) << log.toStdString();
    const auto lines = replay::ReadLog(log);
    const auto sent = std::find_if(lines.begin(), lines.end(), [](const auto& line) {
      return line.kind == "sent" && line.text != "kestrel";  // the user name goes first
    });
    ASSERT_NE(sent, lines.end()) << log.toStdString();
    EXPECT_EQ(sent->text, "********") << log.toStdString();
  }
}

// The records of a CSV text, by the names of its header, as another tool reads them; the
// fields that are empty left out.
std::vector<Record> ReadCsv(const std::string& text) {
  const auto rows = ReadCsvRows(text);
  std::vector<Record> records;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].size(), rows[0].size()) << "row " << r;
    Record& record = records.emplace_back();
    for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c)
      if (!rows[r][c].empty()) record[rows[0][c]] = rows[r][c];
  }
  return records;
}

// JSON Lines: every line one object of texts; the empty ones left out.
std::vector<Record> ReadJsonLines(const std::string& text) {
  std::vector<Record> records;
  for (const std::string& line : Lines(text)) {
    QJsonParseError error;
    const QJsonObject object =
        QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    Record& record = records.emplace_back();
    for (auto it = object.begin(); it != object.end(); ++it) {
      EXPECT_TRUE(it.value().isString()) << line;
      if (!it.value().toString().isEmpty())
        record[it.key().toStdString()] = it.value().toString().toStdString();
    }
  }
  return records;
}

// The report files of the Daily check under `scratch`, their times masked; the folder emptied.
std::vector<std::string> TakeReports(const QString& scratch) {
  QDir folder(scratch + "/Kestreldailycheck");
  std::vector<std::string> names;
  for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
    EXPECT_THAT(ReadWhole(folder.filePath(name)), HasSubstr("\r\n")) << "the whole session";
    names.push_back(
        QString(name).replace(QRegularExpression("_\\d{8}_\\d{6}"), "_#").toStdString());
    folder.remove(name);
  }
  return names;
}

TEST(PagesEndToEnd, EachPagesJobOverTelnetAndSshReplayedAndInEveryFormat) {
  QTemporaryDir scratch, keys;
  const SshPair ssh(keys.path());
  for (const Page& page : Pages(scratch.path())) {
    SCOPED_TRACE(page.name + (" " + page.job.With("").join(' ').toStdString()));
    QTemporaryDir folder;
    const QStringList network = Network(page.job, folder);
    const std::string name = page.name;
    struct Way {
      const char* seed;
      bool ssh = false, replayed = false;
    };
    std::vector<Way> ways;
    for (const char* seed : page.seeds) ways.push_back({seed});
    ways.push_back({page.seeds.front(), true});
    if (page.replayed) ways.push_back({"1", false, true});  // in bigger chunks, to cut afresh
    for (const Way& way : ways) {
      SCOPED_TRACE(std::string(way.ssh        ? "ssh"
                               : way.replayed ? "replayed"
                                              : "telnet") +
                   " seed " + way.seed);
      QTemporaryDir transcripts, logs;
      GatewayProcess gateway(
          network + page.cuts +
          QStringList{"--seed", way.seed, "--transcript-dir", transcripts.path()} +
          (way.ssh ? ssh.gateway : QStringList{}) +
          (way.replayed ? QStringList{"--chunk-max", "40"} : QStringList{}));
      const RunResult run = RunJob(page.job, gateway.QAddress(), logs.path(), scratch.path(),
                                   way.ssh ? ssh.runner : QStringList{});
      EXPECT_EQ(run.exit_code, 0) << run.err;
      ExpectFile(run.out, name + ".out");
      ExpectFile(Events(transcripts.path(), !way.ssh), name + ".events");
      EXPECT_TRUE(LeftOutOfTraffic(TranscriptEvents(transcripts.path())).empty());
      EXPECT_EQ(TakeReports(scratch.path()), page.reports);
      if (!way.replayed) continue;
      const QStringList live_logs = SessionLogs(logs.path());
      ExpectPasswordMasked(live_logs);
      for (const QStringList& cut : {QStringList{}, QStringList{"--chunk-max", "3"}}) {
        SCOPED_TRACE("cut " + cut.join(' ').toStdString());
        QTemporaryDir replay_logs;
        replay::ReplayGateway replay(live_logs, cut);
        const RunResult again =
            RunJob(page.job, replay.Address(), replay_logs.path(), scratch.path());
        EXPECT_EQ(replay.Stop(), "");
        EXPECT_EQ(again.exit_code, run.exit_code);
        EXPECT_EQ(again.out, run.out);
        EXPECT_EQ(again.err, run.err);
        EXPECT_EQ(SentLines(SessionLogs(replay_logs.path())), SentLines(live_logs));
        ExpectPasswordMasked(SessionLogs(replay_logs.path()));
        TakeReports(scratch.path());
      }
    }
    if (!page.formats) continue;
    std::vector<std::vector<Record>> records;
    for (const char* format : {"csv", "json"}) {
      QTemporaryDir logs;
      GatewayProcess gateway(network + page.cuts + QStringList{"--quiet"});
      const RunResult run =
          RunJob(page.job, gateway.QAddress(), logs.path(), scratch.path(), {"--format", format});
      EXPECT_EQ(run.exit_code, 0) << format << ": " << run.err;
      EXPECT_THAT(run.err, HasSubstr("recap: ")) << "the recap stays on standard error";
      ExpectFile(run.out, name + "." + format);
      records.push_back(format[0] == 'c' ? ReadCsv(run.out) : ReadJsonLines(run.out));
      TakeReports(scratch.path());
    }
    EXPECT_EQ(records[0], records[1]) << "CSV and JSON read back to other values";
  }
}

struct Mistake {
  QStringList arguments;
  std::string said;  // on standard error, when not empty
};

TEST(UsageMistakes, ExitWithTwoAndOpenNoSession) {
  GatewayProcess gateway({"--quiet"});
  QTemporaryDir scratch;
  const QString empty = scratch.filePath("empty.txt"), blank = scratch.filePath("blank.txt");
  const QString many = scratch.filePath("many.txt");
  WriteFile(empty, "");
  WriteFile(blank, "\n\n");
  std::string cells;
  for (int i = 0; i < 201; ++i) cells += "C" + std::to_string(100000 + i) + "\n";
  WriteFile(many, cells);
  const QString list = DataFile("qonsuluq-cells.txt");
  const QStringList qonsuluq = {
      "qonsuluq", "--gateway", gateway.QAddress(), "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10"};
  const std::string no_cell = " list names no cell: nothing was sent";
  const std::vector<Mistake> cases = {
      {{"rlslp"}, ""},
      {{"rlslp", "--ne", "BSC9", "--gateway", "nowhere"}, ""},
      {{"rlslp", "--ne", "BSC9", "--password", "x"}, ""},
      {{"rlslp", "--ne", ""}, ""},
      {{"nosuchjob"}, ""},
      {{"rlslp", "--ne", "BSC9", "--parallel", "0"}, ""},
      {{"rlslp", "--ne", "BSC9", "--parallel", "65"}, ""},
      {{"qonsuluq", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells", "x"}, ""},
      {{"qonsuluq", "--cell-bsc", "BSC9", "--cellr-bsc", "BSC10", "--cells", "/nonexistent",
        "--cellrs", "/nonexistent"},
       ""},
      // A list without a cell name would send RLDEP:CELL=; and the rest with no name.
      {qonsuluq + QStringList{"--cells", empty, "--cellrs", list}, "The Cell" + no_cell},
      {qonsuluq + QStringList{"--cells", blank, "--cellrs", list}, "The Cell" + no_cell},
      {qonsuluq + QStringList{"--cells", list, "--cellrs", empty}, "The Cellr" + no_cell},
      {qonsuluq + QStringList{"--cells", list, "--cellrs", blank}, "The Cellr" + no_cell},
      {{"relocation", "--ne", "BSC9", "--target", "12", "--cells", many},
       "CELL-lerin sayi 200-den artiq ola bilmez!!!"},
  };
  for (const Mistake& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const RunResult run =
        RunBatch(c.arguments + QStringList{"--log-dir", scratch.filePath("logs")}, DemoPassword());
    EXPECT_EQ(run.exit_code, 2) << run.err;
    EXPECT_THAT(run.err, HasSubstr(c.said));
    EXPECT_FALSE(QDir(scratch.filePath("logs")).exists()) << "a session was opened";
  }
}

}  // namespace
}  // namespace kestrel::testing
