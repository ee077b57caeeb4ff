// What the relocation check does with what goes wrong: refused commands, printout values that
// may not go into an order, and a session that ends before the script.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "pages/relocation/relocation_test_fixture.h"
#include "tests/cut_points.h"

namespace kestrel::relocation::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> ReportLines(const RelocationPage& page, std::string_view containing) {
  std::vector<std::string> lines;
  for (const auto& line : page.DqonrepMemo.Lines()) {
    if (line.find(containing) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

TEST_F(RelocationTest, NeighbourNamesThatAreNotCellNamesAreNeitherSentNorScripted) {
  Network network = TwoMovedCells();
  network.neighbours["C09102A"] = {"C1;X", "C09201A", std::string("C0910\x1b") + "9", "RLDEL"};
  network.data["RLDEL"] = {"400-01-912-99", "99"};
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09102A");
  Check(network);
  EXPECT_THAT(Commands(), ElementsAre("RLNRP:CELL=C09102A,CELLR=ALL,NODATA;", "RLDEP:CELL=C09102A;",
                                      "RLDEP:CELL=C09201A;", "RLDEP:CELL=RLDEL;"));
  const std::string step = "BSC9: RLNRP:CELL=C09102A,CELLR=ALL,NODATA; names a neighbour ";
  EXPECT_THAT(
      ReportLines(page, "not a cell name"),
      ElementsAre(step + "\"C1;X\" that is not a cell name; it is not read and not in "
                         "the script",
                  step + "\"C0910?9\" that is not a cell name; it is not read and not in the "
                         "script"));
  EXPECT_THAT(read_form.Memo1.Text(), Not(HasSubstr("C1;X")));
  EXPECT_THAT(read_form.Memo1.Text(), HasSubstr("@COMMENT C09201A BSC9\r\n"));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->problems.size(), 2u);
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

TEST_F(RelocationTest, NumbersThatAreNotDigitsCountAsNotFound) {
  Network network = TwoMovedCells();
  network.data["C09101B"] = {"400-01-9;2-10111", "63"};
  network.data["C09201A"] = {"400-01-921-10201", "7;0"};
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A");
  page.DqondComboBox.SetItemIndex(8);  // "9": C09201A stays on the same BSC
  Check(network);
  const std::string script = read_form.Memo1.Text();
  EXPECT_THAT(script, Not(HasSubstr(";2")));
  EXPECT_THAT(script, Not(HasSubstr("7;0")));
  EXPECT_THAT(script, HasSubstr("@COMMENT C09101B BSC\r\n"));  // no BSC number
  // No BCCH number: a comment stands where the order would go out with an empty value.
  EXPECT_THAT(script, HasSubstr("\r\n! RLMFC:CELL=C09101A,MBCCHNO=,MRNIC; not written: the "
                                "BCCHNO of C09201A is not known !\r\n"));
  EXPECT_THAT(script, HasSubstr("\r\nRLMFC:CELL=C09201A,MBCCHNO=62,MRNIC;\r\n"));
  EXPECT_THAT(ReportLines(page, "not used"),
              ElementsAre("BSC9: RLDEP:CELL=C09101B; CGI \"400-01-9;2-10111\" gives no BSC "
                          "number; not used",
                          "BSC9: RLDEP:CELL=C09201A; BCCHNO \"7;0\" is not a number; not used"));
  EXPECT_THAT(page.DqonrepMemo.Text(), Not(HasSubstr("7;0\t")));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->problems.size(), 2u);
}

TEST_F(RelocationTest, RefusedCommandsAreReportedAndTheCheckGoesOn) {
  Network network = TwoMovedCells();
  network.answers["RLNRP:CELL=C09102A,CELLR=ALL,NODATA;"] =
      "RLNRP:CELL=C09102A,CELLR=ALL,NODATA;\r\n\r\nFUNCTION BUSY\r\n\r\n<";
  network.data.erase("C09201A");  // its RLDEP is NOT ACCEPTED
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A\r\nC09102A");
  Check(network);
  EXPECT_THAT(ReportLines(page, "refused"),
              ElementsAre("BSC9: RLNRP:CELL=C09102A,CELLR=ALL,NODATA; refused: FUNCTION BUSY",
                          "BSC9: RLDEP:CELL=C09201A; refused: NOT ACCEPTED, FAULT CODE 17"));
  EXPECT_THAT(page.Outcomes.Find("BSC9")->problems,
              ElementsAre("BSC9: RLNRP:CELL=C09102A,CELLR=ALL,NODATA; refused: FUNCTION BUSY",
                          "BSC9: RLDEP:CELL=C09201A; refused: NOT ACCEPTED, FAULT CODE 17"));
  EXPECT_THAT(telnet.notes, ElementsAre(page.Outcomes.Find("BSC9")->problems[0],
                                        page.Outcomes.Find("BSC9")->problems[1]));
  EXPECT_TRUE(read_form.Window.Visible());
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

// A check of one moved cell with two neighbours, lost at every step: the login, then one
// answer per command (RLNRP, then RLDEP of the three names).
TEST(RelocationEnd, ASessionLostAtAnyStepSaysTheCheckDidNotFinish) {
  Network network;
  network.neighbours["C09101A"] = {"C09101B", "C09201A"};
  network.data = {{"C09101A", {"400-01-912-1", "62"}},
                  {"C09101B", {"400-01-912-2", "63"}},
                  {"C09201A", {"400-01-921-3", "70"}}};
  constexpr std::size_t kLogin = 2;
  const auto text = [&](RelocationRig& rig, std::size_t step) {
    return step < kLogin ? RelocationRig::Login()[step] : network.Answer(rig.telnet.Sent().back());
  };
  kestrel::testing::ForEveryCut<RelocationRig>({
      .steps = kLogin + 4,
      .endings = {kestrel::testing::Ending::kPeer, kestrel::testing::Ending::kClient},
      .start =
          [] {
    auto rig = std::make_unique<RelocationRig>();
    rig->page.DqonoComboBox.SetText("BSC9");
    rig->page.DqonListMemo.SetText("C09101A");
    rig->page.DqonstartButtonClick();
    return rig;
          },
      .telnet = [](RelocationRig& rig) -> auto& { return rig.telnet;
}
,
    .step =
        [&](RelocationRig& rig, std::size_t step) {
          if (step < kLogin) {
            rig.telnet.Receive(RelocationRig::Login()[step]);
          } else {
            rig.AnswerNext(network, 3);
          }
        },
    .half = [&](RelocationRig& rig,
                std::size_t step) { return kestrel::testing::HalfOf(rig.telnet, text(rig, step)); },
    .stop = nullptr, .silence = nullptr,
    .expect = [](RelocationRig& rig, const kestrel::testing::Cut& cut) {
      const std::string why =
          cut.Lost() +
          (cut.step < kLogin ? " during the login" : " while " + cut.in_flight + " was in flight");
      const std::string line =
          "BSC9: " + why + "; the check did not finish and no script was written";
      EXPECT_EQ(rig.page.DqonrepMemo.Text(), line + "\r\n");
      EXPECT_THAT(rig.telnet.notes, ElementsAre(line));
      EXPECT_THAT(rig.messages.shown, ElementsAre(line));
      EXPECT_EQ(rig.read_form.Memo1.Text(), "");
      EXPECT_FALSE(rig.read_form.Window.Visible());
      const pages::ElementOutcome* outcome = rig.page.Outcomes.Find("BSC9");
      EXPECT_EQ(outcome->ended_early, why);
      EXPECT_EQ(outcome->reached, cut.step >= kLogin ? 1 : 0);
      EXPECT_EQ(outcome->finished, 0);
      // A dead session leaves no button that claims a check runs.
      EXPECT_EQ(rig.page.DqonstartButton.Caption(), "Start");
      EXPECT_TRUE(rig.page.DqonListPanel.Enabled());
    },
}  // namespace
);
}  // namespace kestrel::relocation::testing

TEST_F(RelocationTest, ARefusedLoginEndsThePageWithTheGatewaysWords) {
  page.DqonoComboBox.SetText("BSC99");
  page.DqonListMemo.SetText("C09101A");
  page.DqonstartButtonClick();
  telnet.Receive("User: Password: NE: ");
  telnet.Receive("NE BSC99 NOT DEFINED IN GATEWAY\r\n");
  const std::string line = "BSC99: refused: NE BSC99 NOT DEFINED IN GATEWAY";
  EXPECT_THAT(page.DqonrepMemo.Lines(), ElementsAre(line));
  EXPECT_THAT(messages.shown, ElementsAre(line));
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");
  EXPECT_EQ(page.Outcomes.Find("BSC99")->ended_early, "refused: NE BSC99 NOT DEFINED IN GATEWAY");
  EXPECT_EQ(page.DqonrepMemo.LineCount(), 1u);  // the page's own end is not a lost connection
}

TEST_F(RelocationTest, AnAnswerPastThePrintoutCapEndsThePage) {
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A");
  page.SetMaxPrintout(500);
  page.DqonstartButtonClick();
  telnet.Receive("User: Password: NE: ");
  telnet.Receive("\r\n<");
  telnet.Receive(std::string(600, 'x'));
  const std::string line =
      "BSC9: the answer to RLNRP:CELL=C09101A,CELLR=ALL,NODATA; passed the printout cap of 500 "
      "bytes; the session is ended";
  EXPECT_THAT(page.DqonrepMemo.Lines(), ElementsAre(line));
  EXPECT_THAT(messages.shown, ElementsAre(line));
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");
  EXPECT_EQ(page.Outcomes.Find("BSC9")->ended_early,
            "the answer to RLNRP:CELL=C09101A,CELLR=ALL,NODATA; passed the printout cap of 500 "
            "bytes; the session is ended");
}

TEST_F(RelocationTest, StoppedInTheMiddleIsRecorded) {
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A");
  page.DqonstartButtonClick();
  telnet.Receive("User: Password: NE: ");
  telnet.Receive("\r\n<");
  page.DqonstartButtonClick();
  EXPECT_EQ(pages::RecapLine(*page.Outcomes.Find("BSC9")), "BSC9: reached; ended early: stopped");
  EXPECT_EQ(page.DqonrepMemo.Text(), "");
}

// The list is the check's work list: locked while the check runs, and whatever changes it
// meanwhile, a line that is no cell name goes into no command.
TEST_F(RelocationTest, TheListIsLockedWhileTheCheckRunsAndNeverSendsWhatIsNoCellName) {
  const Network network = TwoMovedCells();
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("C09101A\r\nC09102A");
  EXPECT_TRUE(page.DqonListPanel.Enabled());
  page.DqonstartButtonClick();
  EXPECT_FALSE(page.DqonListPanel.Enabled());
  for (const auto& prompt : Login()) telnet.Receive(prompt);
  page.DqonListMemo.SetText("C09101A\r\nC09;EVIL\r\n");
  AnswerNext(network);
  for (const std::string& line : telnet.Sent()) EXPECT_THAT(line, Not(HasSubstr("EVIL")));
  const std::string said =
      "BSC9: the list line \"C09;EVIL\" is not a cell name; the check is stopped";
  EXPECT_THAT(messages.shown, ElementsAre(said));
  EXPECT_EQ(page.DqonrepMemo.Lines().back(), said);
  EXPECT_FALSE(telnet.Connected());
  EXPECT_TRUE(page.DqonListPanel.Enabled());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");

  // Unlocked again however the check ends: its own end, Stop, a lost connection.
  page.DqonListMemo.SetText("C09101A\r\nC09102A");
  telnet.Forget();
  Check(network);
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
  EXPECT_TRUE(page.DqonListPanel.Enabled());
  ASSERT_EQ(page.DqonstartButton.Caption(), "Stop");  // the session stays until Stop
  page.DqonstartButtonClick();
  page.DqonListMemo.SetText("C09101A");
  page.DqonstartButtonClick();
  EXPECT_FALSE(page.DqonListPanel.Enabled());
  page.DqonstartButtonClick();
  EXPECT_TRUE(page.DqonListPanel.Enabled());
  page.DqonListMemo.SetText("C09101A");
  page.DqonstartButtonClick();
  telnet.PeerCloses();
  EXPECT_TRUE(page.DqonListPanel.Enabled());
}

// Whatever step a Stop cuts, the next Start begins afresh: the gateway's banner ("<<<") in
// the new session is no answer to the stopped check's command, and the second check ends as
// one that ran alone.
TEST(RelocationEnd, AStopAtAnyStepLeavesNothingToTheNextCheck) {
  const Network network = TwoMovedCells();
  RelocationRig alone;
  alone.page.DqonoComboBox.SetText("BSC9");
  alone.page.DqonListMemo.SetText("C09101A\r\nC09102A");
  alone.Check(network);
  ASSERT_EQ(alone.page.Outcomes.Find("BSC9")->finished, 1);
  const std::size_t steps = alone.Commands().size();
  for (std::size_t answered = 0; answered < steps; ++answered) {
    SCOPED_TRACE("stopped after " + std::to_string(answered) + " answers");
    const auto rig = std::make_unique<RelocationRig>();
    rig->page.DqonoComboBox.SetText("BSC9");
    rig->page.DqonListMemo.SetText("C09101A\r\nC09102A");
    rig->page.DqonstartButtonClick();
    for (const auto& prompt : RelocationRig::Login()) rig->telnet.Receive(prompt);
    for (std::size_t step = 0; step < answered; ++step) rig->AnswerNext(network);
    rig->page.DqonstartButtonClick();  // Stop, a command in flight
    rig->telnet.Forget();
    rig->page.DqonListMemo.SetText("C09101A\r\nC09102A");
    rig->page.DqonrepMemo.Clear();
    rig->page.DqonstartButtonClick();
    rig->telnet.Receive("\r\n<<< KESTREL COMMAND GATEWAY >>>\r\n\r\nUser: ");
    rig->telnet.Receive("\r\nPassword: ");
    rig->telnet.Receive("\r\nNE: ");
    rig->telnet.Receive("\r\n<");
    rig->Restart(3);
    while (rig->AnswerNext(network)) {
    }
    EXPECT_EQ(rig->Commands(), alone.Commands());
    EXPECT_EQ(rig->page.DqonrepMemo.Text(), alone.page.DqonrepMemo.Text());
    EXPECT_EQ(rig->page.ScriptLines, alone.page.ScriptLines);
  }
}

// The engineer's list: names are taken without the blanks and empty lines around them; a
// line that could carry more than a name stops the check before anything is sent.
TEST_F(RelocationTest, TheCellListIsCheckedBeforeAnythingIsSent) {
  page.DqonoComboBox.SetText("BSC9");
  page.DqonListMemo.SetText("  c09101a \r\n\r\nC09;EVIL\r\n");
  page.DqonstartButtonClick();
  EXPECT_THAT(messages.shown,
              ElementsAre("Line 2 of the cell list, \"C09;EVIL\", is not a cell name (up to 8 "
                          "letters, digits or \"_\"): nothing was sent. Correct the list and "
                          "start again."));
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");
  EXPECT_EQ(page.Outcomes.Find("BSC9"), nullptr);

  page.DqonListMemo.SetText("  c09101a \r\n\r\n\tC09102A\r\n");
  Check(TwoMovedCells());
  EXPECT_EQ(Commands().front(), "RLNRP:CELL=C09101A,CELLR=ALL,NODATA;");
  EXPECT_THAT(Commands(), Contains("RLNRP:CELL=C09102A,CELLR=ALL,NODATA;"));
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

}  // namespace
}  // namespace kestrel::relocation::testing
