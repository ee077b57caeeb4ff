// Several sessions at once, end to end: rlslp and dailycheck with --parallel against the
// simulator give what one session gives (the report, the recap, the report files, the lines
// each element received), element by element in list order; an element that fails fails
// alone; a gateway at its limit of sessions fails elements and never holds the run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;

struct Lanes {
  std::string name;
  Job job;  // without --parallel and --gateway
  QStringList faults;
  int parallel;
  bool as_one;  // compared with the same run on one session
  int exit_code;
  int least_done;                        // recap lines "reached, done"
  std::vector<std::string> said;         // in standard output or error
  std::string otherwise = {};            // what every other recap line holds
  int files = 0;                         // report files, unless -1
  std::vector<std::string> absent = {};  // from every report file
};

// Times of day, dates and the numbers the simulator stamps its printouts with.
std::string Mask(const std::string& text) {
  QString masked = QString::fromStdString(MaskTimes(text));
  return masked.replace(QRegularExpression("\\d{4,}"), "#").toStdString();
}

struct Outcome {
  RunResult run;
  std::map<std::string, std::string> files;                            // name and text, masked
  std::map<std::string, std::vector<std::vector<std::string>>> typed;  // by element
};

Outcome RunLanes(const Lanes& lanes, int parallel) {
  QTemporaryDir transcripts, share;
  QDir(share.path()).mkdir("Kestreldailycheck");
  GatewayProcess gateway(lanes.job.network + lanes.faults +
                         QStringList{"--transcript-dir", transcripts.path()});
  Outcome outcome;
  QStringList arguments = lanes.job.With(gateway.QAddress()) +
                          QStringList{"--parallel", QString::number(parallel), "--timeout", "50"};
  if (lanes.job.command == "dailycheck") arguments << "--report-root" << share.path();
  outcome.run = RunBatch(arguments, DemoPassword());
  const QDir reports(share.filePath("Kestreldailycheck"));
  for (const QString& name : reports.entryList(QDir::Files, QDir::Name))
    outcome.files[Mask(name.toStdString())] = Mask(ReadWhole(reports.filePath(name)));
  for (const auto& events : TranscriptEvents(transcripts.path())) {
    const std::vector<std::string> typed = TypedLines(events);
    const auto element = std::find_if(typed.begin(), typed.end(), [](const std::string& line) {
      return line.starts_with("NE=");
    });
    outcome.typed[element == typed.end() ? "" : element->substr(3)].push_back(typed);
  }
  return outcome;
}

QStringList Ne(const QStringList& elements) {
  QStringList options;
  for (const QString& element : elements) options << "--ne" << element;
  return options;
}

std::vector<Lanes> Table() {
  // BSC40 to BSC51: every third with a seizure supervision alarm that SETAR clears, every
  // third with a seizure quality alarm that SEQAR clears, and an external alarm on each.
  QStringList twelve;
  for (int i = 40; i < 52; ++i) twelve << QString("BSC%1").arg(i);
  const QStringList network = {"--scenario", DataFile("../data/e2e/parallel-twelve.json")};
  const QStringList check = {"--no-sound", "--solution", "SEQAR", "--solution", "SETAR"};
  const auto daily = [&](const QStringList& elements, const QStringList& more = {}) {
    return Job{"dailycheck", network, Ne(elements) + check + more, ""};
  };
  QStringList with_unknown = twelve;
  with_unknown.insert(7, "BSC99");  // before BSC47 and its SEQAR
  const QStringList bscs = {"BSC9",  "ALTBSC1_X29,PROT=V24",
                            "BSC12", "BSC3",
                            "BSC10", "BSC11",
                            "BSC13", "BSC14",
                            "BSC15", "BSC16",
                            "BSC17", "BSC18"};
  QStringList bscs_unknown = bscs;
  bscs_unknown.insert(5, "BSC99");
  const Job rlslp = {"rlslp", {}, Ne(bscs), ""};
  const QStringList chunks = {"--chunk-max", "40"};
  const std::string too_many = "TOO MANY SESSIONS";
  const Job last_visit = {
      "dailycheck",
      {"--scenario", DataFile("dailycheck-blocking.json")},
      Ne({"BSC11", "BSC9"}) + QStringList{"--no-sound", "--solution", "PERMANENT", "--solution",
                                          "SETAR", "--watchdog", "86400"},
      ""};
  const QStringList watchdog = {"--watchdog", "1"};
  // clang-format off
  // name, job, faults, parallel, as one, exit status, least done, said, otherwise, files, absent
  return {
      {"dailycheck", daily(twelve), chunks + QStringList{"--seed", "1"}, 4, true, 0, 12, {}, {}, 8},
      {"dailycheck", daily(twelve), chunks + QStringList{"--seed", "2"}, 4, true, 0, 12, {}, {}, 8},
      // The elements after the two have solutions to run; nothing of the failed sessions goes
      // into their files.
      {"a silent and an unknown element", daily(with_unknown, watchdog),
       chunks + QStringList{"--silent-ne", "BSC45"}, 4, true, 1, 11,  // before BSC46
       {"recap: BSC45: not reached; ended early: silent",
        "recap: BSC99: not reached; ended early: NE BSC99 NOT DEFINED IN GATEWAY\n",
        "BSC99: refused: NE BSC99 NOT DEFINED IN GATEWAY"}, "", 8, {"BSC99", "NE=BSC45"}},
      {"daily check at the session limit", daily(twelve.mid(0, 8), watchdog),
       {"--max-sessions", "2"}, 4, false, 1, 2, {}, too_many, -1},
      // A last visit whose session was lost has nothing to go on to: the run ends now, not
      // when the page's watchdog would have moved on, which is beyond the run's time-out.
      {"a last visit that ended early", last_visit, {"--drop-after-command", "RXBLI"}, 2, true, 1,
       1,
       {"recap: BSC11: reached, done\n",
        "recap: BSC9: reached; ended early: connection lost while RXBLI:MO=RXOCF-12  ; was in "
        "flight; may still be blocked: RXOCF-12\n"}, "", 2},
      {"rlslp", rlslp, {"--chunk-max", "7", "--seed", "1"}, 4, true, 0, 12, {}},
      {"rlslp", rlslp, {"--chunk-max", "7", "--seed", "2"}, 4, true, 0, 12, {}},
      {"rlslp with an unknown element", {"rlslp", {}, Ne(bscs_unknown), ""}, {"--chunk-max", "7"},
       4, true, 1, 12, {"recap: BSC99: not reached; ended early: NE BSC99 NOT DEFINED"}},
      {"rlslp at the session limit", {"rlslp", {}, Ne(bscs.mid(0, 8)), ""}, {"--max-sessions", "2"},
       4, false, 1, 0, {}, too_many},
  };
  // clang-format on
}

TEST(Parallel, SessionsAtOnceGiveWhatOneGivesInListOrderAndFailAlone) {
  for (const Lanes& lanes : Table()) {
    SCOPED_TRACE(lanes.name + " " + lanes.faults.join(' ').toStdString());
    const Outcome many = RunLanes(lanes, lanes.parallel);
    const RunResult& run = many.run;
    EXPECT_EQ(run.exit_code, lanes.exit_code) << run.err;
    std::vector<std::string> elements;
    for (qsizetype i = 1; i < lanes.job.arguments.size(); i += 2)
      if (lanes.job.arguments[i - 1] == "--ne")
        elements.push_back(lanes.job.arguments[i].toStdString());
    // Every element had its turn, in list order, and its recap line.
    const std::vector<std::string> recap = RecapLines(run.err);
    ASSERT_EQ(recap.size(), elements.size()) << run.err;
    int done = 0;
    for (std::size_t i = 0; i < recap.size(); ++i) {
      EXPECT_TRUE(recap[i].starts_with(elements[i] + ": ")) << recap[i];
      if (recap[i].ends_with(": reached, done")) {
        ++done;
      } else if (!lanes.otherwise.empty()) {
        EXPECT_THAT(recap[i], HasSubstr(lanes.otherwise));
      }
    }
    EXPECT_GE(done, lanes.least_done);
    if (lanes.job.command == "rlslp") {
      std::vector<std::string> checks;
      for (const std::string& line : Lines(run.out))
        if (line.starts_with("Check: ")) checks.push_back(line.substr(7));
      EXPECT_EQ(checks, elements);
    }
    for (const std::string& said : lanes.said) EXPECT_THAT(run.out + run.err, HasSubstr(said));
    EXPECT_THAT(run.err, ::testing::Not(HasSubstr("never started")));
    EXPECT_THAT(run.err, ::testing::Not(HasSubstr("not done")));
    if (lanes.files >= 0) {
      EXPECT_EQ(many.files.size(), static_cast<std::size_t>(lanes.files));
    }
    for (const auto& [name, text] : many.files)
      for (const std::string& absent : lanes.absent)
        EXPECT_THAT(text, ::testing::Not(HasSubstr(absent))) << name;
    if (!lanes.as_one) continue;
    const Outcome one = RunLanes(lanes, 1);
    EXPECT_EQ(one.run.exit_code, run.exit_code);
    EXPECT_EQ(Mask(run.out), Mask(one.run.out));
    EXPECT_EQ(run.err, one.run.err);
    EXPECT_EQ(many.files, one.files);
    EXPECT_EQ(many.typed, one.typed);
  }
}

}  // namespace
}  // namespace kestrel::testing
