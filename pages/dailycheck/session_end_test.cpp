// A visit that ends in the middle of its solution queue, at every step of every queue, by the
// peer, by Stop and by the watchdog: the report pane names what was in flight and exactly the
// objects that may still be blocked, and the element's report file keeps the session.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"
#include "tests/cut_points.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kRelease = "\x04";
const std::vector<std::string> kNone;
const std::vector<std::string> kObject = {"RXOCF-12"};
const std::vector<std::string> kPath = {"SDIP=RSDIP12,LP=VC12-1"};

// One entry of a queue as the exchange meets it, and what may be blocked while it is in flight.
struct Step {
  std::string sent;
  std::string answer;
  std::vector<std::string> blocked;
};

// An order the exchange asks to have confirmed with ";".
Step Asks(const std::string& command, const std::vector<std::string>& blocked = kNone) {
  return {command, command + "\r\n\r\n<", blocked};
}
Step Executes(const std::string& command, const std::vector<std::string>& blocked = kNone) {
  return {command, command + "\r\nEXECUTED\r\n\r\n<", blocked};
}
Step Printout(const std::string& command, const std::string& printout) {
  return {command, command + "\r\n" + printout + "<", kNone};
}
Step Release(const std::vector<std::string>& blocked = kNone) {
  return {kRelease, "\r\n<", blocked};
}

struct Solution {
  std::string name;
  controls::CheckBox DailyCheckPage::*box;
  std::string alarms;
  std::vector<Step> steps;
  std::string done_line;  // what the report pane says after the whole queue ran
  std::vector<std::string> left_blocked;
};

std::vector<Solution> Solutions() {
  const std::string rxbli = "RXBLI:MO=RXOCF-12  ;", rxble = "RXBLE:MO=RXOCF-12  ;";
  const std::string tpbli = "TPBLI:SDIP=RSDIP12,LP=VC12-1 ;";
  const std::string tpble = "TPBLE:SDIP=RSDIP12,LP=VC12-1 ;";
  return {
      {"PERMANENT",
       &DailyCheckPage::PermanentCheckBox,
       Alarm("RXOCF-12   PERMANENT FAULT"),
       {Asks(rxbli, kObject), Executes(";", kObject), Release(kObject), Asks(rxble, kObject),
        Executes(";", kObject), Release()},
       "",
       {}},
      // The path is blocked, deblocked and blocked again: the visit ends with it blocked.
      {"NEAR END",
       &DailyCheckPage::NearendCheckBox,
       Alarm("NEAR END", "SDIP    LAYER   STATE\r\nRSDIP12 VC12-1  UNAV"),
       {Asks(tpbli, kPath), Executes(";", kPath), Release(kPath), Executes(tpble, kPath), Release(),
        Asks(tpbli, kPath), Executes(";", kPath), Release(kPath)},
       "BSC9: queue done; may still be blocked: SDIP=RSDIP12,LP=VC12-1 14:07:30",
       kPath},
      {"SAE",
       &DailyCheckPage::SaeCheckBox,
       Alarm("SIZE ALTERATION OF DATA FILES SIZE"),
       {Printout("DBTSP:TAB=SAACTIONS;", "SAACTIONS\r\n\r\nEND\r\n\r\n"), Asks("SAALI;"),
        Executes(";"), Release()},
       "",
       {}},
      {"SOFTERROR",
       &DailyCheckPage::SoftErrorCheckBox,
       Alarm("APPLICATION DETECTED SOFTWARE ERROR"),
       {Printout("SYRIP:SURVEY;",
                 "\r\nEVENT CODE  TYPE\r\nH'2F1A      SOFTWARE ERROR\r\n\r\nEND\r\n\r\n"),
        Release(), Asks("SYRAE:EVENT=H'2F1A;"), Executes(";"), Release()},
       "",
       {}},
  };
}

using kestrel::testing::Ending;

std::unique_ptr<PageBench> StartVisit(const Solution& solution) {
  auto bench = std::make_unique<PageBench>();
  (bench->page.*solution.box).SetChecked(true);
  bench->Start({"BSC9"});
  EXPECT_THAT(bench->NewlySent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;"));
  bench->telnet.Receive(AlarmList(solution.alarms));
  return bench;
}

// Entry `k` goes out, its release pause (for a Ctrl-D) runs out, and its answer comes.
void PlayEntry(PageBench& bench, const Solution& solution, std::size_t k, bool answer = true) {
  const Step& step = solution.steps[k];
  EXPECT_THAT(bench.NewlySent(), ElementsAre(step.sent)) << "entry " << k;
  if (step.sent == kRelease) {
    bench.clock.Advance(3000);
    EXPECT_THAT(bench.NewlySent(), ElementsAre(""));
  }
  if (answer) bench.telnet.Receive(step.answer);
}

std::string Joined(const std::vector<std::string>& objects) {
  std::string text;
  for (const auto& object : objects) text += (text.empty() ? "" : " ") + object;
  return text;
}

// The visit ends with entry n sent and its answer not yet come, for a Ctrl-D also after its
// pause, by the peer, the client, Stop and the watchdog.
TEST(SessionEnd, AtEveryStepOfEveryQueueTheNoteNamesExactlyWhatMayStillBeBlocked) {
  for (const Solution& solution : Solutions()) {
    SCOPED_TRACE(solution.name);
    kestrel::testing::ForEveryCut<PageBench>({
        .steps = solution.steps.size(),
        .endings = {Ending::kPeer, Ending::kClient, Ending::kStop, Ending::kSilence},
        .start = [&] {
      return StartVisit(solution); },
        .telnet = [](PageBench& bench) -> auto& { return bench.telnet;
  }
  , .step = [&](PageBench& bench, std::size_t k) { PlayEntry(bench, solution, k); },
    .half =
        [&](PageBench& bench, std::size_t k) {
          if (solution.steps[k].sent != kRelease) return false;
          PlayEntry(bench, solution, k, false);
          return true;
        },
    .stop = [](PageBench& bench) { bench.page.StopdcClick(); },
    .silence = [](PageBench& bench) { bench.clock.Advance(60000); },
    .expect = [&](PageBench& bench, const kestrel::testing::Cut& cut) {
      const Step& step = solution.steps[cut.step];
      const std::string ended = cut.ending == Ending::kStop      ? "stopped"
                                : cut.ending == Ending::kSilence ? "silent, ended by the watchdog"
                                                                 : cut.Lost();
      const std::string why =
          ended + " while " + (step.sent == kRelease ? "Ctrl-D" : step.sent) + " was in flight";
      const std::string blocked = step.blocked.empty()
                                      ? "nothing blocked"
                                      : "may still be blocked: " + Joined(step.blocked);
      std::vector<std::string> notes;
      for (const auto& line : bench.page.Memoreportdc.Lines()) {
        if (line.find("in flight") != std::string::npos) notes.push_back(line);
      }
      EXPECT_THAT(notes, ElementsAre("BSC9: " + why + "; " + blocked + " 14:07:30"));
      EXPECT_THAT(bench.telnet.notes, ::testing::Contains("BSC9: " + why + "; " + blocked));

      ASSERT_EQ(bench.files.written.size(), 1u);
      const auto& [path, text] = *bench.files.written.begin();
      EXPECT_EQ(path, Native("/share/Kestreldailycheck/BSC9_Create_05122026_140730.txt"));
      EXPECT_THAT(text, HasSubstr("ALARM LIST\r\n"));
      if (cut.step > 0) {
        EXPECT_THAT(text, HasSubstr(solution.steps[cut.step - 1].answer));
      }

      const pages::ElementOutcome* outcome = bench.page.Outcomes.Find("BSC9");
      ASSERT_NE(outcome, nullptr);
      EXPECT_EQ(outcome->maybe_blocked, step.blocked);
      EXPECT_EQ(outcome->ended_early, why);
      EXPECT_EQ(outcome->finished, 0);
    },
});
}  // namespace
}  // namespace kestrel::dailycheck::testing

TEST(SessionEnd, AQueueRunToItsEndSaysWhatItLeftBlocked) {
  for (const Solution& solution : Solutions()) {
    SCOPED_TRACE(solution.name);
    const auto bench = StartVisit(solution);
    for (std::size_t k = 0; k < solution.steps.size(); ++k) PlayEntry(*bench, solution, k);
    const auto report = bench->page.Memoreportdc.Lines();
    if (solution.done_line.empty()) {
      for (const auto& line : report) EXPECT_THAT(line, ::testing::Not(HasSubstr("blocked")));
    } else {
      EXPECT_EQ(report.back(), solution.done_line);
    }
    EXPECT_EQ(bench->files.written.size(), 1u);
    EXPECT_EQ(bench->Connects(), 2);  // on to the next visit
    const pages::ElementOutcome* outcome = bench->page.Outcomes.Find("BSC9");
    EXPECT_EQ(outcome->finished, 1);
    EXPECT_EQ(outcome->ended_early, "");
    EXPECT_EQ(outcome->maybe_blocked, solution.left_blocked);
  }
}

TEST(SessionEnd, WithoutQueueWorkTheEndIsOneLineAndNoFileIsWritten) {
  const std::pair<std::function<void(PageBench&)>, std::string> endings[] = {
      {[](PageBench& b) { b.telnet.PeerCloses(); }, "connection lost"},
      {[](PageBench& b) { b.page.StopdcClick(); }, "stopped"},
      {[](PageBench& b) { b.clock.Advance(60000); }, "silent, ended by the watchdog"}};
  for (const auto& [end, words] : endings) {
    PageBench bench;
    bench.Start({"BSC9"});
    bench.telnet.Receive("ALLIP;\r\n\r\nALARM LIST\r\n");
    end(bench);
    const std::string why = words + " while ALLIP; was in flight";
    EXPECT_THAT(bench.page.Memoreportdc.Lines(), ElementsAre("BSC9: " + why + " 14:07:30"));
    EXPECT_THAT(bench.files.written, IsEmpty());
    EXPECT_EQ(bench.page.Outcomes.Find("BSC9")->ended_early, why);
  }
}

struct Deblocking : PageBench {
  Deblocking() { page.PermanentCheckBox.SetChecked(true); }
  // Runs the permanent fault queue with `rxble` and `confirm` as the answers to the deblock
  // and to its ";".
  void Run(const std::string& rxble, const std::string& confirm) {
    Start({"BSC9"});
    telnet.Receive(AlarmList(Alarm("RXOCF-12   PERMANENT FAULT")));
    telnet.Receive("RXBLI:MO=RXOCF-12  ;\r\n\r\n<");
    telnet.Receive(";\r\nEXECUTED\r\n\r\n<");
    clock.Advance(3000);
    telnet.Receive("\r\n<");
    telnet.Receive("RXBLE:MO=RXOCF-12  ;\r\n" + rxble + "<");
    telnet.Receive(";\r\n" + confirm + "<");
    clock.Advance(3000);
    telnet.Receive("\r\n<");
    EXPECT_EQ(Connects(), 2);  // the queue ran to its end all the same
  }
};
class DeblockingTest : public ::testing::Test, public Deblocking {};

// The deblock and its ";" answered in every way: only an EXECUTED to the confirmation takes
// the object off the list.
TEST(Deblocking, OnlyAnExecutedConfirmationTakesTheObjectOffTheList) {
  const std::string refusal =
      "BSC9: RXBLE:MO=RXOCF-12  ; refused: NOT ACCEPTED, FAULT CODE 31, MANAGED OBJECT NOT BLOCKED";
  const struct {
    std::string rxble, confirm, problem;  // "" for no problem
  } rows[] = {
      {"\r\n", "EXECUTED\r\n\r\n", ""},
      {"\r\n", "ORDERED\r\n\r\n",
       "BSC9: RXBLE:MO=RXOCF-12  ; not confirmed: no EXECUTED in its answer"},
      {"NOT ACCEPTED\r\nFAULT CODE 31\r\nMANAGED OBJECT NOT BLOCKED\r\n\r\n", "\r\n", refusal},
      {"\r\n", "FUNCTION BUSY\r\n\r\n",
       "BSC9: ; after RXBLE:MO=RXOCF-12  ; refused: FUNCTION BUSY"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rxble + row.confirm);
    Deblocking bench;
    bench.Run(row.rxble, row.confirm);
    const pages::ElementOutcome* outcome = bench.page.Outcomes.Find("BSC9");
    EXPECT_EQ(outcome->finished, 1);
    if (row.problem.empty()) {
      EXPECT_THAT(outcome->maybe_blocked, IsEmpty());
      EXPECT_THAT(outcome->problems, IsEmpty());
      continue;
    }
    EXPECT_THAT(bench.page.Memoreportdc.Lines(),
                ElementsAre("BSC9: Permanent: MO=RXOCF-12    14:07:30", row.problem + " 14:07:30",
                            "BSC9: queue done; may still be blocked: RXOCF-12 14:07:30"));
    EXPECT_THAT(outcome->maybe_blocked, ElementsAre("RXOCF-12"));
    EXPECT_THAT(outcome->problems, ElementsAre(row.problem));
  }
}

TEST_F(DeblockingTest, APathDeblockWithoutExecutedIsNotConfirmed) {
  Start({"BSC9"});
  telnet.Receive(AlarmList(Alarm("NEAR END", "SDIP    LAYER   STATE\r\nRSDIP12 VC12-1  UNAV")));
  const std::string path = "SDIP=RSDIP12,LP=VC12-1 ;";
  telnet.Receive("TPBLI:" + path + "\r\n\r\n<");
  telnet.Receive(";\r\nEXECUTED\r\n\r\n<");
  clock.Advance(3000);
  telnet.Receive("\r\n<");
  telnet.Receive("TPBLE:" + path + "\r\n\r\n<");  // asks for a ";" that the queue does not hold
  EXPECT_EQ(page.Memoreportdc.Lines().back(),
            "BSC9: TPBLE:" + path + " not confirmed: no EXECUTED in its answer 14:07:30");
  telnet.PeerCloses();  // in the release pause after the deblock
  EXPECT_EQ(page.Memoreportdc.Lines().back(),
            "BSC9: connection lost while Ctrl-D was in flight; may still be blocked: "
            "SDIP=RSDIP12,LP=VC12-1 14:07:30");
}

TEST(BlockOrders, ReadFromTheEntriesAsSent) {
  EXPECT_EQ(ReadBlockOrder("RXBLI:MO=RXOCF-12  ;")->object, "RXOCF-12");
  EXPECT_TRUE(ReadBlockOrder("RXBLI:MO=RXOCF-12  ;")->blocks);
  EXPECT_FALSE(ReadBlockOrder("rxble:mo=rxotrx-12-1,FORCE;")->blocks);
  EXPECT_EQ(ReadBlockOrder("rxble:mo=rxotrx-12-1,FORCE;")->object, "RXOTRX-12-1");
  EXPECT_EQ(ReadBlockOrder("TPBLE:SDIP=SDIP7  ,LP=VC4;")->object, "SDIP=SDIP7,LP=VC4");
  EXPECT_FALSE(ReadBlockOrder("SETAR;"));
  EXPECT_FALSE(ReadBlockOrder(";"));
  EXPECT_FALSE(ReadBlockOrder("\x04"));
  EXPECT_FALSE(ReadBlockOrder("RXBLI:;"));
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
