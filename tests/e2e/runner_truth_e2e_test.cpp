// The headless runner end to end, for all six jobs: each row of runner-rows.txt is one job
// against a peer of its own on loopback (the simulator over telnet or SSH, OpenSSH's sshd, a
// replay of session logs, a port that is silent, never answers or is closed), with what must
// come of it: the exit status, the report's lines, the recap, the report files, against the
// simulator's own record of what it carried out what may still be blocked, and the report of
// each page's happy path as the data folder holds it. A row's twins (the same job over SSH,
// cut into other chunks, on one lane, replayed from its own session logs) must give what it
// gave; its formats, the records of the data folder. Every row also holds the rules no run
// may break: nothing the exchange holds out of traffic goes unnamed, nothing is named that it
// does not hold but for the order in flight, no typed line carries a second command or a
// control byte, and nothing from a printout acts on the engineer's terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "tests/csv_reader.h"
#include "tests/e2e/programs.h"
#include "tests/replay/replay_support.h"

namespace kestrel::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSubsetOf;
using ::testing::Not;
using Record = std::map<std::string, std::string>;

struct Row {
  std::string title;
  std::vector<std::pair<std::string, std::string>> lines;  // key, value; in order
  std::vector<std::string> All(const std::string& key) const {
    std::vector<std::string> values;
    for (const auto& [k, v] : lines) {
      if (k == key) values.push_back(v);
    }
    return values;
  }
  bool Has(const std::string& key) const { return !All(key).empty(); }
  std::string One(const std::string& key) const {
    const auto values = All(key);
    return values.empty() ? std::string() : values.back();
  }
};

// The rows of `table` in the data file: blocks that start "-- <title>", of lines "<key>
// <value>", after a line "== <table>".
std::vector<Row> Rows(const std::string& table) {
  static const std::set<std::string> kKeys = {
      "job",   "element", "network",  "args",    "more",      "gateway",   "env",     "nopassword",
      "ssh",   "mute",    "peer",     "address", "file",      "file+r",    "noshare", "secret",
      "known", "pin",     "noaccept", "replay",  "twin",      "format",    "until",   "exit",
      "line",  "out",     "!out",     "err",     "note",      "recap",     "recap~",  "stdout",
      "quiet", "left",    "never",    "said",    "unreached", "report",    "reports", "attach",
      "nolog", "expect",  "inorder",  "done",    "otherwise", "files",     "absent",  "unrecorded",
      "kept",  "paced",   "fails",    "unnamed", "logs",      "replayerr", "copy",    "once",
      "same",  "aside"};
  std::vector<Row> rows;
  bool in_table = false;
  for (const std::string& line : Lines(ReadWhole(DataFile("runner-rows.txt")))) {
    if (line.starts_with("== ")) in_table = line.substr(3) == table;
    if (!in_table || line.empty() || line.starts_with("#") || line.starts_with("==")) continue;
    if (line.starts_with("-- ")) {
      rows.push_back({line.substr(3), {}});
      continue;
    }
    const std::size_t blank = std::min(line.find(' '), line.size());
    const std::string key = line.substr(0, blank);
    EXPECT_TRUE(kKeys.contains(key) && !rows.empty()) << line;
    if (!rows.empty())
      rows.back().lines.push_back({key, line.substr(std::min(blank + 1, line.size()))});
  }
  EXPECT_FALSE(rows.empty()) << table;
  return rows;
}

// `text` with "@dir" standing for the row's folder, "@data" for the data folder, "@port" for
// a free port of the row's own, "\\n" for a line feed and "\\x04" for the release byte.
std::string Expanded(std::string text, const QString& dir) {
  static std::map<QString, int> ports;
  if (!ports.contains(dir)) ports[dir] = FreePort();
  for (const auto& [mark, with] : {std::pair<std::string, std::string>{"@dir", dir.toStdString()},
                                   {"@data", KESTREL_E2E_DATA},
                                   {"@port", std::to_string(ports[dir])}}) {
    for (std::size_t at; (at = text.find(mark)) != std::string::npos;)
      text.replace(at, mark.size(), with);
  }
  for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
  for (std::size_t at; (at = text.find("\\x04")) != std::string::npos;) text.replace(at, 4, "\x04");
  return text;
}

// Words split at blanks; "..." holds blanks.
QStringList Words(const std::string& text) {
  QStringList words;
  for (std::size_t at = text.find_first_not_of(' '); at < text.size();
       at = text.find_first_not_of(' ', at)) {
    const bool quoted = text[at] == '"';
    const std::size_t end = text.find(quoted ? '"' : ' ', at + 1);
    words << QString::fromStdString(text.substr(at + quoted, end - at - quoted));
    at = end == std::string::npos ? end : end + 1;
  }
  return words;
}

std::set<std::string> Set(const std::string& text) {
  std::set<std::string> set;
  for (const QString& word : Words(text)) set.insert(word.toStdString());
  return set;
}

// The first byte of `text` that could act on a terminal (below a blank but the line feed and
// the tab the reports use, and DEL), or -1.
int ControlByte(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7f) return byte;
  }
  return -1;
}

std::vector<std::string> Notes(const std::string& out) {
  std::vector<std::string> notes;
  for (const std::string& line : Lines(out)) {
    if (line.starts_with("*** ")) notes.push_back(line.substr(4));
  }
  return notes;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The objects of the orders a text says were in flight ("while RXBLE:MO=RXOCF-12  ; was in
// flight"), named as LeftOutOfTraffic names them.
std::set<std::string> InFlight(const std::string& text) {
  std::set<std::string> objects;
  for (std::size_t at = text.find("while "); at != std::string::npos;
       at = text.find("while ", at + 1)) {
    const std::string order = text.substr(at + 6, text.find(" was in flight", at) - at - 6);
    if (order.size() < 6 || order[5] != ':') continue;
    const bool path = order.starts_with("TP");
    const std::string object =
        order.substr(path ? 6 : 9, path ? std::string::npos : order.find_first_of(",;") - 9);
    objects.merge(LeftOutOfTraffic({{(path ? "executed TPBLI:" : "executed RXBLI ") + object}}));
  }
  return objects;
}

// A report as two runs of one job can compare it: the row's folder, the times of day, the
// port, the simulator's stamps and the in-band login (which an SSH login does instead) masked.
std::string Comparable(const std::string& text, const QString& dir) {
  return QString::fromStdString(replay::Masked(text, dir))
      .replace(QRegularExpression("\\b\\d{6} +\\d{4,6}\\b"), "<stamp>")
      .replace("\nUser: kestrel\nPassword: \nLOGGED IN AS kestrel\n", "")
      .toStdString();
}

// What the sessions typed and the exchange carried out, session by session, past the in-band
// login (which an SSH login does instead); sessions of one job may begin at once (both sides
// of Qonsuluq, the lanes of a parallel run): in their order per element.
std::string Events(const std::vector<std::vector<std::string>>& transcripts, bool in_band) {
  std::vector<std::string> sessions;
  for (std::vector<std::string> events : transcripts) {
    const std::vector<std::string> login = {"typed kestrel", "typed (password)"};
    const bool logged_in =
        events.size() >= 2 && std::equal(login.begin(), login.end(), events.begin());
    EXPECT_TRUE(logged_in || !in_band || events.empty()) << events.front();
    if (logged_in) events.erase(events.begin(), events.begin() + 2);
    std::string& text = sessions.emplace_back("session\n");
    for (const std::string& event : events) text += event + "\n";
  }
  std::stable_sort(sessions.begin(), sessions.end(), [](const auto& a, const auto& b) {
    return a.substr(0, a.find('\n', 8)) < b.substr(0, b.find('\n', 8));
  });
  std::string text;
  for (const std::string& session : sessions) text += session;
  return text;
}

// The Daily check's report files under `dir`, by name, times, numbers and the in-band login
// masked.
std::multimap<std::string, std::string> ReportFiles(const QString& dir) {
  const QDir folder(dir + "/Kestreldailycheck");
  std::multimap<std::string, std::string> files;
  const QRegularExpression numbers("\\d{4,}");
  const QRegularExpression login("\r\nUser: [^\r]*\r\nPassword: \r\nLOGGED IN AS [^\r]*\r\n");
  for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
    files.emplace(QString(name).replace(QRegularExpression("_\\d{8}_\\d{6}"), "_#").toStdString(),
                  QString::fromStdString(MaskTimes(ReadWhole(folder.filePath(name))))
                      .replace(login, "")
                      .replace(numbers, "#")
                      .toStdString());
  }
  return files;
}

// `text` is the data folder's file `name`; with KESTREL_WRITE_EXPECTED set, a missing one is
// written, for review.
void ExpectFile(const std::string& text, const std::string& name) {
  const QString path = DataFile(("../data/e2e/" + name).c_str());
  if (qEnvironmentVariableIsSet("KESTREL_WRITE_EXPECTED") && !QFile::exists(path))
    WriteFile(path, text, true);
  EXPECT_EQ(text, ReadWhole(path)) << name;
}

// The records of a CSV text by the names of its header, or of JSON lines (every line one
// object of texts), as another tool reads them; the empty fields left out.
std::vector<Record> Records(const std::string& text, bool csv) {
  std::vector<Record> records;
  if (csv) {
    const auto rows = ReadCsvRows(text);
    for (std::size_t r = 1; r < rows.size(); ++r) {
      EXPECT_EQ(rows[r].size(), rows[0].size()) << "row " << r;
      Record& record = records.emplace_back();
      for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c)
        if (!rows[r][c].empty()) record[rows[0][c]] = rows[r][c];
    }
    return records;
  }
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

// A row's job, set up: its peer, its arguments, its files under `dir`; `logs` are what a
// replay serves.
std::unique_ptr<JobRun> Start(const Row& row, const QString& dir, const QStringList& logs = {}) {
  const auto one = [&](const std::string& key) { return Expanded(row.One(key), dir); };
  const auto jobs = SixJobs(dir, one("element"));
  const auto six =
      std::find_if(jobs.begin(), jobs.end(), [&](const Job& j) { return j.command == one("job"); });
  Job job = six == jobs.end() ? Job{one("job"), {}, {}, ""} : *six;
  JobSetup setup;
  QStringList more;
  if (row.Has("network")) job.network = {"--scenario", DataFile(one("network").c_str())};
  if (row.Has("args")) job.arguments = Words(one("args"));
  if (row.Has("nopassword")) setup.env = {};
  for (const auto& [key, raw] : row.lines) {
    const std::string value = Expanded(raw, dir);
    if (key == "more") more += Words(value);
    if (key == "gateway") setup.faults += Words(value);
    if (key == "env") {
      const std::size_t equals = value.find('=');
      setup.env.insert(QString::fromStdString(value.substr(0, equals)),
                       QString::fromStdString(value.substr(equals + 1)));
    }
    if (key == "copy") {
      const QString name = QString::fromStdString(value.substr(0, value.find(' ')));
      QFile::copy(DataFile(("../data/e2e/" + value.substr(name.size() + 1)).c_str()),
                  dir + "/" + name);
      QFile(dir + "/" + name).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    if (key == "file" || key == "file+r") {
      const std::size_t blank = value.find(' ');
      WriteFile(dir + "/" + QString::fromStdString(value.substr(0, blank)), value.substr(blank + 1),
                key == "file+r");
    }
  }
  if (row.Has("noshare")) QDir(dir).rmdir("Kestreldailycheck");
  if (row.Has("secret")) {
    // The job's network, with the secret for its password.
    const QString network = job.network.isEmpty()
                                ? QString(KESTREL_E2E_DATA) + "/../../data/demo-network.json"
                                : job.network[1];
    std::string json = ReadWhole(network);
    const std::string demo = "\"password\": \"kestrel\"";
    json.replace(json.find(demo), demo.size(), "\"password\": \"" + one("secret") + "\"");
    WriteFile(dir + "/network.json", json);
    job.network = {"--scenario", dir + "/network.json"};
    setup.env.insert("KESTREL_PASSWORD", QString::fromStdString(one("secret")));
  }
  setup.ssh = row.Has("ssh");
  setup.known = one("known");
  setup.pinned = one("pin");
  setup.accept_new = !row.Has("noaccept");
  setup.mute_after = one("mute");
  setup.unnamed = row.Has("unnamed");
  const std::map<std::string, JobSetup::Peer> peers = {
      {"gateway", JobSetup::Peer::kGateway},       {"direct", JobSetup::Peer::kDirect},
      {"openssh", JobSetup::Peer::kOpenSsh},       {"silent", JobSetup::Peer::kSilent},
      {"unanswered", JobSetup::Peer::kUnanswered}, {"closed", JobSetup::Peer::kClosed}};
  if (row.Has("peer")) setup.peer = peers.at(one("peer"));
  if (row.Has("address")) {
    setup.peer = JobSetup::Peer::kNone;
    setup.elsewhere = one("address") == "-" ? QString() : QString::fromStdString(one("address"));
  }
  if (row.Has("replay") || row.Has("logs")) {
    setup.peer = JobSetup::Peer::kReplay;
    setup.replay = row.Has("logs") ? Words(one("logs")) : logs;
    setup.replay_options = Words(one("replay"));
  }
  return std::make_unique<JobRun>(job, setup, dir, more);
}

// A line of the report (standard output, or standard error but the recap) that holds `text`
// and one of `elements` ("BSC9/BSC10"); the element, or empty.
std::string SaidBy(const RunResult& result, const std::string& row_text) {
  const std::size_t blank = row_text.find(' ');
  const std::string text = row_text.substr(blank + 1);
  for (const QString& element : QString::fromStdString(row_text.substr(0, blank)).split('/')) {
    for (const std::string& line : Lines(result.out + "\n" + result.err)) {
      if (!line.starts_with("recap: ") && line.find(text) != std::string::npos &&
          line.find(element.toStdString()) != std::string::npos) {
        return element.toStdString();
      }
    }
  }
  return {};
}

// The secret stands nowhere: not in the output, the session logs under `dir` nor the Daily
// check's report file; the line of the logs that sent it reads "********".
void ExpectSecretKept(const std::string& secret, const QString& dir, const RunResult& result) {
  EXPECT_THAT(result.out + result.err, Not(HasSubstr(secret)));
  int logs = 0;
  for (QDirIterator files(dir, QDir::Files, QDirIterator::Subdirectories); files.hasNext();) {
    const QString path = files.next();
    if (path.endsWith("network.json")) continue;
    EXPECT_THAT(ReadWhole(path), Not(HasSubstr(secret))) << path.toStdString();
    if (!path.startsWith(dir + "/logs/")) continue;
    ++logs;
    const auto lines = replay::ReadLog(path);
    const auto sent = std::find_if(lines.begin(), lines.end(), [](const auto& line) {
      return line.kind == "sent" && line.text != "kestrel";  // the user name goes first
    });
    EXPECT_TRUE(sent != lines.end() && sent->text == "********") << path.toStdString();
  }
  EXPECT_GE(logs, 1);
}

// The elements of a job's arguments (--ne), in their order.
std::vector<std::string> Elements(const Row& row, const QString& dir) {
  const QStringList words = Words(Expanded(row.One("args") + " " + row.One("more"), dir));
  std::vector<std::string> elements;
  for (qsizetype i = 1; i < words.size(); ++i)
    if (words[i - 1] == "--ne") elements.push_back(words[i].toStdString());
  return elements;
}

// The session logs under `dir` whose paths match `pattern`.
long SessionsBegun(const QString& dir, const QString& pattern) {
  const QStringList logs = replay::SessionLogs(dir + "/logs");
  const QRegularExpression match(pattern);
  return std::count_if(logs.begin(), logs.end(),
                       [&](const QString& log) { return match.match(log).hasMatch(); });
}

void Check(const Row& row, const QString& dir, const RunResult& result, JobRun& run) {
  const auto sessions = run.Sessions();
  const std::string out = MaskTimes(result.out);
  const auto recap = RecapLines(result.err);
  const auto notes = Notes(out);
  const auto typed = AllTyped(sessions);
  const auto files = ReportFiles(dir);
  std::vector<std::string> want_recap, want_stdout, want_reports;
  using V = const std::string&;
  const std::map<std::string, std::function<void(V)>> checks = {
      {"exit", [&](V v) { EXPECT_EQ(result.exit_code, std::stoi(v)) << result.err; }},
      {"fails", [&](V) { EXPECT_NE(result.exit_code, 0); }},
      {"line", [&](V v) { EXPECT_THAT(Lines(out), Contains(v)) << out; }},
      {"out", [&](V v) { EXPECT_THAT(out, HasSubstr(v)); }},
      {"!out", [&](V v) { EXPECT_THAT(out + result.err, Not(HasSubstr(v))); }},
      {"err", [&](V v) { EXPECT_THAT(result.err, HasSubstr(v)); }},
      {"note", [&](V v) { EXPECT_THAT(notes, Contains(v)) << out; }},
      {"recap", [&](V v) { want_recap.push_back(v); }},
      {"stdout", [&](V v) { want_stdout.push_back(v); }},
      {"reports", [&](V v) { want_reports.push_back(v); }},
      {"quiet", [&](V) { EXPECT_EQ(result.out, ""); }},
      {"recap~", [&](V v) { EXPECT_THAT(recap.empty() ? "" : recap[0], HasSubstr(v)); }},
      {"left", [&](V v) { EXPECT_EQ(LeftOutOfTraffic(sessions), Set(v)); }},
      {"never", [&](V v) { EXPECT_THAT(typed, Not(Contains(HasSubstr(v)))); }},
      {"unrecorded", [&](V) { EXPECT_THAT(sessions, ::testing::IsEmpty()); }},
      {"said", [&](V v) { EXPECT_NE(SaidBy(result, v), "") << result.out << result.err; }},
      {"unreached",
       [&](V v) {
         // Not reached, in the gateway's words; the recap says the same of that element.
         const std::string element = SaidBy(result, v);
         EXPECT_NE(element, "") << result.out << result.err;
         EXPECT_THAT(recap, Contains(::testing::AllOf(
                                ::testing::StartsWith(element + ": not reached; ended early: "),
                                HasSubstr(v.substr(v.find(' ') + 1)))));
       }},
      {"report",
       [&](V v) {
         // The element's one report file keeps the session as far as it went.
         const std::string element = v.substr(0, v.find(' '));
         const QDir folder(dir + "/Kestreldailycheck");
         const QStringList names = folder.entryList(QDir::Files);
         ASSERT_EQ(names.size(), 1);
         EXPECT_TRUE(names[0].contains(QRegularExpression("^" + QString::fromStdString(element) +
                                                          "_Create_\\d{8}_\\d{6}\\.txt$")));
         const std::string text = ReadWhole(folder.filePath(names[0]));
         EXPECT_THAT(text, HasSubstr("ALARM LIST\r\n"));
         EXPECT_THAT(text, HasSubstr(v.substr(element.size() + 1)));
       }},
      {"files",
       [&](V v) {
         // So many report files in all, or of one element.
         const QStringList words = Words(v);
         const auto counted = std::count_if(files.begin(), files.end(), [&](const auto& file) {
           return words.size() < 2 || file.first.starts_with(words[1].toStdString() + "_");
         });
         EXPECT_EQ(counted, words[0].toInt()) << v;
       }},
      {"absent",
       [&](V v) {
         for (const auto& [name, text] : files) EXPECT_THAT(text, Not(HasSubstr(v))) << name;
       }},
      {"attach",
       [&](V) {
         // The prompts answered in their order, the first command only at the element's prompt.
         for (const auto& session : sessions) {
           const auto lines = TypedLines(session);
           ASSERT_GE(lines.size(), 4u);
           EXPECT_EQ(lines[0], "kestrel");
           EXPECT_EQ(lines[1], "(password)");
           EXPECT_THAT(lines[2], ::testing::StartsWith("NE="));
           EXPECT_THAT(lines[3], ::testing::EndsWith(";"));
         }
       }},
      {"nolog", [&](V) { EXPECT_FALSE(QDir(dir + "/logs").exists()) << "a session was opened"; }},
      {"secret", [&](V v) { ExpectSecretKept(v, dir, result); }},
      {"expect",
       [&](V v) {
         // The report and the dialogue of the data folder.
         ExpectFile(Comparable(result.out, dir), v + ".out");
         ExpectFile(Events(sessions, !row.Has("ssh")), v + ".events");
       }},
      {"inorder",
       [&](V) {
         // Every element had its turn, in list order, and its recap line.
         const auto elements = Elements(row, dir);
         ASSERT_EQ(recap.size(), elements.size()) << result.err;
         for (std::size_t i = 0; i < recap.size(); ++i)
           EXPECT_TRUE(recap[i].starts_with(elements[i] + ": ")) << recap[i];
         std::vector<std::string> checked;
         for (const std::string& line : Lines(result.out))
           if (line.starts_with("Check: ")) checked.push_back(line.substr(7));
         EXPECT_TRUE(checked.empty() || checked == elements) << result.out;
       }},
      {"done",
       [&](V v) {
         EXPECT_GE(std::count_if(recap.begin(), recap.end(),
                                 [](V line) { return line.ends_with(": reached, done"); }),
                   std::stoi(v));
       }},
      {"otherwise",
       [&](V v) {
         for (const std::string& line : recap)
           EXPECT_TRUE(line.ends_with(": reached, done") || line.find(v) != std::string::npos)
               << line;
       }},
      {"once",
       [&](V v) {
         std::size_t times = 0;
         for (std::size_t at = result.err.find(v); at != std::string::npos;
              at = result.err.find(v, at + 1))
           ++times;
         EXPECT_EQ(times, 1u) << result.err;
       }},
      {"same",
       [&](V v) {
         const std::string name = v.substr(0, v.find(' '));
         EXPECT_TRUE(ReadWhole(dir + "/" + name.c_str()) ==
                     ReadWhole(DataFile(("../data/e2e/" + v.substr(name.size() + 1)).c_str())))
             << name << " was changed";
       }},
      {"aside",
       [&](V v) {
         // The file set aside as it was.
         const QStringList aside = QDir(dir).entryList({QString::fromStdString(v) + ".damaged-*"});
         ASSERT_EQ(aside.size(), 1);
         for (const std::string& file : row.All("file")) {
           EXPECT_TRUE(!file.starts_with(v + " ") ||
                       ReadWhole(dir + "/" + aside[0]) == Expanded(file.substr(v.size() + 1), dir));
         }
       }},
      {"replayerr", [&](V v) { EXPECT_THAT(run.ReplayErrors(), HasSubstr(v)); }},
      {"kept", [&](V) { EXPECT_EQ(run.Again().exit_code, 0) << "the key taken is kept"; }},
      {"paced",
       [&](V v) {
         // Whatever time the run took, it began no more sessions than its pace allows in it:
         // at most so many in every 2 s.
         const QStringList words = Words(v);
         const long begun = SessionsBegun(dir, words[0]);
         EXPECT_GE(begun, 1);
         EXPECT_LE(begun, words[1].toInt() * (result.elapsed_ms / 2000 + 1)) << result.elapsed_ms;
       }},
  };
  for (const auto& [key, raw] : row.lines) {
    std::string value = Expanded(raw, dir);
    for (const auto& [mark, with] : std::map<std::string, std::function<std::string()>>{
             {"@gateway", [&] { return run.Address().toStdString(); }},
             {"@key", [&] { return run.ServerKey(); }},
             {"@other", [&] { return run.OtherKey(); }}}) {
      if (const auto at = value.find(mark); at != std::string::npos)
        value.replace(at, mark.size(), with());
    }
    if (const auto check = checks.find(key); check != checks.end()) check->second(value);
  }
  if (!want_recap.empty()) {
    EXPECT_EQ(recap, want_recap) << result.err;
  }
  if (!want_stdout.empty()) {
    EXPECT_EQ(Lines(out), want_stdout);
  }
  if (!want_reports.empty() || row.Has("expect")) {
    std::vector<std::string> names;
    for (const auto& [name, text] : files) names.push_back(name);
    EXPECT_EQ(names, want_reports);
  }
  for (const auto& [name, text] : files) EXPECT_THAT(text, HasSubstr("\r\n")) << name;

  // The simulator records a session when, and only when, the runner went on to reach it: a
  // run refused at its start (status 2) sends nothing.
  const std::string peer = row.Has("address") || row.Has("logs") ? "none" : row.One("peer");
  const bool recorded = peer.empty() || peer == "gateway" || peer == "direct" || peer == "openssh";
  if (recorded && !row.Has("unrecorded")) {
    EXPECT_EQ(sessions.empty(), result.exit_code == 2) << "sessions recorded: " << sessions.size();
  }
  // What the exchange holds out of traffic is named, and what is named the exchange holds, or
  // was ordered to while the session ended; the notes name the same.
  const std::set<std::string> named = NamedAfter(Joined(recap), "may still be blocked: ");
  const std::set<std::string> left = LeftOutOfTraffic(sessions);
  EXPECT_THAT(left, IsSubsetOf(named)) << result.err;
  std::set<std::string> may_be = InFlight(Joined(recap));
  may_be.insert(left.begin(), left.end());
  EXPECT_THAT(named, IsSubsetOf(may_be)) << result.err;
  std::set<std::string> noted = NamedAfter(Joined(notes), "May still be blocked: ");
  noted.merge(NamedAfter(Joined(notes), "May still be blocked on BSC9: "));
  if (!noted.empty()) {
    EXPECT_EQ(noted, named) << out;
  }
  // One command a line, and nothing of a printout on the wire or the engineer's terminal.
  for (const std::string& line : typed) {
    const std::size_t separator = line.find(';');
    EXPECT_TRUE((separator == std::string::npos || separator + 1 == line.size()) &&
                (line == "\\x04" || line.find("\\x") == std::string::npos))
        << line;
  }
  EXPECT_EQ(ControlByte(result.out), -1);
  EXPECT_EQ(ControlByte(result.err), -1);
  EXPECT_TRUE(result.out.empty() || result.out.ends_with("\n"));
}

// The row once more with the set-up lines of `change` ("KEY VALUE; KEY VALUE").
Row Changed(Row row, const std::string& change) {
  for (const QString& line : QString::fromStdString(change).split("; ")) {
    const qsizetype blank = line.indexOf(' ');
    row.lines.push_back({line.left(blank).toStdString(),
                         blank < 0 ? std::string() : line.mid(blank + 1).toStdString()});
  }
  return row;
}

// The row's twins give what it gave: the exit status, the recap, the report, the report files,
// and the dialogue (the lines a replay sends, the report files and messages it gives); its
// formats, the records of the data folder, the same in each.
void CheckTwins(const Row& row, const QString& dir, const RunResult& result, JobRun& run) {
  // A session cut within the in-band login shows it as far as it went, over telnet only.
  const std::string report = Comparable(result.out, dir);
  const bool login_shown = report.find("User: ") != std::string::npos ||
                           report.find("LOGGED IN AS") != std::string::npos;
  for (const std::string& change : row.All("twin")) {
    SCOPED_TRACE("twin: " + change);
    const Row twin = Changed(row, change);
    const QTemporaryDir twin_dir;
    const auto twin_run = Start(twin, twin_dir.path(), replay::SessionLogs(dir + "/logs"));
    const RunResult again = twin_run->Wait();
    EXPECT_EQ(again.exit_code, result.exit_code) << again.err;
    EXPECT_EQ(Comparable(Joined(RecapLines(again.err)), twin_dir.path()),
              Comparable(Joined(RecapLines(result.err)), dir));
    if (!login_shown) {
      EXPECT_EQ(Comparable(again.out, twin_dir.path()), report);
    }
    EXPECT_EQ(ReportFiles(twin_dir.path()), ReportFiles(dir));
    if (twin.Has("replay")) {
      EXPECT_EQ(twin_run->ReplayErrors(), "");
      EXPECT_EQ(Comparable(again.err, twin_dir.path()), Comparable(result.err, dir));
      EXPECT_EQ(replay::SentLines(replay::SessionLogs(twin_dir.path() + "/logs")),
                replay::SentLines(replay::SessionLogs(dir + "/logs")));
      if (row.Has("secret")) ExpectSecretKept(row.One("secret"), twin_dir.path(), again);
    } else if (twin.One("peer") == row.One("peer") &&
               (result.exit_code == 0 || twin.Has("ssh") == row.Has("ssh"))) {
      // (Over another transport a cut falls elsewhere in the dialogue.)
      EXPECT_EQ(Events(twin_run->Sessions(), false), Events(run.Sessions(), false));
    }
  }
  std::vector<std::vector<Record>> records;
  for (const std::string& format : row.All("format")) {
    const QTemporaryDir format_dir;
    const std::string name = format.substr(0, format.find(' '));
    const RunResult run_format =
        Start(Changed(row, "more --format " + name), format_dir.path())->Wait();
    EXPECT_EQ(run_format.exit_code, 0) << run_format.err;
    EXPECT_THAT(run_format.err, HasSubstr("recap: ")) << "the recap stays on standard error";
    ExpectFile(Comparable(run_format.out, format_dir.path()), format.substr(name.size() + 1));
    records.push_back(Records(MaskTimes(run_format.out), name == "csv"));
  }
  if (records.size() > 1) {
    EXPECT_EQ(records[0], records[1]) << "the formats read back to other values";
  }
}

// Waits until every "until" of the row holds ("typed ELEMENT LINE": a session selected the
// element and then typed a line starting LINE; "logs PATTERN N": N session logs whose paths
// match), then ends the run by SIGTERM; false if the run ended first. Only a hang waits on.
bool SignalledOnceReached(const Row& row, const QString& dir, JobRun& run) {
  const auto reached = [&](const std::string& until) {
    const QStringList words = Words(until);
    if (words[0] == "logs") return SessionsBegun(dir, words[1]) >= words[2].toInt();
    for (const auto& events : run.Sessions()) {
      const auto lines = TypedLines(events);
      const auto at = std::find(lines.begin(), lines.end(), "NE=" + words[1].toStdString());
      if (std::any_of(at, lines.end(), [&](const std::string& line) {
            return line.starts_with(words[2].toStdString());
          }))
        return true;
    }
    return false;
  };
  const auto untils = row.All("until");
  QElapsedTimer waited;
  for (waited.start(); waited.elapsed() < 120000;) {
    if (std::all_of(untils.begin(), untils.end(), reached)) {
      run.Terminate();
      return true;
    }
    if (!run.Running(50)) return false;
  }
  return false;
}

// The rows of `table`, each with a peer of its own: side by side, or one after the other
// (those that run many sessions each, or twins one after the other).
void RunTable(const std::string& table, bool side_by_side = true) {
  std::vector<std::unique_ptr<QTemporaryDir>> dirs;
  std::vector<Row> rows = Rows(table);
  std::vector<std::unique_ptr<JobRun>> runs(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    dirs.push_back(std::make_unique<QTemporaryDir>());
    if (side_by_side) runs[i] = Start(rows[i], dirs[i]->path());
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].title);
    const QString dir = dirs[i]->path();
    if (!runs[i]) runs[i] = Start(rows[i], dir);
    if (rows[i].Has("until")) {
      EXPECT_TRUE(SignalledOnceReached(rows[i], dir, *runs[i])) << "ended before it was signalled";
    }
    const RunResult result = runs[i]->Wait();
    Check(rows[i], dir, result, *runs[i]);
    CheckTwins(rows[i], dir, result, *runs[i]);
  }
}

TEST(PagesEndToEnd, EachPagesJobGivesItsReportOverEveryWayAndInEveryFormat) {
  RunTable("Pages", false);
}
TEST(UsageMistakes, ExitWithTwoAndOpenNoSession) { RunTable("UsageMistakes"); }
TEST(RunnerTruth, EveryElementHasItsRecapLineWhateverBecameOfIt) { RunTable("RunnerTruth"); }
TEST(ConnectionEnds, EachIsReportedAndEndsOverSshAsOverTelnet) { RunTable("ConnectionEnds"); }
TEST(Refusals, EveryRefusalIsNotedWithElementCommandAndWords) { RunTable("Refusals"); }
TEST(Login, RefusedLoginsAndUnknownElementsInTheGatewaysWords) { RunTable("Login"); }
TEST(Ssh, HostKeysAreTakenOnlyAsTheSiteSaysAndElementsReachedDirectly) { RunTable("Ssh"); }
TEST(DailyCheckFailures, EveryEarlyEndIsReportedWithItsElement) { RunTable("DailyCheckFailures"); }
TEST(ProsesFailures, EveryEarlyEndNamesWhatTheExchangeHoldsAndReplaysSo) {
  RunTable("ProsesFailures");
}
TEST(HostileGateway, HostilePrintoutsNeverReachTheWire) { RunTable("HostileGateway"); }
TEST(HostileGateway, FloodsAndEndlessPrintoutsEndTheJobByTheirCaps) { RunTable("HostileFloods"); }
TEST(Settings, WhatMustNotBeUsedIsRefusedOrWarnedAbout) { RunTable("Settings"); }
TEST(Replay, AJobThatStraysFromItsLogIsRefusedAndTheGatewaySaysWhere) { RunTable("Replay"); }
TEST(History, AHistoryThatCannotBeUsedChangesNothingOfTheCheck) { RunTable("History"); }
TEST(Parallel, SessionsAtOnceGiveWhatOneGivesInListOrderAndFailAlone) {
  RunTable("Parallel", false);
}
TEST(EndlessDailyCheck, SigtermEndsTheRunWithItsRecapAndReportFilesAndTheRunIsPaced) {
  RunTable("Endless", false);
}

}  // namespace
}  // namespace kestrel::testing
