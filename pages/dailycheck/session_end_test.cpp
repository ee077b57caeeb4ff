// A visit that ends in the middle of its solution queue, at every step of every queue, by the
// peer, by Stop and by the watchdog: the report pane names what was in flight and exactly the
// objects that may still be blocked, and the element's report file keeps the session.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

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

// Plays the visit until entry `cut` is in flight: sent, its answer not yet come. For a Ctrl-D
// entry `after_pause` says whether the empty line that ends the pause went out too. A cut
// past the last entry plays the whole queue.
void PlayUntil(PageBench& bench, const Solution& solution, std::size_t cut, bool after_pause) {
  (bench.page.*solution.box).SetChecked(true);
  bench.Start({"BSC9"});
  EXPECT_THAT(bench.NewlySent(), ElementsAre("ops1", "pw", "NE=BSC9", "ALLIP;"));
  bench.telnet.Receive(AlarmList(solution.alarms));
  for (std::size_t k = 0; k < solution.steps.size(); ++k) {
    const Step& step = solution.steps[k];
    EXPECT_THAT(bench.NewlySent(), ElementsAre(step.sent)) << "entry " << k;
    if (step.sent == kRelease && (k < cut || after_pause)) {
      bench.clock.Advance(3000);
      EXPECT_THAT(bench.NewlySent(), ElementsAre(""));
    }
    if (k == cut) return;
    bench.telnet.Receive(step.answer);
  }
}

enum class Ending { kPeer, kStop, kWatchdog };

std::string Why(Ending ending) {
  switch (ending) {
    case Ending::kPeer:
      return "connection lost";
    case Ending::kStop:
      return "stopped";
    case Ending::kWatchdog:
      return "silent, ended by the watchdog";
  }
  return {};
}

void End(PageBench& bench, Ending ending) {
  switch (ending) {
    case Ending::kPeer:
      bench.telnet.PeerCloses();
      break;
    case Ending::kStop:
      bench.page.StopdcClick();
      break;
    case Ending::kWatchdog:
      bench.clock.Advance(60000);
      break;
  }
}

std::string Joined(const std::vector<std::string>& objects) {
  std::string text;
  for (const auto& object : objects) text += (text.empty() ? "" : " ") + object;
  return text;
}

TEST(SessionEnd, AtEveryStepOfEveryQueueTheNoteNamesExactlyWhatMayStillBeBlocked) {
  for (const Solution& solution : Solutions()) {
    for (std::size_t cut = 0; cut < solution.steps.size(); ++cut) {
      const Step& step = solution.steps[cut];
      for (const bool after_pause : {false, true}) {
        if (after_pause && step.sent != kRelease) continue;
        for (const Ending ending : {Ending::kPeer, Ending::kStop, Ending::kWatchdog}) {
          SCOPED_TRACE(solution.name + ", entry " + std::to_string(cut) +
                       (after_pause ? " after the pause" : "") + ", " + Why(ending));
          PageBench bench;
          PlayUntil(bench, solution, cut, after_pause);
          End(bench, ending);

          const std::string in_flight = step.sent == kRelease ? "Ctrl-D" : step.sent;
          const std::string why = Why(ending) + " while " + in_flight + " was in flight";
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
          if (cut > 0) {
            EXPECT_THAT(text, HasSubstr(solution.steps[cut - 1].answer));
          }

          const pages::ElementOutcome* outcome = bench.page.Outcomes.Find("BSC9");
          ASSERT_NE(outcome, nullptr);
          EXPECT_EQ(outcome->maybe_blocked, step.blocked);
          EXPECT_EQ(outcome->ended_early, why);
          EXPECT_EQ(outcome->finished, 0);
          EXPECT_FALSE(outcome->Clean());
        }
      }
    }
  }
}

TEST(SessionEnd, AQueueRunToItsEndSaysWhatItLeftBlocked) {
  for (const Solution& solution : Solutions()) {
    SCOPED_TRACE(solution.name);
    PageBench bench;
    PlayUntil(bench, solution, solution.steps.size(), true);
    const auto report = bench.page.Memoreportdc.Lines();
    if (solution.done_line.empty()) {
      for (const auto& line : report) EXPECT_THAT(line, ::testing::Not(HasSubstr("blocked")));
    } else {
      EXPECT_EQ(report.back(), solution.done_line);
    }
    EXPECT_EQ(bench.files.written.size(), 1u);
    EXPECT_EQ(bench.Connects(), 2);  // on to the next visit
    const pages::ElementOutcome* outcome = bench.page.Outcomes.Find("BSC9");
    EXPECT_EQ(outcome->finished, 1);
    EXPECT_EQ(outcome->ended_early, "");
    EXPECT_EQ(outcome->maybe_blocked, solution.left_blocked);
  }
}

TEST(SessionEnd, WithoutQueueWorkTheEndIsOneLineAndNoFileIsWritten) {
  for (const Ending ending : {Ending::kPeer, Ending::kStop, Ending::kWatchdog}) {
    SCOPED_TRACE(Why(ending));
    PageBench bench;
    bench.Start({"BSC9"});
    bench.telnet.Receive("ALLIP;\r\n\r\nALARM LIST\r\n");
    End(bench, ending);
    EXPECT_THAT(bench.page.Memoreportdc.Lines(),
                ElementsAre("BSC9: " + Why(ending) + " while ALLIP; was in flight 14:07:30"));
    EXPECT_THAT(bench.files.written, IsEmpty());
    EXPECT_EQ(bench.page.Outcomes.Find("BSC9")->ended_early,
              Why(ending) + " while ALLIP; was in flight");
  }
}

TEST(SessionEnd, TheClientsOwnReasonIsPartOfTheNote) {
  PageBench bench;
  PlayUntil(bench, Solutions()[0], 3, false);
  bench.telnet.ClientEnds("the peer sent a line longer than 1 MB");
  EXPECT_EQ(
      bench.page.Memoreportdc.Lines().back(),
      "BSC9: connection lost (the peer sent a line longer than 1 MB) while RXBLE:MO=RXOCF-12  "
      "; was in flight; may still be blocked: RXOCF-12 14:07:30");
}

class Deblocking : public DailyCheckTest {
 protected:
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

TEST_F(Deblocking, ConfirmedByTheAnswerToTheConfirmation) {
  Run("\r\n", "EXECUTED\r\n\r\n");
  const pages::ElementOutcome* outcome = page.Outcomes.Find("BSC9");
  EXPECT_THAT(outcome->maybe_blocked, IsEmpty());
  EXPECT_THAT(outcome->problems, IsEmpty());
  EXPECT_EQ(outcome->finished, 1);
}

TEST_F(Deblocking, AnAnswerWithoutExecutedLeavesTheObjectListed) {
  Run("\r\n", "ORDERED\r\n\r\n");
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC9: Permanent: MO=RXOCF-12    14:07:30",
                          "BSC9: RXBLE:MO=RXOCF-12  ; not confirmed: no EXECUTED in its answer "
                          "14:07:30",
                          "BSC9: queue done; may still be blocked: RXOCF-12 14:07:30"));
  EXPECT_THAT(page.Outcomes.Find("BSC9")->maybe_blocked, ElementsAre("RXOCF-12"));
}

TEST_F(Deblocking, ARefusalLeavesTheObjectListed) {
  Run("NOT ACCEPTED\r\nFAULT CODE 31\r\nMANAGED OBJECT NOT BLOCKED\r\n\r\n", "\r\n");
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre("BSC9: Permanent: MO=RXOCF-12    14:07:30",
                          "BSC9: RXBLE:MO=RXOCF-12  ; refused: NOT ACCEPTED, FAULT CODE 31, "
                          "MANAGED OBJECT NOT BLOCKED 14:07:30",
                          "BSC9: queue done; may still be blocked: RXOCF-12 14:07:30"));
  const pages::ElementOutcome* outcome = page.Outcomes.Find("BSC9");
  EXPECT_THAT(outcome->maybe_blocked, ElementsAre("RXOCF-12"));
  EXPECT_THAT(outcome->problems,
              ElementsAre("BSC9: RXBLE:MO=RXOCF-12  ; refused: NOT ACCEPTED, FAULT CODE 31, "
                          "MANAGED OBJECT NOT BLOCKED"));
}

TEST_F(Deblocking, ARefusedConfirmationIsNamedWithItsOrder) {
  Run("\r\n", "FUNCTION BUSY\r\n\r\n");
  EXPECT_THAT(
      page.Memoreportdc.Lines(),
      ::testing::Contains("BSC9: ; after RXBLE:MO=RXOCF-12  ; refused: FUNCTION BUSY 14:07:30"));
  EXPECT_THAT(page.Outcomes.Find("BSC9")->maybe_blocked, ElementsAre("RXOCF-12"));
}

TEST_F(Deblocking, APathDeblockWithoutExecutedIsNotConfirmed) {
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
