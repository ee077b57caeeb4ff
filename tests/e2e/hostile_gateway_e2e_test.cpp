// A hostile gateway, end to end on every page: prompts cut into single bytes, a banner that
// holds the prompt character, an echoed password, printout values holding command separators
// and terminal control sequences, telnet options without end, a printout without end, and no
// session to be had.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <memory>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

// One job against a gateway of its own, with the gateway's transcripts.
class JobRun {
 public:
  JobRun(const Job& job, const QStringList& faults, const QProcessEnvironment& env = DemoPassword(),
         const QStringList& more = {})
      : gateway_(job.network + QStringList{"--transcript-dir", transcripts_.path()} + faults),
        batch_(job.With(gateway_.QAddress()) + more, env) {}
  RunResult Wait(int ms = 60000) { return batch_.Wait(ms); }
  std::vector<std::vector<std::string>> Sessions() const {
    return TranscriptEvents(transcripts_.path());
  }

 private:
  QTemporaryDir transcripts_;
  GatewayProcess gateway_;
  BatchProcess batch_;
};

std::vector<std::string> Notes(const std::string& out) {
  std::vector<std::string> notes;
  for (const std::string& line : Lines(out)) {
    if (line.starts_with("*** ")) notes.push_back(line);
  }
  return notes;
}

// What a page's report says, without what differs from run to run: the times of day, and the
// Proses log's raw session text, whose lines are the chunks as the network cut them.
std::string Report(const std::string& command, const std::string& out) {
  if (command != "proses") return MaskTimes(out);
  std::string notes;
  for (const auto& note : Notes(out)) notes += note + "\n";
  return notes;
}

// The first byte of `text` that could act on a terminal (anything below a blank but the line
// feed and the tab that the reports use, and DEL), or -1.
int ControlByte(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7f) return byte;
  }
  return -1;
}

// Every job clean, whole, cut into single bytes, and over SSH cut small: the same report, and
// the same lines typed after the login.
TEST(HostileGateway, SingleByteChunksGiveTheSameReportAsWholeOnes) {
  QTemporaryDir whole_scratch, cut_scratch, ssh_scratch;
  const auto jobs = SixJobs(whole_scratch.path());
  const auto cut_jobs = SixJobs(cut_scratch.path());
  const auto ssh_jobs = SixJobs(ssh_scratch.path());
  std::vector<std::unique_ptr<JobRun>> whole, cut, ssh;
  std::vector<std::unique_ptr<QTemporaryDir>> keys;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    whole.push_back(std::make_unique<JobRun>(jobs[i], QStringList{}));
    cut.push_back(std::make_unique<JobRun>(cut_jobs[i], QStringList{"--chunk-max", "1"}));
    const SshPair pair(keys.emplace_back(std::make_unique<QTemporaryDir>())->path());
    ssh.push_back(std::make_unique<JobRun>(
        ssh_jobs[i], pair.gateway + QStringList{"--chunk-max", "3"}, DemoPassword(), pair.runner));
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(jobs[i].command);
    const RunResult a = whole[i]->Wait();
    const RunResult b = cut[i]->Wait();
    EXPECT_EQ(a.exit_code, 0) << a.err;
    EXPECT_EQ(b.exit_code, 0) << b.err;
    // All well: exit status 0 and "done" for every element.
    std::vector<std::string> done = {"BSC9: reached, done"};
    if (jobs[i].command == "qonsuluq") done.push_back("BSC10: reached, done");
    EXPECT_EQ(RecapLines(a.err), done);
    EXPECT_EQ(Report(jobs[i].command, b.out), Report(jobs[i].command, a.out));
    EXPECT_EQ(RecapLines(b.err), RecapLines(a.err));
    EXPECT_EQ(AllTyped(cut[i]->Sessions()), AllTyped(whole[i]->Sessions()));
    const RunResult c = ssh[i]->Wait();
    EXPECT_EQ(c.exit_code, 0) << c.err;
    EXPECT_EQ(Report(jobs[i].command, c.out), Report(jobs[i].command, a.out));
    EXPECT_EQ(RecapLines(c.err), RecapLines(a.err));
    // Sessions side by side (the two of Qonsuluq) may connect in either order.
    const auto each = [](const std::vector<std::vector<std::string>>& sessions) {
      std::vector<std::vector<std::string>> typed;
      for (const auto& session : sessions) typed.push_back(TypedAfterLogin({session}));
      std::sort(typed.begin(), typed.end());
      return typed;
    };
    EXPECT_EQ(each(ssh[i]->Sessions()), each(whole[i]->Sessions()));
  }
}

// The banner holds "<" before the login: the page answers the prompts in their order and
// sends its first command only at the element's prompt, never as the user name or password.
TEST(HostileGateway, ABannerHoldingThePromptDoesNotAttachEarly) {
  QTemporaryDir scratch;
  const auto jobs = SixJobs(scratch.path());
  std::vector<std::unique_ptr<JobRun>> runs;
  for (const Job& job : jobs) {
    runs.push_back(std::make_unique<JobRun>(
        job, QStringList{"--banner", "KESTREL <TEST> GATEWAY: TYPE AT THE < PROMPT <"}));
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(jobs[i].command);
    const RunResult result = runs[i]->Wait();
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const auto sessions = runs[i]->Sessions();
    ASSERT_FALSE(sessions.empty());
    for (const auto& events : sessions) {
      const auto typed = TypedLines(events);
      ASSERT_GE(typed.size(), 4u);
      EXPECT_EQ(typed[0], "kestrel");
      EXPECT_EQ(typed[1], "(password)");
      EXPECT_THAT(typed[2], ::testing::StartsWith("NE="));
      EXPECT_THAT(typed[3], ::testing::EndsWith(";"));
    }
  }
}

// A copy of a network file with another password.
QString WithPassword(const QString& network, const std::string& password, const QString& into) {
  std::string json = ReadWhole(network);
  const std::string demo = "\"password\": \"kestrel\"";
  json.replace(json.find(demo), demo.size(), "\"password\": \"" + password + "\"");
  const QString copy = into + "/" + QFileInfo(network).fileName();
  WriteFile(copy, json);
  return copy;
}

TEST(HostileGateway, AnEchoedPasswordIsNeverShownNorKept) {
  const std::string password = "Ech0dS3cret";
  QTemporaryDir scratch, networks, logs;
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", QString::fromStdString(password));
  std::vector<Job> jobs = SixJobs(scratch.path());
  std::vector<std::unique_ptr<JobRun>> runs;
  for (Job& job : jobs) {
    const QString network = job.network.isEmpty()
                                ? QString(KESTREL_E2E_DATA) + "/../../data/demo-network.json"
                                : job.network[1];
    job.network = {"--scenario", WithPassword(network, password, networks.path())};
    const QString log_dir = logs.filePath(QString::fromStdString(job.command));
    runs.push_back(std::make_unique<JobRun>(job, QStringList{"--echo-password"}, env,
                                            QStringList{"--log-dir", log_dir}));
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(jobs[i].command);
    const RunResult result = runs[i]->Wait();
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_THAT(result.out, Not(HasSubstr(password)));
    EXPECT_THAT(result.err, Not(HasSubstr(password)));
  }
  // The session logs and the Daily check's report file, which keeps the session.
  int logs_read = 0, reports_read = 0;
  for (const QString& folder : {logs.path(), scratch.path()}) {
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
      const QString path = files.next();
      (folder == logs.path() ? logs_read : reports_read) += 1;
      EXPECT_THAT(ReadWhole(path), Not(HasSubstr(password))) << path.toStdString();
    }
  }
  EXPECT_GE(logs_read, 7);  // a session each, two for the Qonsuluq page
  EXPECT_EQ(reports_read, 1);
}

// Separators (";" ends a command, "," parts its parameters) and control sequences in the
// printouts: every value that holds one is noted and never typed.
TEST(HostileGateway, PrintoutValuesHoldingSeparatorsNeverReachTheWire) {
  QTemporaryDir scratch;
  const QStringList hostile = {"--scenario", DataFile("hostile-network.json")};
  WriteFile(scratch.filePath("cells"), "C09101A\n");
  WriteFile(scratch.filePath("cellrs"), "C09102A\n");
  QDir(scratch.path()).mkdir("Kestreldailycheck");
  const QStringList timeout = {"--timeout", "30"};
  struct Case {
    Job job;
    std::vector<std::string> notes;  // in the report
  };
  const std::vector<Case> cases = {
      {{"rlslp", hostile, QStringList{"--ne", "BSC9"} + timeout, "BSC9"},
       {"C09;EVI: ACTIVE=NO", "C09?[31: ACTIVE=NO"}},
      {{"proses", hostile,
        QStringList{"--ne", "BSC9", "--release-ms", "20", "--wait-ms", "100"} + timeout, "BSC9"},
       {"BSC9: RXASP:MOTY=RXOTG; names \"RXOTS-12-0-1;EVI\", not a managed object; not sent",
        "BSC9: RXASP:MOTY=RXOTG; names \"RXOTRX-12-1?[31m\", not a managed object; not sent"}},
      {{"proses", hostile,
        QStringList{"--ne", "BSC9", "--procedure", "rxtei", "--release-ms", "20", "--wait-ms",
                    "100"} +
            timeout,
        "BSC9"},
       {"BSC9: ALLIP:ALCAT=KESINTI; names \"C09;EVI\", not a cell name; not sent",
        "BSC9: ALLIP:ALCAT=KESINTI; names \"C09?[31\", not a cell name; not sent",
        "BSC9: RXMFP:MO=RXOTG-12,SUBORD,FAULTY; names \"RXOTS-12-0-1;E\", not a managed object; "
        "not sent"}},
      {{"dailycheck", hostile,
        QStringList{"--ne", "BSC9", "--report-root", scratch.path(), "--no-sound", "--solution",
                    "SEQAR", "--solution", "PERMANENT", "--solution", "NEAREND"} +
            timeout,
        "BSC9"},
       {"BSC9: SEQAR not queued: \"RO;EVIL   \" is not a route name",
        "BSC9: SEQAR not queued: \"R?[2J;    \" is not a route name",
        "BSC9: RXBLI and RXBLE of RXOCF not queued: \"1;2 \" is not an object number",
        "BSC9: TPBLI and TPBLE not queued: \"RS;EVIL\" is not an SDIP name"}},
      {{"qonsuluq", hostile,
        QStringList{"--cell-bsc", "BSC9", "--cellr-bsc", "BSC9", "--cells",
                    scratch.filePath("cells"), "--cellrs", scratch.filePath("cellrs")} +
            timeout,
        "BSC9"},
       {"! RLMFC:CELL=C09102A not written: BCCHNO of C09101A: \"12?[0\" does not fit !"}},
      {{"broadcast", hostile, QStringList{"--ne", "BSC9"} + timeout, "BSC9"},
       {"BSC9: RLBDP:CELL=ALL; gave \"C09;EVI\", which is not a cell name; not sent",
        "BSC9: RLBDP:CELL=ALL; gave \"C09?[31\", which is not a cell name; not sent",
        "BSC9: RLMTP:CELL=C09101A,ID=ALL; gave \"1;EVI\", which is not a message code; not sent"}},
      {{"relocation", hostile,
        QStringList{"--ne", "BSC9", "--target", "12", "--cells", scratch.filePath("cells")} +
            timeout,
        "BSC9"},
       {"names a neighbour \"C09;EVI\" that is not a cell name",
        "names a neighbour \"C09?[31\" that is not a cell name",
        "CGI \"400-01-909;EVIL\" gives no BSC number"}},
  };
  std::vector<std::unique_ptr<JobRun>> runs;
  for (const Case& c : cases) runs.push_back(std::make_unique<JobRun>(c.job, QStringList{}));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.job.command + " " + c.job.arguments.join(' ').toStdString());
    const RunResult result = runs[i]->Wait();
    EXPECT_NE(result.exit_code, -1);
    for (const std::string& note : c.notes) EXPECT_THAT(result.out, HasSubstr(note));
    const auto typed = AllTyped(runs[i]->Sessions());
    ASSERT_FALSE(typed.empty());
    for (const std::string& line : typed) {
      EXPECT_THAT(line, Not(HasSubstr("EVI")));
      EXPECT_EQ(ControlByte(line), -1) << line;
      const std::size_t separator = line.find(';');
      EXPECT_TRUE(separator == std::string::npos || separator + 1 == line.size()) << line;
    }
    // What the printouts held never acts on the engineer's terminal.
    EXPECT_EQ(ControlByte(result.out), -1);
    EXPECT_EQ(ControlByte(result.err), -1);
  }
}

// The engineer's own cell lists are read the same way: a line that is no cell name goes
// nowhere near the exchange.
TEST(HostileGateway, ListLinesHoldingSeparatorsNeverReachTheWire) {
  QTemporaryDir scratch;
  const QStringList hostile = {"--scenario", DataFile("hostile-network.json")};
  WriteFile(scratch.filePath("cells"), "C09101A\nC09;EVIL\n");
  WriteFile(scratch.filePath("cellrs"), "C09102A\nC09101A\n");
  const std::vector<Job> jobs = {
      {"qonsuluq", hostile,
       QStringList{"--cell-bsc", "BSC9", "--cellr-bsc", "BSC9", "--cells",
                   scratch.filePath("cells"), "--cellrs", scratch.filePath("cellrs"), "--timeout",
                   "30"},
       "BSC9"},
      {"relocation", hostile,
       QStringList{"--ne", "BSC9", "--target", "12", "--cells", scratch.filePath("cells"),
                   "--timeout", "30"},
       "BSC9"},
  };
  for (const Job& job : jobs) {
    SCOPED_TRACE(job.command);
    JobRun run(job, {});
    const RunResult result = run.Wait();
    EXPECT_NE(result.exit_code, 0);
    EXPECT_THAT(result.out + result.err, HasSubstr("C09;EVIL"));  // said, not sent
    for (const std::string& line : AllTyped(run.Sessions())) {
      EXPECT_THAT(line, Not(HasSubstr("EVIL"))) << line;
    }
  }
}

// Telnet options without end, a printout without end, and a gateway with no session to give:
// each ends the job by its cap, with a message that names the element and the cap. The caps
// are reached by construction however slow the machine: the Proses watchdog is set beyond
// reach, and the job's time-out (status 3) is one that only a hang meets.
TEST(HostileGateway, FloodsAndEndlessPrintoutsEndTheJobByTheirCaps) {
  QTemporaryDir scratch;
  const QString settings = scratch.filePath("site.ini");
  WriteFile(settings, "[limits]\nmax_printout_mb=1\n[proses]\nwatchdog_s=86400\n");
  const std::map<std::string, const char*> first_command = {{"rlslp", "RLSLP"},
                                                            {"proses", "RXASP"},
                                                            {"qonsuluq", "RLDEP"},
                                                            {"broadcast", "RLBDP"},
                                                            {"relocation", "RLNRP"}};
  struct Case {
    Job job;
    QStringList faults;
    std::string said;
  };
  std::vector<Case> cases;
  for (const Job& job : SixJobs(scratch.path())) {
    if (job.command == "dailycheck") continue;  // among its early ends
    cases.push_back({job, {"--flood-options"}, "more than 4 MB of unsent output"});
    cases.push_back({job,
                     {"--endless-printout", first_command.at(job.command)},
                     "passed the printout cap of 1 MB"});
    cases.push_back({job, {"--max-sessions", "0"}, "TOO MANY SESSIONS"});
  }
  constexpr int kHangS = 300;  // far beyond what any cap takes to reach
  std::vector<std::unique_ptr<JobRun>> runs;
  for (const Case& c : cases) {
    runs.push_back(std::make_unique<JobRun>(
        c.job, c.faults + QStringList{"--quiet"}, DemoPassword(),
        QStringList{"--settings", settings, "--timeout", QString::number(kHangS)}));
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.job.command + " " + c.faults.join(' ').toStdString());
    const RunResult result = runs[i]->Wait((kHangS + 60) * 1000);
    // Ended by the job itself, not by its time-out (that would be status 3).
    EXPECT_EQ(result.exit_code, 1) << result.err;
    // The Qonsuluq page's two sessions race: whichever side meets the fault first is named.
    std::vector<std::string> elements = {c.job.element};
    if (c.job.command == "qonsuluq") elements.push_back("BSC10");
    bool said = false;
    for (const std::string& line : Lines(result.out + "\n" + result.err)) {
      if (line.starts_with("recap: ") || line.find(c.said) == std::string::npos) continue;
      for (const std::string& element : elements) {
        said = said || line.find(element) != std::string::npos;
      }
    }
    EXPECT_TRUE(said) << result.out << result.err;
    ASSERT_FALSE(RecapLines(result.err).empty());
    EXPECT_THAT(RecapLines(result.err)[0], HasSubstr(c.said));
  }
}

}  // namespace
}  // namespace kestrel::testing
