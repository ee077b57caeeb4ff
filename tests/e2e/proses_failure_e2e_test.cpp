// The Proses page end to end when a BSC does not run to its end: deblocks refused, the session
// dropped at many points of both procedures, the exchange gone silent, the runner's time-out.
// The note and the recap name every object that may still be blocked, and the simulator's
// record of what it carried out is held against them: nothing it holds out of traffic goes
// unnamed, and nothing is named that it does not hold, but for the order in flight.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSubsetOf;
using ::testing::Not;

constexpr std::string_view kRunStopped =
    ". The run is stopped; the BSC stays at the head of the queue.";

// One run of the procedure over BSC9 (and more) against a simulator of its own.
class ProsesRun {
 public:
  ProsesRun(const QString& procedure, const QStringList& faults, const QStringList& more = {},
            const std::string& mute_after = {})
      : gateway_(QStringList{"--scenario", DataFile("proses-network.json"), "--transcript-dir",
                             transcripts_.path()} +
                 faults) {
    QString address = gateway_.QAddress();
    if (!mute_after.empty()) {
      proxy_ = std::make_unique<MutingProxy>(gateway_.Port(), mute_after);
      address = proxy_->Address();
    }
    batch_ = std::make_unique<BatchProcess>(
        QStringList{"proses", "--gateway", address, "--user", "kestrel", "--ne", "BSC9",
                    "--procedure", procedure, "--release-ms", "20", "--wait-ms", "100"} +
            more,
        DemoPassword());
  }
  RunResult Wait() { return batch_->Wait(); }
  std::set<std::string> LeftOutOfTraffic() const {
    return testing::LeftOutOfTraffic(TranscriptEvents(transcripts_.path()));
  }

 private:
  QTemporaryDir transcripts_;
  GatewayProcess gateway_;
  std::unique_ptr<MutingProxy> proxy_;
  std::unique_ptr<BatchProcess> batch_;
};

std::vector<std::string> Notes(const std::string& out) {
  std::vector<std::string> notes;
  for (const std::string& line : Lines(out)) {
    if (line.starts_with("*** ")) notes.push_back(line.substr(4));
  }
  return notes;
}

// The object an order names: "RXBLI:MO=RXOTS-12-0-1,FORCE;" -> "RXOTS-12-0-1".
std::string ObjectOf(const std::string& command) {
  const std::size_t at = command.find("MO=");
  if (at == std::string::npos) return {};
  return command.substr(at + 3, command.find_first_of(",;", at) - at - 3);
}

TEST(ProsesFailures, ARefusedDeblockLeavesItsObjectNamedAndTheRunUnclean) {
  struct Case {
    const char* fault;
    const char* text;
    std::set<std::string> left;
    std::string refusal;
  };
  const Case cases[] = {
      {"--refuse",
       "RXBLE",
       {"RXOTS-12-0-1", "RXOTS-12-0-2", "RXOTRX-12-1", "RXOTX-13-0"},
       "BSC9: RXBLE:MO=RXOTS-12-0-1; refused: NOT ACCEPTED, FAULT CODE 1, UNREASONABLE VALUE"},
      {"--refuse-confirmation",
       "RXBLE:MO=RXOTRX",
       {"RXOTRX-12-1"},
       "BSC9: RXBLE:MO=RXOTRX-12-1; refused: NOT ACCEPTED, FAULT CODE 31, FUNCTION NOT "
       "PERFORMED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fault) + " " + c.text);
    ProsesRun run("rxlti", {c.fault, c.text}, {"--timeout", "30"});
    const RunResult result = run.Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_EQ(run.LeftOutOfTraffic(), c.left);
    EXPECT_THAT(Notes(result.out), ::testing::Contains(c.refusal));
    EXPECT_EQ(NamedAfter(result.out, "May still be blocked on BSC9: "), c.left);
    const auto recap = RecapLines(result.err);
    ASSERT_EQ(recap.size(), 1u);
    EXPECT_THAT(recap[0], ::testing::StartsWith("BSC9: reached; " + c.refusal));
    EXPECT_EQ(NamedAfter(recap[0], "may still be blocked: "), c.left);
  }
}

// The runner's message box is the last line of the log: after a run that went wrong it must
// not read as the plain end of a clean run.
TEST(ProsesFailures, NoBareFinishAfterARunThatWentWrong) {
  ProsesRun run("rxlti", {"--refuse", "RXBLE"}, {"--timeout", "30"});
  const RunResult result = run.Wait();
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_THAT(Lines(result.out), Not(::testing::Contains("Proses finish")));
}

struct Cut {
  const char* procedure;
  const char* drop_after;  // the start of the line the gateway drops the session on
  std::string where;       // what the note says was going on
};

// The session ends at many points of both procedures; every note is held against the
// simulator's record.
TEST(ProsesFailures, DroppedAtManyPointsTheNoteNamesWhatTheExchangeHolds) {
  auto in_flight = [](const std::string& command) {
    return " while " + command + " was in flight";
  };
  const std::vector<Cut> cuts = {
      {"rxlti", "RXASP", in_flight("RXASP:MOTY=RXOTG;")},
      {"rxlti", ";", in_flight("RXBLI:MO=RXOTS-12-0-1,FORCE;")},
      {"rxlti", "RXBLI:MO=RXOTS-12-0-2", in_flight("RXBLI:MO=RXOTS-12-0-2,FORCE;")},
      {"rxlti", "RXESE", in_flight("RXESE:MO=RXOTS-12-0-1;")},
      {"rxlti", "RXLTI:MO=RXOTS-12-0-2", in_flight("RXLTI:MO=RXOTS-12-0-2;")},
      {"rxlti", "RXESI", in_flight("RXESI:MO=RXOTS-12-0-1;")},
      {"rxlti", "RXBLE:MO=RXOTS-12-0-2", in_flight("RXBLE:MO=RXOTS-12-0-2;")},
      {"rxlti", "\x04", " during a release pause"},
      {"rxlti", "RXBLI:MO=RXOTRX", in_flight("RXBLI:MO=RXOTRX-12-1,FORCE;")},
      {"rxlti", "RXBLE:MO=RXOTX", in_flight("RXBLE:MO=RXOTX-13-0;")},
      {"rxtei", "ALLIP", in_flight("ALLIP:ALCAT=KESINTI;")},
      {"rxtei", "RXMFP", in_flight("RXMFP:MO=RXOTG-12,SUBORD,FAULTY;")},
      {"rxtei", "RXBLI:MO=RXOTRX", in_flight("RXBLI:MO=RXOTRX-12-1,FORCE;")},
      {"rxtei", "RXESI", in_flight("RXESI:MO=RXOTRX-12-1;")},
      {"rxtei", "RXTEI:MO=RXOTS-12-0-2", in_flight("RXTEI:MO=RXOTS-12-0-2;")},
      {"rxtei", "RXBLE:MO=RXOTS-12-0-1", in_flight("RXBLE:MO=RXOTS-12-0-1;")},
      {"rxtei", "RXBLE:MO=RXORX", in_flight("RXBLE:MO=RXORX-13-0;")},
  };
  // Side by side: each run is short, and each has a simulator of its own.
  std::vector<std::unique_ptr<ProsesRun>> runs;
  for (const Cut& cut : cuts) {
    runs.push_back(std::make_unique<ProsesRun>(cut.procedure,
                                               QStringList{"--drop-after-command", cut.drop_after},
                                               QStringList{"--timeout", "30"}));
  }
  for (std::size_t i = 0; i < cuts.size(); ++i) {
    const Cut& cut = cuts[i];
    SCOPED_TRACE(std::string(cut.procedure) + ", dropped at " + cut.drop_after);
    const RunResult result = runs[i]->Wait();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    const auto notes = Notes(result.out);
    ASSERT_EQ(notes.size(), 1u) << result.out;
    const std::string& note = notes[0];
    EXPECT_THAT(note, ::testing::StartsWith("Connection to BSC9 lost" + cut.where));
    EXPECT_TRUE(note.ends_with(kRunStopped)) << note;

    const std::set<std::string> named = NamedAfter(note, "May still be blocked: ");
    const std::set<std::string> left = runs[i]->LeftOutOfTraffic();
    EXPECT_THAT(left, IsSubsetOf(named)) << note;
    std::set<std::string> may_be = left;
    const std::size_t command = cut.where.find(':');
    if (command != std::string::npos) may_be.insert(ObjectOf(cut.where));
    EXPECT_THAT(named, IsSubsetOf(may_be)) << note;

    const auto recap = RecapLines(result.err);
    ASSERT_EQ(recap.size(), 1u);
    EXPECT_THAT(recap[0],
                ::testing::StartsWith("BSC9: reached; ended early: connection lost" + cut.where));
    EXPECT_EQ(NamedAfter(recap[0], "may still be blocked: "), named);
    EXPECT_THAT(result.err, HasSubstr("1 BSC(s) not finished, from BSC9"));
  }
}

// The time-out falls into the wait after the timeslots were blocked.
TEST(ProsesFailures, TheTimeOutInTheMiddleOfARunNamesWhatMayStillBeBlocked) {
  ProsesRun run("rxlti", {}, {"--wait-ms", "6000", "--timeout", "2"});
  const RunResult result = run.Wait();
  EXPECT_EQ(result.exit_code, 3) << result.err;
  EXPECT_LT(result.elapsed_ms, 8000);
  EXPECT_THAT(Notes(result.out),
              ElementsAre("Session with BSC9 stopped during the 30-second wait. May still be "
                          "blocked: RXOTS-12-0-1 RXOTS-12-0-2" +
                          std::string(kRunStopped)));
  EXPECT_THAT(RecapLines(result.err),
              ElementsAre("BSC9: reached; ended early: stopped during the 30-second wait; may "
                          "still be blocked: RXOTS-12-0-1 RXOTS-12-0-2"));
  EXPECT_THAT(result.err, HasSubstr("stopped after 2 s without an end"));
  EXPECT_EQ(run.LeftOutOfTraffic(), (std::set<std::string>{"RXOTS-12-0-1", "RXOTS-12-0-2"}));
}

// The exchange falls silent after a deblock was typed: the site's watchdog ends the session.
TEST(ProsesFailures, TheWatchdogEndsASilentSessionAndNamesWhatMayStillBeBlocked) {
  QTemporaryDir folder;
  const QString settings = folder.filePath("site.ini");
  WriteFile(settings, "[proses]\nwatchdog_s=1\n");
  ProsesRun run("rxlti", {}, {"--settings", settings, "--timeout", "20"}, "RXBLE:MO=RXOTRX");
  const RunResult result = run.Wait();
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_LT(result.elapsed_ms, 10000);
  EXPECT_THAT(Notes(result.out),
              ElementsAre("Connection to BSC9 lost (no answer for 1 s) while "
                          "RXBLE:MO=RXOTRX-12-1; was in flight. May still be blocked: "
                          "RXOTRX-12-1" +
                          std::string(kRunStopped)));
  EXPECT_EQ(run.LeftOutOfTraffic(), std::set<std::string>{"RXOTRX-12-1"});
}

}  // namespace
}  // namespace kestrel::testing
