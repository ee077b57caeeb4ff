// The headless runner tells the truth, for all six jobs, whatever the gateway does: refused
// logins and commands, unknown elements, sessions dropped or gone silent at every step,
// time-outs, hostile printouts, floods and settings that must not be used. Each row of
// runner-rows.txt is one job against a gateway of its own, with what must come of it: the exit
// status, the report's lines, the recap, and against the simulator's own record of what it
// carried out, what may still be blocked. Every row also holds the rules no run may break:
// nothing the exchange holds out of traffic goes unnamed, nothing is named that it does not
// hold but for the order in flight, no typed line carries a second command or a control byte,
// and nothing from a printout acts on the engineer's terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSubsetOf;
using ::testing::Not;

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
};

// The rows of `table` in the data file, with "@dir" standing for `dir` of each row: blocks
// that start "-- <title>", of lines "<key> <value>", after a line "== <table>".
std::vector<Row> Rows(const std::string& table) {
  static const std::set<std::string> kKeys = {
      "job",        "element",   "network", "args",   "more",    "gateway", "env",
      "nopassword", "ssh",       "mute",    "peer",   "address", "file",    "file+r",
      "noshare",    "secret",    "exit",    "line",   "out",     "!out",    "err",
      "note",       "recap",     "recap~",  "stdout", "quiet",   "left",    "never",
      "said",       "unreached", "report",  "attach", "nolog"};
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

std::string Expanded(std::string text, const QString& dir) {
  for (std::size_t at; (at = text.find("@dir")) != std::string::npos;) {
    text.replace(at, 4, dir.toStdString());
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

// A row's job, set up: its gateway, its arguments, its files under `dir`.
std::unique_ptr<JobRun> Start(const Row& row, const QString& dir) {
  const auto one = [&](const std::string& key) {
    const auto values = row.All(key);
    return values.empty() ? std::string() : Expanded(values.back(), dir);
  };
  const auto jobs = SixJobs(dir, one("element"));
  Job job = *std::find_if(jobs.begin(), jobs.end(),
                          [&](const Job& j) { return j.command == one("job"); });
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
    more += QStringList{"--log-dir", dir + "/logs"};
  }
  setup.ssh = row.Has("ssh");
  setup.mute_after = one("mute");
  if (one("peer") == "silent") setup.peer = JobSetup::Peer::kSilent;
  if (one("peer") == "unanswered") setup.peer = JobSetup::Peer::kUnanswered;
  if (row.Has("address")) {
    setup.peer = JobSetup::Peer::kNone;
    setup.elsewhere = one("address") == "-" ? QString() : QString::fromStdString(one("address"));
  }
  return std::make_unique<JobRun>(job, setup, more);
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

void Check(const Row& row, const QString& dir, const RunResult& result,
           const std::vector<std::vector<std::string>>& sessions) {
  const std::string out = MaskTimes(result.out);
  const auto recap = RecapLines(result.err);
  const auto notes = Notes(out);
  const auto typed = AllTyped(sessions);
  std::vector<std::string> want_recap, want_stdout;
  using V = const std::string&;
  const std::map<std::string, std::function<void(V)>> checks = {
      {"exit", [&](V v) { EXPECT_EQ(result.exit_code, std::stoi(v)) << result.err; }},
      {"line", [&](V v) { EXPECT_THAT(Lines(out), Contains(v)) << out; }},
      {"out", [&](V v) { EXPECT_THAT(out, HasSubstr(v)); }},
      {"!out", [&](V v) { EXPECT_THAT(out + result.err, Not(HasSubstr(v))); }},
      {"err", [&](V v) { EXPECT_THAT(result.err, HasSubstr(v)); }},
      {"note", [&](V v) { EXPECT_THAT(notes, Contains(v)) << out; }},
      {"recap", [&](V v) { want_recap.push_back(v); }},
      {"stdout", [&](V v) { want_stdout.push_back(v); }},
      {"quiet", [&](V) { EXPECT_EQ(result.out, ""); }},
      {"recap~", [&](V v) { EXPECT_THAT(recap.empty() ? "" : recap[0], HasSubstr(v)); }},
      {"left", [&](V v) { EXPECT_EQ(LeftOutOfTraffic(sessions), Set(v)); }},
      {"never", [&](V v) { EXPECT_THAT(typed, Not(Contains(HasSubstr(v)))); }},
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
         const QStringList files = folder.entryList(QDir::Files);
         ASSERT_EQ(files.size(), 1);
         EXPECT_TRUE(files[0].contains(QRegularExpression("^" + QString::fromStdString(element) +
                                                          "_Create_\\d{8}_\\d{6}\\.txt$")));
         const std::string text = ReadWhole(folder.filePath(files[0]));
         EXPECT_THAT(text, HasSubstr("ALARM LIST\r\n"));
         EXPECT_THAT(text, HasSubstr(v.substr(element.size() + 1)));
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
      {"nolog",
       [&](V) {
         EXPECT_THAT(QDir(dir + "/logs").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     ::testing::IsEmpty());
       }},
      {"secret",
       [&](V v) {
         // Neither said nor kept: not in the session logs nor in the Daily check's report file.
         EXPECT_THAT(result.out + result.err, Not(HasSubstr(v)));
         int logs = 0;
         for (QDirIterator files(dir, QDir::Files, QDirIterator::Subdirectories);
              files.hasNext();) {
           const QString path = files.next();
           if (path.endsWith("network.json")) continue;
           logs += path.startsWith(dir + "/logs/");
           EXPECT_THAT(ReadWhole(path), Not(HasSubstr(v))) << path.toStdString();
         }
         EXPECT_GE(logs, 1);
       }},
  };
  for (const auto& [key, raw] : row.lines) {
    if (const auto check = checks.find(key); check != checks.end())
      check->second(Expanded(raw, dir));
  }
  if (!want_recap.empty()) {
    EXPECT_EQ(recap, want_recap) << result.err;
  }
  if (!want_stdout.empty()) {
    EXPECT_EQ(Lines(out), want_stdout);
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
}

// The rows of `table`, side by side: each has a gateway of its own.
void RunTable(const std::string& table) {
  std::vector<std::unique_ptr<QTemporaryDir>> dirs;
  std::vector<Row> rows = Rows(table);
  std::vector<std::unique_ptr<JobRun>> runs;
  for (const Row& row : rows) {
    runs.push_back(Start(row, dirs.emplace_back(std::make_unique<QTemporaryDir>())->path()));
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].title);
    const RunResult result = runs[i]->Wait();
    Check(rows[i], dirs[i]->path(), result, runs[i]->Sessions());
  }
}

TEST(RunnerTruth, EveryElementHasItsRecapLineWhateverBecameOfIt) { RunTable("RunnerTruth"); }
TEST(Refusals, EveryRefusalIsNotedWithElementCommandAndWords) { RunTable("Refusals"); }
TEST(Login, RefusedLoginsAndUnknownElementsInTheGatewaysWords) { RunTable("Login"); }
TEST(DailyCheckFailures, EveryEarlyEndIsReportedWithItsElement) { RunTable("DailyCheckFailures"); }
TEST(ProsesFailures, EveryEarlyEndNamesWhatTheExchangeHolds) { RunTable("ProsesFailures"); }
TEST(HostileGateway, HostilePrintoutsNeverReachTheWire) { RunTable("HostileGateway"); }
TEST(HostileGateway, FloodsAndEndlessPrintoutsEndTheJobByTheirCaps) { RunTable("HostileFloods"); }
TEST(Settings, WhatMustNotBeUsedIsRefusedOrWarnedAbout) { RunTable("Settings"); }

// Every job clean, whole, cut into single bytes, and over SSH cut small: the same report, and
// the same lines typed after the login.
TEST(HostileGateway, SingleByteChunksGiveTheSameReportAsWholeOnes) {
  QTemporaryDir scratch[3];
  JobSetup ways[3];
  ways[1].faults = {"--chunk-max", "1"};
  ways[2].faults = {"--chunk-max", "3"};
  ways[2].ssh = true;
  std::vector<std::unique_ptr<JobRun>> runs[3];
  for (int way = 0; way < 3; ++way) {
    for (const Job& job : SixJobs(scratch[way].path())) {
      runs[way].push_back(std::make_unique<JobRun>(job, ways[way]));
    }
  }
  // What a page's report says, without the times of day, and but the notes of the Proses log,
  // whose raw session text is the chunks as the network cut them.
  const auto report = [](const std::string& out, bool proses) {
    return proses ? Joined(Notes(out)) : MaskTimes(out);
  };
  // Sessions side by side (the two of Qonsuluq) may connect in either order.
  const auto typed = [](const std::vector<std::vector<std::string>>& sessions) {
    std::vector<std::vector<std::string>> each;
    for (const auto& session : sessions) each.push_back(TypedAfterLogin({session}));
    std::sort(each.begin(), each.end());
    return each;
  };
  const std::vector<Job> jobs = SixJobs(scratch[0].path());
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const bool proses = jobs[i].command == "proses";
    SCOPED_TRACE(jobs[i].command);
    const RunResult whole = runs[0][i]->Wait();
    EXPECT_EQ(whole.exit_code, 0) << whole.err;
    std::vector<std::string> done = {"BSC9: reached, done"};
    if (jobs[i].command == "qonsuluq")
      done.push_back("BSC10: reached, done");  // Qonsuluq's two sides
    EXPECT_EQ(RecapLines(whole.err), done);
    for (int way = 1; way < 3; ++way) {
      const RunResult cut = runs[way][i]->Wait();
      EXPECT_EQ(cut.exit_code, 0) << cut.err;
      EXPECT_EQ(report(cut.out, proses), report(whole.out, proses));
      EXPECT_EQ(RecapLines(cut.err), done);
      EXPECT_EQ(typed(runs[way][i]->Sessions()), typed(runs[0][i]->Sessions()));
    }
  }
}

}  // namespace
}  // namespace kestrel::testing
