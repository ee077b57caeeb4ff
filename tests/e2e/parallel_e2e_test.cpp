// Several sessions at once, end to end: kestrel-batch rlslp and dailycheck with --parallel
// against the simulator give what one session gives, element by element in list order; an
// element that fails fails alone; a gateway at its limit of sessions fails elements and never
// holds the run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

QProcessEnvironment Password() {
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", "kestrel");
  return env;
}

QStringList Login(const GatewayProcess& gateway) {
  return {"--gateway", QString::fromStdString(gateway.Address()), "--user", "kestrel"};
}

QStringList NeOptions(const QStringList& elements) {
  QStringList options;
  for (const QString& element : elements) options << "--ne" << element;
  return options;
}

// Times of day, dates and the numbers the simulator stamps its printouts with.
std::string MaskTimes(const std::string& text) {
  QString masked = QString::fromStdString(text);
  masked.replace(QRegularExpression("\\d\\d:\\d\\d:\\d\\d"), "<time>");
  masked.replace(QRegularExpression("\\d\\d\\.\\d\\d\\.\\d{4}"), "<date>");
  masked.replace(QRegularExpression("\\d{4,}"), "#");
  return masked.toStdString();
}

std::vector<std::string> Lines(const std::string& text, const std::string& prefix = "") {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (line.starts_with(prefix)) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

QString WriteJson(const QTemporaryDir& folder, const QString& name, const QJsonObject& json) {
  const QString path = folder.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    throw std::runtime_error("cannot write " + path.toStdString());
  file.write(QJsonDocument(json).toJson());
  return path;
}

// BSC40 to BSC51: every third with a seizure supervision alarm that SETAR clears, every third
// with a seizure quality alarm that SEQAR clears, and an external alarm on each.
QStringList kTwelve = {"BSC40", "BSC41", "BSC42", "BSC43", "BSC44", "BSC45",
                       "BSC46", "BSC47", "BSC48", "BSC49", "BSC50", "BSC51"};

QJsonObject TwelveElements() {
  QJsonArray elements;
  for (int i = 0; i < kTwelve.size(); ++i) {
    const QString route = QString("ROUTE%1").arg(i + 10);
    QJsonArray alarms;
    if (i % 3 == 0) {
      alarms.append(QJsonObject{
          {"class", "A2/APT"}, {"slogan", "SEIZURE SUPERVISION"}, {"cleared_by", "SETAR"}});
    } else if (i % 3 == 1) {
      alarms.append(QJsonObject{{"class", "A2/APT"},
                                {"slogan", "SEIZURE QUALITY SUPERVISION"},
                                {"details", QJsonArray{"ROUTE      DEV", route + "    12"}},
                                {"cleared_by", "SEQAR:R=" + route}});
    }
    alarms.append(QJsonObject{
        {"class", "A1/EXT"}, {"slogan", "EXTERNAL ALARM"}, {"details", QJsonArray{"DOOR OPEN"}}});
    elements.append(QJsonObject{
        {"name", kTwelve[i]}, {"exchange", kTwelve[i]}, {"type", "BSC"}, {"alarms", alarms}});
  }
  return {
      {"user", "kestrel"}, {"password", "kestrel"}, {"page_length", 30}, {"elements", elements}};
}

// One Daily check run against a gateway of its own (solutions change the network).
struct DailyCheckOutcome {
  RunResult run;
  std::map<std::string, std::string> files;  // name and text, times masked
  // The lines each element received, session by session.
  std::map<std::string, std::vector<std::vector<std::string>>> typed;
};

DailyCheckOutcome DailyCheck(const QString& scenario, const QStringList& elements, int parallel,
                             const QStringList& faults = {}, const QStringList& more = {}) {
  QTemporaryDir transcripts, share;
  QDir(share.path()).mkdir("Kestreldailycheck");
  GatewayProcess gateway(
      QStringList{"--scenario", scenario, "--transcript-dir", transcripts.path()} + faults);
  DailyCheckOutcome outcome;
  outcome.run = RunBatch(QStringList{"dailycheck"} + Login(gateway) + NeOptions(elements) +
                             QStringList{"--report-root", share.path(), "--no-sound", "--solution",
                                         "SEQAR", "--solution", "SETAR", "--parallel",
                                         QString::number(parallel), "--timeout", "50"} +
                             more,
                         Password());
  const QDir reports(share.filePath("Kestreldailycheck"));
  for (const QString& name : reports.entryList(QDir::Files, QDir::Name)) {
    QFile file(reports.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QString key =
        QString(name).replace(QRegularExpression("_Create_\\d{8}_\\d{6}"), "_Create_#");
    outcome.files[key.toStdString()] = MaskTimes(file.readAll().toStdString());
  }
  for (const auto& events : TranscriptEvents(transcripts.path())) {
    std::vector<std::string> typed;
    std::string element;
    for (const std::string& event : events) {
      if (!event.starts_with("typed ")) continue;
      typed.push_back(event.substr(6));
      if (typed.back().starts_with("NE=")) element = typed.back().substr(3);
    }
    outcome.typed[element].push_back(typed);
  }
  return outcome;
}

TEST(ParallelDailyCheck, FourSessionsGiveTheReportFilesAndOrdersOfOne) {
  QTemporaryDir folder;
  const QString scenario = WriteJson(folder, "twelve.json", TwelveElements());
  for (const char* seed : {"1", "2"}) {
    const QStringList chunks = {"--chunk-max", "40", "--seed", seed};
    const DailyCheckOutcome one = DailyCheck(scenario, kTwelve, 1, chunks);
    const DailyCheckOutcome four = DailyCheck(scenario, kTwelve, 4, chunks);
    ASSERT_EQ(one.run.exit_code, 0) << one.run.err;
    ASSERT_EQ(four.run.exit_code, 0) << four.run.err;
    EXPECT_EQ(Lines(one.run.out).size(), 12u + 8u + 8u) << one.run.out;
    EXPECT_EQ(MaskTimes(four.run.out), MaskTimes(one.run.out)) << "seed " << seed;
    EXPECT_EQ(four.run.err, one.run.err);
    EXPECT_EQ(one.files.size(), 8u);
    EXPECT_EQ(four.files, one.files);
    EXPECT_EQ(one.typed.size(), 12u);
    EXPECT_EQ(four.typed, one.typed);
  }
}

// A silent element and one the gateway does not know: both in the recap, the others as
// with one session, to their report files: the elements after the two have solutions to
// run, and nothing of the failed sessions goes into their files.
TEST(ParallelDailyCheck, ASilentAndAnUnknownElementFailAloneAndInTheRecap) {
  QTemporaryDir folder;
  const QString scenario = WriteJson(folder, "twelve.json", TwelveElements());
  QStringList elements = kTwelve;
  elements.insert(7, "BSC99");  // before BSC47 and its SEQAR
  const QStringList faults = {"--silent-ne", "BSC45", "--chunk-max", "40"};  // before BSC46
  const QStringList watchdog = {"--watchdog", "1"};
  const DailyCheckOutcome one = DailyCheck(scenario, elements, 1, faults, watchdog);
  const DailyCheckOutcome four = DailyCheck(scenario, elements, 4, faults, watchdog);
  for (const DailyCheckOutcome* outcome : {&one, &four}) {
    EXPECT_EQ(outcome->run.exit_code, 1) << outcome->run.err;
    const auto recap = Lines(outcome->run.err, "recap: ");
    ASSERT_EQ(recap.size(), 13u) << outcome->run.err;
    EXPECT_EQ(
        std::count_if(recap.begin(), recap.end(),
                      [](const std::string& line) { return line.ends_with(": reached, done"); }),
        11);
    EXPECT_THAT(recap[5], StartsWith("recap: BSC45: not reached; ended early: silent"));
    EXPECT_EQ(recap[7], "recap: BSC99: not reached; ended early: NE BSC99 NOT DEFINED IN GATEWAY");
  }
  EXPECT_EQ(MaskTimes(four.run.out), MaskTimes(one.run.out));
  EXPECT_THAT(four.run.out, HasSubstr("BSC99: refused: NE BSC99 NOT DEFINED IN GATEWAY"));
  EXPECT_EQ(four.files, one.files);
  ASSERT_EQ(four.files.size(), 8u);
  for (const auto& [name, text] : four.files) {
    EXPECT_THAT(text, ::testing::Not(HasSubstr("BSC99"))) << name;
    EXPECT_THAT(text, ::testing::Not(HasSubstr("NE=BSC45"))) << name;
  }
  EXPECT_EQ(four.typed, one.typed);
}

// More sessions than the gateway allows: those beyond are refused and fail their element;
// the run goes on with the rest and ends.
TEST(ParallelDailyCheck, AGatewayAtItsLimitOfSessionsFailsElementsAndNeverHolds) {
  QTemporaryDir folder;
  const QString scenario = WriteJson(folder, "twelve.json", TwelveElements());
  QElapsedTimer took;
  took.start();
  const DailyCheckOutcome run =
      DailyCheck(scenario, kTwelve.mid(0, 8), 4, {"--max-sessions", "2"}, {"--watchdog", "1"});
  EXPECT_LT(took.elapsed(), 40000);
  EXPECT_EQ(run.run.exit_code, 1) << run.run.err;
  const auto recap = Lines(run.run.err, "recap: ");
  ASSERT_EQ(recap.size(), 8u) << run.run.err;
  int done = 0;
  for (const std::string& line : recap) {
    if (line.ends_with(": reached, done")) {
      ++done;
    } else {
      EXPECT_THAT(line, HasSubstr("TOO MANY SESSIONS"));
    }
  }
  EXPECT_GE(done, 2);
  EXPECT_THAT(run.run.err, ::testing::Not(HasSubstr("never started")));
}

// A last visit whose session was lost has nothing to go on to: the run ends now, not when the
// page's watchdog would have moved on. That watchdog is set beyond reach, so a run that waited
// for it would meet its time-out instead (status 3).
TEST(ParallelDailyCheck, ALastVisitThatEndedEarlyEndsTheRunAtOnce) {
  for (const char* parallel : {"1", "2"}) {
    QTemporaryDir share;
    QDir(share.path()).mkdir("Kestreldailycheck");
    GatewayProcess gateway({"--scenario", QString(KESTREL_E2E_DATA) + "/dailycheck-blocking.json",
                            "--drop-after-command", "RXBLI", "--quiet"});
    const RunResult run =
        BatchProcess(
            QStringList{"dailycheck"} + Login(gateway) +
                QStringList{"--ne", "BSC11", "--ne", "BSC9", "--report-root", share.path(),
                            "--no-sound", "--solution", "PERMANENT", "--solution", "SETAR",
                            "--parallel", parallel, "--watchdog", "86400", "--timeout", "240"},
            Password())
            .Wait(300000);
    EXPECT_EQ(run.exit_code, 1) << "--parallel " << parallel << run.err;
    EXPECT_THAT(run.err, HasSubstr("recap: BSC11: reached, done\n"));
    EXPECT_THAT(run.err, HasSubstr("recap: BSC9: reached; ended early: connection lost while "
                                   "RXBLI:MO=RXOCF-12  ; was in flight; may still be blocked: "
                                   "RXOCF-12\n"));
    EXPECT_THAT(run.err, ::testing::Not(HasSubstr("not done")));
  }
}

const QStringList kDemoBscs = {"BSC9",  "ALTBSC1_X29,PROT=V24",
                               "BSC12", "BSC3",
                               "BSC10", "BSC11",
                               "BSC13", "BSC14",
                               "BSC15", "BSC16",
                               "BSC17", "BSC18"};

RunResult Rlslp(const QStringList& elements, int parallel, const QStringList& faults,
                const QStringList& more = {}) {
  GatewayProcess gateway(QStringList{"--quiet"} + faults);
  return RunBatch(QStringList{"rlslp"} + Login(gateway) + NeOptions(elements) +
                      QStringList{"--parallel", QString::number(parallel), "--timeout", "40"} +
                      more,
                  Password());
}

TEST(ParallelRlslp, FourSessionsGiveTheReportOfOne) {
  for (const char* seed : {"1", "2"}) {
    const QStringList chunks = {"--chunk-max", "7", "--seed", seed};
    const RunResult one = Rlslp(kDemoBscs, 1, chunks);
    const RunResult four = Rlslp(kDemoBscs, 4, chunks);
    EXPECT_EQ(one.exit_code, 0) << one.err;
    EXPECT_EQ(four.exit_code, 0) << four.err;
    EXPECT_EQ(Lines(one.out, "Check: ").size(), 12u);
    EXPECT_EQ(four.out, one.out) << "seed " << seed;
    EXPECT_EQ(four.err, one.err);
  }
  // An element the gateway does not know fails alone, with one session as with four.
  QStringList with_unknown = kDemoBscs;
  with_unknown.insert(5, "BSC99");
  const RunResult one = Rlslp(with_unknown, 1, {"--chunk-max", "7"});
  const RunResult four = Rlslp(with_unknown, 4, {"--chunk-max", "7"});
  EXPECT_EQ(four.exit_code, 1);
  EXPECT_EQ(four.out, one.out);
  EXPECT_EQ(four.err, one.err);
  EXPECT_THAT(four.err, HasSubstr("recap: BSC99: not reached; ended early: NE BSC99 NOT DEFINED"));
  EXPECT_EQ(Lines(four.err, "recap: ").size(), 13u);
  EXPECT_EQ(Lines(four.out, "Finish check").size(), 12u);
}

TEST(ParallelRlslp, AGatewayAtItsLimitOfSessionsFailsBscsAndTheOthersGoOn) {
  const QStringList eight = kDemoBscs.mid(0, 8);
  const RunResult run = Rlslp(eight, 4, {"--max-sessions", "2"});
  EXPECT_EQ(run.exit_code, 1) << run.err;
  const auto recap = Lines(run.err, "recap: ");
  ASSERT_EQ(recap.size(), 8u) << run.err;
  for (std::size_t i = 0; i < recap.size(); ++i) {
    EXPECT_THAT(recap[i], StartsWith("recap: " + eight[static_cast<int>(i)].toStdString() + ": "));
    if (!recap[i].ends_with(": reached, done")) {
      EXPECT_THAT(recap[i], HasSubstr("TOO MANY SESSIONS"));
    }
  }
  // Every BSC had its turn, in list order.
  std::vector<std::string> checks;
  for (const QString& bsc : eight) checks.push_back("Check: " + bsc.toStdString());
  EXPECT_EQ(Lines(run.out, "Check: "), checks);
  // Usage: --parallel within what the runner allows.
  EXPECT_EQ(RunBatch({"rlslp", "--ne", "BSC9", "--parallel", "0"}).exit_code, 2);
  EXPECT_EQ(RunBatch({"rlslp", "--ne", "BSC9", "--parallel", "65"}).exit_code, 2);
}

}  // namespace
}  // namespace kestrel::testing
