#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/relocation/relocation_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::relocation::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// Each row of "bsc numbers" in readings.txt.
TEST(BscNumbers, FromTheLocationAreaCode) {
  for (const auto& row : pages::testing::Rows("readings.txt", "bsc numbers")) {
    EXPECT_EQ(BscNumberOfCgi(row.at(0)), row.at(1)) << row[0];
  }
}

// The list is taken in upper case, without the blanks and empty lines around its names.
// Neighbours first (RLNRP), then the cell data of every name once (RLDEP), then the script of
// the relations that stay on one BSC after the move and a comment for each that does not.
// Only a moved cell moves, not one whose name is a moved cell's cut short. A neighbour name
// that is not a cell name is neither read nor scripted; a number that is not digits counts as
// not found; a refused command is reported and the check goes on. Neighbours beyond the 64 of
// a column are left out, and said so. The rows of the table and the script's lines are the
// results.
TEST_F(RelocationTest, EachCheckSendsItsCommandsAndWritesItsReportAndScript) {
  const auto expected = kestrel::testing::TestDataSections("pages/relocation-checks.txt");
  for (const auto& row : pages::testing::DataCases("relocation-networks.txt")) {
    if (!row.parts.contains("list")) continue;  // a network of the test below
    SCOPED_TRACE(row.name);
    RelocationRig rig;
    rig.page.DqonoComboBox.SetText("BSC9");
    rig.page.DqonListMemo.SetText(row.Lines("list").at(0));
    rig.page.DqondComboBox.SetItemIndex(std::stoi(row.Lines("target").at(0)));
    rig.Check(pages::testing::Printouts(row), std::stoul(row.Lines("chunk").at(0)));
    std::string report = rig.page.DqonrepMemo.Text(), said;
    for (std::size_t at; (at = report.find("\r\n\n\r\n")) != std::string::npos;) {
      report.replace(at, 5, "\r\n~\r\n");  // the report's empty line between columns
    }
    for (const auto& command : rig.Commands()) said += "> " + command + "\r\n";
    for (std::size_t from = 0, to; (to = report.find("\r\n", from)) != std::string::npos;
         from = to + 2) {
      said += "| " + report.substr(from, to - from) + "\r\n";
    }
    EXPECT_EQ(said + rig.read_form.Memo1.Text(), expected.at(row.name));
    std::vector<std::string> problems;  // every line about the BSC is a problem and a note
    for (const auto& line : rig.page.DqonrepMemo.Lines()) {
      if (line.starts_with("BSC9: ")) problems.push_back(line);
    }
    EXPECT_EQ(rig.page.Outcomes.Find("BSC9")->problems, problems);
    EXPECT_EQ(rig.telnet.notes, problems);
    EXPECT_EQ(rig.page.Outcomes.Find("BSC9")->finished, 1);
    EXPECT_TRUE(rig.read_form.Window.Visible());
    std::string script;
    for (const std::string& line : rig.page.ScriptLines) script += line + "\r\n";
    EXPECT_EQ(script, rig.read_form.Memo1.Text());
    std::vector<std::string> table;
    for (const auto& r : rig.page.TableRows) {
      table.push_back(r.cell + " " + r.name + " " + r.bsc_before + ">" + r.bsc_after + " " +
                      r.bcch);
    }
    if (row.parts.contains("table")) {
      EXPECT_EQ(table, row.Lines("table"));
    }
    const std::string recap = pages::RecapLine(rig.page.Outcomes.All().front());
    rig.page.DqonstartButtonClick();  // Stop after the end changes nothing
    EXPECT_EQ(pages::RecapLine(rig.page.Outcomes.All().front()), recap);
  }
}

TEST_F(RelocationTest, EarlierCheckLeavesNothingBehind) {
  page.DqonListMemo.SetText("C09101A");
  Check(Network("two moved cells"));
  page.DqonstartButtonClick();  // Stop
  page.DqonListMemo.SetText("C09101A");
  telnet.Forget();
  Check(Network("fewer neighbours"));
  EXPECT_EQ(page.DqonTable[2][0], "");
  EXPECT_THAT(read_form.Memo1.Text(), Not(HasSubstr("C12101A")));
}

// The list is the check's work list: locked while the check runs, and whatever changes it
// meanwhile, a line that is no cell name goes into no command.
TEST_F(RelocationTest, TheListIsLockedWhileTheCheckRunsAndNeverSendsWhatIsNoCellName) {
  const auto network = Network("two moved cells");
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

  // Unlocked again when the check runs to its own end (and however else it ends: see the
  // page endings table).
  page.DqonListMemo.SetText("C09101A\r\nC09102A");
  telnet.Forget();
  Check(network);
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
  EXPECT_TRUE(page.DqonListPanel.Enabled());
  // The finished check keeps its session for the engineer to end; once the gateway ends it,
  // nothing is left to stop.
  ASSERT_TRUE(telnet.Connected());
  telnet.PeerCloses();
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");
  EXPECT_EQ(page.Outcomes.Find("BSC9")->finished, 1);
}

// A list that is too long, empty, or holds a line that could carry more than a cell name
// stops the check before anything is sent.
TEST_F(RelocationTest, TheCellListIsCheckedBeforeAnythingIsSent) {
  std::string many;
  for (int i = 0; i < 201; ++i) many += "C" + std::to_string(100000 + i) + "\r\n";
  page.DqonoComboBox.SetText("BSC9");
  for (const std::string& list :
       {many, std::string(" \r\n"), std::string("  c09101a \r\n\r\nC09;EVIL\r\n")}) {
    page.DqonListMemo.SetText(list);
    page.DqonstartButtonClick();
  }
  EXPECT_THAT(messages.shown,
              ElementsAre("CELL-lerin sayi 200-den artiq ola bilmez!!!", "CELL-elave et",
                          "Line 2 of the cell list, \"C09;EVIL\", is not a cell name (up to 8 "
                          "letters, digits or \"_\"): nothing was sent. Correct the list and "
                          "start again."));
  EXPECT_TRUE(telnet.events.empty());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");
  EXPECT_EQ(page.Outcomes.Find("BSC9"), nullptr);
  many.erase(many.rfind("C100200"));  // 200 cells are as many as one check takes
  page.DqonListMemo.SetText(many);
  page.DqonstartButtonClick();
  EXPECT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(telnet.events, std::vector<std::string>{"connect"});
}

}  // namespace
}  // namespace kestrel::relocation::testing
