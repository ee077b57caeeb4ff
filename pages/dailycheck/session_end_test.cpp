// A visit that ends at every step of its dialogue (the login, the alarm list, every entry of
// every solution queue) by the peer, the client, Stop and the watchdog: the report pane names
// what was in flight and exactly the objects that may still be blocked, the element's report
// file keeps the session once its queue had work, and after a Stop nothing runs again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mml/text.h"
#include "pages/dailycheck/dailycheck_test_fixture.h"
#include "tests/cut_points.h"

namespace kestrel::dailycheck::testing {
namespace {

using kestrel::testing::Ending;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kRelease = "\x04";
constexpr std::size_t kLoginSteps = 4, kQueueStart = kLoginSteps + 1;  // then the alarm list

// One step of a visit: what is in flight, its answer, and what may be blocked meanwhile.
struct Step {
  std::string sent, answer;
  std::vector<std::string> blocked = {};
};

// The whole dialogue of a case of dailycheck-queues.txt: the prompts of the login, the alarm
// list, then the queue as the exchange answers it.
std::vector<Step> Dialogue(const DataCase& solution) {
  std::vector<Step> steps;
  const char* sent[kLoginSteps] = {"", "ops1", "pw", "NE=BSC9"};
  for (std::size_t k = 0; k < kLoginSteps; ++k) steps.push_back({sent[k], PageBench::Login()[k]});
  steps.push_back({"ALLIP;", AlarmList(solution.Text("alarms"))});
  for (const std::string& entry : solution.Lines("queue")) {
    const auto field = pages::testing::Split(entry, "|");
    const std::string &entry_sent = field.at(0), &answer = field.at(1);
    steps.push_back({entry_sent,
                     answer == "asks"       ? entry_sent + "\r\n\r\n<"
                     : answer == "executes" ? entry_sent + "\r\nEXECUTED\r\n\r\n<"
                     : answer == "release"  ? "\r\n<"
                                            : answer,
                     field.at(2).empty() ? std::vector<std::string>{} : std::vector{field[2]}});
  }
  return steps;
}

std::unique_ptr<PageBench> StartVisit(const DataCase& solution) {
  auto bench = std::make_unique<PageBench>();
  bench->Box(solution.Lines("box").at(0)).SetChecked(true);
  bench->page.ListBoxdc.Add("BSC9");
  bench->page.StartdcClick();
  return bench;
}

// Step `step` is in flight (for a Ctrl-D also its release pause runs out, with
// one empty line), then its answer comes.
void Play(PageBench& bench, const Step& step, bool answer = true) {
  EXPECT_EQ(bench.NewlySent(),
            step.sent.empty() ? std::vector<std::string>{} : std::vector{step.sent});
  if (step.sent == kRelease) {
    bench.clock.Advance(3000);
    EXPECT_THAT(bench.NewlySent(), ElementsAre(""));
  }
  if (answer) bench.telnet.Receive(step.answer);
}

TEST(SessionEnd, AtEveryStepTheNoteNamesWhatWasInFlightAndExactlyWhatMayStillBeBlocked) {
  for (const DataCase& solution : DataCases("dailycheck-queues.txt")) {
    SCOPED_TRACE(solution.name);
    const std::vector<Step> dialogue = Dialogue(solution);
    kestrel::testing::CutTable<PageBench> table;
    table.steps = dialogue.size();
    table.endings = {Ending::kPeer, Ending::kClient, Ending::kStop, Ending::kSilence};
    table.start = [&] { return StartVisit(solution); };
    table.telnet = [](PageBench& bench) -> kestrel::testing::FakeTelnetClient& {
      return bench.telnet;
    };
    table.step = [&](PageBench& bench, std::size_t k) { Play(bench, dialogue[k]); };
    table.half = [&](PageBench& bench, std::size_t k) {
      Play(bench, dialogue[k], false);
      return dialogue[k].sent == kRelease ||
             kestrel::testing::HalfOf(bench.telnet, dialogue[k].answer);
    };
    table.stop = [](PageBench& bench) { bench.page.StopdcClick(); };
    // Until the watchdog ends the session: at its first tick or its second.
    table.silence = [](PageBench& bench) {
      for (int tick = 0; tick < 2 && bench.Connects() == 1; ++tick) bench.clock.Advance(30000);
    };
    table.expect = [&](PageBench& bench, const kestrel::testing::Cut& cut) {
      const Step& step = dialogue[cut.step];
      const bool queue = cut.step >= kQueueStart;
      const std::string why =
          (cut.ending == Ending::kStop      ? "stopped"
           : cut.ending == Ending::kSilence ? "silent, ended by the watchdog"
                                            : cut.Lost()) +
          (cut.step < kLoginSteps
               ? " during the login"
               : " while " + (step.sent == kRelease ? "Ctrl-D" : step.sent) + " was in flight");
      const std::string blocked = step.blocked.empty()
                                      ? "nothing blocked"
                                      : "may still be blocked: " + mml::Joined(step.blocked, " ");
      const std::string note = "BSC9: " + why + (queue ? "; " + blocked : "");
      const auto lines = bench.page.Memoreportdc.Lines();
      EXPECT_EQ(std::count(lines.begin(), lines.end(), note + " 14:07:30"), 1) << note;
      EXPECT_THAT(bench.telnet.notes, ::testing::Contains(note));
      const pages::ElementOutcome* outcome = bench.page.Outcomes.Find("BSC9");
      ASSERT_NE(outcome, nullptr);
      EXPECT_EQ(outcome->maybe_blocked, step.blocked);
      EXPECT_EQ(outcome->ended_early, why);
      EXPECT_EQ(outcome->finished, 0);
      if (!queue) {
        EXPECT_THAT(bench.files.written, IsEmpty());
      } else {
        ASSERT_EQ(bench.files.written.size(), 1u);
        const auto& [path, text] = *bench.files.written.begin();
        EXPECT_EQ(path, Native("/share/Kestreldailycheck/BSC9_Create_05122026_140730.txt"));
        EXPECT_THAT(text, HasSubstr("ALARM LIST\r\n"));
        EXPECT_THAT(text, HasSubstr(dialogue[cut.step - 1].answer));
      }
      if (cut.ending == Ending::kStop) return bench.ExpectStoppedForGood();
      // Else the loop goes on: the watchdog opens the next session.
      if (cut.ending != Ending::kSilence) bench.clock.Advance(30000);
      EXPECT_EQ(bench.Connects(), 2);
    };
    kestrel::testing::ForEveryCut(table);
  }
}

TEST(SessionEnd, AQueueRunToItsEndSaysWhatItLeftBlocked) {
  for (const DataCase& solution : DataCases("dailycheck-queues.txt")) {
    SCOPED_TRACE(solution.name);
    const auto bench = StartVisit(solution);
    for (const Step& step : Dialogue(solution)) Play(*bench, step);
    EXPECT_EQ(bench->page.Memoreportdc.Lines(), solution.Lines("report"));
    EXPECT_EQ(bench->files.written.size(), 1u);
    EXPECT_EQ(bench->Connects(), 2);  // on to the next visit
    const pages::ElementOutcome* outcome = bench->page.Outcomes.Find("BSC9");
    EXPECT_EQ(outcome->finished, 1);
    EXPECT_EQ(outcome->ended_early, "");
    EXPECT_EQ(outcome->maybe_blocked, solution.Lines("left blocked"));
    EXPECT_EQ(outcome->problems, solution.Lines("problems"));
  }
}

// Each row of "block orders" in readings.txt.
TEST(BlockOrders, ReadFromTheEntriesAsSent) {
  for (const auto& row : pages::testing::Rows("readings.txt", "block orders")) {
    const auto order = ReadBlockOrder(row.at(0));
    EXPECT_EQ(order ? (order->blocks ? "+" : "-") + order->object : "", row.at(1)) << row[0];
  }
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
