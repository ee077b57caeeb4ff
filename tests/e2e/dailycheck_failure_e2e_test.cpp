// The Daily check end to end when a visit does not run to its end: the session dropped in
// the middle of a solution, the exchange gone silent, the time-out, a refused login, a hostile
// gateway and a report share that cannot take the file. Each time the report pane names the
// element, what was in flight and every object that may still be blocked; the report file
// keeps the session; the recap says the same; the exit status is not 0. The simulator's own
// record of what it carried out is checked against what the report says may be blocked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSubsetOf;
using ::testing::Not;

const std::string kRxbli = "RXBLI:MO=RXOCF-12  ;";
const std::string kRxble = "RXBLE:MO=RXOCF-12  ;";
const std::string kTpble = "TPBLE:SDIP=RSDIP12,LP=VC12-1 ;";
const std::string kPath = "SDIP=RSDIP12,LP=VC12-1";
const QString kBeyondReach = "86400";  // seconds of a watchdog no run here lasts

// One runner over one element list, against a simulator of its own.
class DailyCheckRun {
 public:
  struct Setup {
    QStringList faults = {};      // gateway options besides the network
    QStringList arguments = {};   // --ne, --solution, ... of the runner
    std::string mute_after = {};  // when set, the gateway falls silent after this line
    bool silent_gateway = false;  // a gateway that never says a word
    QProcessEnvironment env = DemoPassword();
    bool share_folder = true;  // the report root has its Kestreldailycheck folder
    // Seconds of the page's watchdog: long enough for a release pause (3 s) to pass unseen,
    // short enough to keep the runs short. Empty: the runner's own.
    QString watchdog = "5";
  };

  explicit DailyCheckRun(const Setup& setup) {
    if (setup.share_folder) QDir(share_.path()).mkdir("Kestreldailycheck");
    QString address;
    if (setup.silent_gateway) {
      silent_.emplace();
      address = silent_->Address();
    } else {
      gateway_ = std::make_unique<GatewayProcess>(
          QStringList{"--scenario", DataFile("dailycheck-blocking.json"), "--transcript-dir",
                      transcripts_.path()} +
          setup.faults);
      address = gateway_->QAddress();
      if (!setup.mute_after.empty()) {
        proxy_ = std::make_unique<MutingProxy>(gateway_->Port(), setup.mute_after);
        address = proxy_->Address();
      }
    }
    QStringList arguments = {"dailycheck",  "--gateway",  address,    "--report-root",
                             share_.path(), "--no-sound", "--cycles", "1"};
    if (!setup.watchdog.isEmpty()) arguments += QStringList{"--watchdog", setup.watchdog};
    batch_ = std::make_unique<BatchProcess>(arguments + setup.arguments, setup.env);
  }

  // Only a hang outlasts this.
  RunResult Wait(int ms = 300000) { return batch_->Wait(ms); }
  QString Share() const { return share_.path(); }
  std::vector<std::vector<std::string>> Sessions() const {
    return TranscriptEvents(transcripts_.path());
  }
  // The report files, by name.
  std::map<QString, std::string> ReportFiles() const {
    std::map<QString, std::string> files;
    const QDir folder(share_.filePath("Kestreldailycheck"));
    for (const QString& name : folder.entryList(QDir::Files)) {
      files[name] = ReadWhole(folder.filePath(name));
    }
    return files;
  }

 private:
  QTemporaryDir transcripts_, share_;
  std::unique_ptr<GatewayProcess> gateway_;
  std::unique_ptr<MutingProxy> proxy_;
  std::optional<SilentGateway> silent_;
  std::unique_ptr<BatchProcess> batch_;
};

QStringList Permanent() { return {"--ne", "BSC9", "--solution", "PERMANENT"}; }
QStringList NearEnd() { return {"--ne", "BSC10", "--solution", "NEAREND"}; }

// A visit that ended in its queue: the report line, the recap, the report file, and the
// simulator's state against the objects named.
void ExpectQueueEndedEarly(const DailyCheckRun& run, const RunResult& result,
                           const std::string& element, const std::string& why,
                           const std::string& in_flight, const std::string& blocked,
                           const std::string& last_answer) {
  EXPECT_EQ(result.exit_code, 1) << result.err;
  const std::string ended = why + " while " + in_flight + " was in flight";
  const std::string named =
      blocked.empty() ? "nothing blocked" : "may still be blocked: " + blocked;
  EXPECT_THAT(Lines(MaskTimes(result.out)),
              Contains(element + ": " + ended + "; " + named + " <time>"));
  EXPECT_THAT(RecapLines(result.err),
              ElementsAre(element + ": reached; ended early: " + ended +
                          (blocked.empty() ? "" : "; may still be blocked: " + blocked)));
  const auto files = run.ReportFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(
      QRegularExpression("^" + QString::fromStdString(element) + "_Create_\\d{8}_\\d{6}\\.txt$")
          .match(files.begin()->first)
          .hasMatch());
  EXPECT_THAT(files.begin()->second, HasSubstr("ALARM LIST\r\n"));
  EXPECT_THAT(files.begin()->second, HasSubstr(last_answer));
  // Whatever the exchange holds out of traffic, the report named.
  EXPECT_THAT(LeftOutOfTraffic(run.Sessions()),
              IsSubsetOf(NamedAfter(result.out, "may still be blocked: ")));
}

// The runner's time-out falls into the release pause after the block was confirmed.
TEST(DailyCheckFailures, TimeOutInTheQueueNamesWhatMayStillBeBlocked) {
  DailyCheckRun run({.arguments = Permanent() + QStringList{"--timeout", "2"}});
  const RunResult result = run.Wait();
  EXPECT_EQ(result.exit_code, 3) << result.err;
  EXPECT_THAT(Lines(MaskTimes(result.out)),
              Contains("BSC9: stopped while Ctrl-D was in flight; may still be blocked: RXOCF-12 "
                       "<time>"));
  EXPECT_THAT(RecapLines(result.err),
              ElementsAre("BSC9: reached; ended early: stopped while Ctrl-D was in flight; may "
                          "still be blocked: RXOCF-12"));
  EXPECT_THAT(result.err, HasSubstr("stopped after 2 s"));
  EXPECT_EQ(run.ReportFiles().size(), 1u);
  EXPECT_EQ(LeftOutOfTraffic(run.Sessions()), std::set<std::string>{"RXOCF-12"});
}

// Every one of these waits for the page's watchdog (one interval, or two when the session
// brought any text) before the run can end, so they run side by side.
TEST(DailyCheckFailures, EveryEarlyEndIsReportedWithItsElementAndExitsOne) {
  QTemporaryDir settings_folder;
  const QString settings = settings_folder.filePath("site.ini");
  WriteFile(settings, "[limits]\nmax_printout_mb=1\n");
  QProcessEnvironment wrong_password;
  wrong_password.insert("KESTREL_PASSWORD", "not-the-password");

  DailyCheckRun after_block(
      {.faults = {"--drop-after-command", "RXBLI"}, .arguments = Permanent()});
  DailyCheckRun after_deblock(
      {.faults = {"--drop-after-command", "RXBLE"}, .arguments = Permanent()});
  DailyCheckRun between_paths(
      {.faults = {"--drop-after-command", "TPBLE"}, .arguments = NearEnd()});
  DailyCheckRun silent_in_queue({.arguments = Permanent(), .mute_after = "RXBLE"});
  DailyCheckRun silent_elements({.faults = {"--silent-ne", "BSC9"}, .arguments = {"--ne", "BSC9"}});
  DailyCheckRun never_a_word({.arguments = Permanent(), .silent_gateway = true});
  DailyCheckRun refused_login({.arguments = Permanent(), .env = wrong_password});
  // The floods end by their caps alone, however long the machine takes to reach them: their
  // sessions bring no text the watchdog could count, so it is set beyond reach.
  DailyCheckRun flood(
      {.faults = {"--flood-options"}, .arguments = Permanent(), .watchdog = kBeyondReach});
  DailyCheckRun endless({.faults = {"--endless-printout", "ALLIP"},
                         .arguments = Permanent() + QStringList{"--settings", settings},
                         .watchdog = kBeyondReach});
  DailyCheckRun no_session({.faults = {"--max-sessions", "0"}, .arguments = Permanent()});

  {
    SCOPED_TRACE("dropped when the block was typed");
    const RunResult result = after_block.Wait();
    ExpectQueueEndedEarly(after_block, result, "BSC9", "connection lost", kRxbli, "RXOCF-12",
                          "RXOCF-12   PERMANENT FAULT");
    EXPECT_THAT(LeftOutOfTraffic(after_block.Sessions()), ::testing::IsEmpty());
  }
  {
    SCOPED_TRACE("dropped when the deblock was typed");
    const RunResult result = after_deblock.Wait();
    ExpectQueueEndedEarly(after_deblock, result, "BSC9", "connection lost", kRxble, "RXOCF-12",
                          "EXECUTED");
    EXPECT_EQ(LeftOutOfTraffic(after_deblock.Sessions()), std::set<std::string>{"RXOCF-12"});
  }
  {
    SCOPED_TRACE("dropped between the block and the deblock of a path");
    const RunResult result = between_paths.Wait();
    ExpectQueueEndedEarly(between_paths, result, "BSC10", "connection lost", kTpble, kPath,
                          "EXECUTED");
    EXPECT_EQ(LeftOutOfTraffic(between_paths.Sessions()), std::set<std::string>{kPath});
  }
  {
    SCOPED_TRACE("silent while the deblock was in flight");
    const RunResult result = silent_in_queue.Wait();
    ExpectQueueEndedEarly(silent_in_queue, result, "BSC9", "silent, ended by the watchdog", kRxble,
                          "RXOCF-12", "EXECUTED");
    EXPECT_EQ(LeftOutOfTraffic(silent_in_queue.Sessions()), std::set<std::string>{"RXOCF-12"});
  }
  {
    SCOPED_TRACE("every element silent once selected");
    const RunResult result = silent_elements.Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_THAT(RecapLines(result.err),
                ElementsAre("BSC9: not reached; ended early: silent, ended by the watchdog "
                            "during the login"));
  }
  {
    SCOPED_TRACE("a gateway that never says a word");
    const RunResult result = never_a_word.Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_THAT(RecapLines(result.err),
                ElementsAre("BSC9: not reached; ended early: silent, ended by the watchdog "
                            "during the login"));
  }
  {
    SCOPED_TRACE("refused login");
    const RunResult result = refused_login.Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_THAT(Lines(MaskTimes(result.out)), Contains("BSC9: refused: LOGIN INCORRECT <time>"));
    EXPECT_THAT(RecapLines(result.err),
                ElementsAre("BSC9: not reached; ended early: LOGIN INCORRECT"));
  }
  {
    SCOPED_TRACE("option flood");
    const RunResult result = flood.Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_THAT(RecapLines(result.err),
                ElementsAre("BSC9: not reached; ended early: connection lost (the gateway "
                            "stopped reading: more than 4 MB of unsent output) during the "
                            "login"));
  }
  {
    SCOPED_TRACE("endless alarm list");
    const RunResult result = endless.Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    const std::string cap =
        "BSC9: the answer to ALLIP; passed the printout cap of 1 MB; the session is ended";
    EXPECT_THAT(Lines(MaskTimes(result.out)), Contains(cap + " <time>"));
    ASSERT_EQ(RecapLines(result.err).size(), 1u);
    EXPECT_THAT(RecapLines(result.err)[0], HasSubstr("BSC9: reached; ended early: "));
    EXPECT_THAT(RecapLines(result.err)[0], HasSubstr("printout cap"));
  }
  {
    SCOPED_TRACE("no session to be had");
    const RunResult result = no_session.Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_THAT(RecapLines(result.err),
                ElementsAre("BSC9: not reached; ended early: TOO MANY SESSIONS"));
  }
}

TEST(DailyCheckFailures, AQueueRunToItsEndWithAPathLeftBlockedIsNotClean) {
  DailyCheckRun run({.arguments = NearEnd() + QStringList{"--timeout", "30"}});
  const RunResult result = run.Wait();
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_THAT(Lines(MaskTimes(result.out)),
              Contains("BSC10: queue done; may still be blocked: " + kPath + " <time>"));
  EXPECT_THAT(RecapLines(result.err),
              ElementsAre("BSC10: reached; may still be blocked: " + kPath));
  EXPECT_EQ(LeftOutOfTraffic(run.Sessions()), std::set<std::string>{kPath});
}

TEST(DailyCheckFailures, AReportRootWithoutItsFolderIsAFileNotSaved) {
  DailyCheckRun run({.arguments = {"--ne", "BSC11", "--solution", "SETAR", "--timeout", "30"},
                     .share_folder = false});
  const RunResult result = run.Wait();
  EXPECT_EQ(result.exit_code, 1) << result.err;
  const std::string folder = run.Share().toStdString() + "/Kestreldailycheck/BSC11_Create_";
  EXPECT_THAT(result.out, HasSubstr("BSC11: report file " + folder));
  EXPECT_THAT(result.out, HasSubstr(" not saved: "));
  ASSERT_EQ(RecapLines(result.err).size(), 1u);
  EXPECT_THAT(RecapLines(result.err)[0],
              ::testing::StartsWith("BSC11: reached; report file not saved: " + folder));
  EXPECT_FALSE(QDir(run.Share() + "/Kestreldailycheck").exists());
}

// A refused alarm list is a complete answer: the visit is over and the next element is
// visited, as after any other answer.
TEST(DailyCheckFailures, ARefusedAlarmListIsNotedAndTheNextElementVisited) {
  DailyCheckRun run({.faults = {"--unknown", "ALLIP"},
                     .arguments = {"--ne", "BSC9", "--ne", "BSC11", "--timeout", "10"}});
  const RunResult result = run.Wait();
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_THAT(Lines(MaskTimes(result.out)),
              Contains("BSC11: ALLIP; refused: COMMAND UNKNOWN <time>"));
  EXPECT_THAT(RecapLines(result.err),
              ElementsAre("BSC9: reached; BSC9: ALLIP; refused: COMMAND UNKNOWN",
                          "BSC11: reached; BSC11: ALLIP; refused: COMMAND UNKNOWN"));
}

}  // namespace
}  // namespace kestrel::testing
