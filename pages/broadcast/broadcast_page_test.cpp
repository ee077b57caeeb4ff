#include "pages/broadcast/broadcast_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "pages/broadcast/broadcast_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::broadcast::testing {
namespace {

// Phase one reads every cell's NUMREQEGPRSBPC rows, phase two the ID 50 messages of each row
// other than 0, phase three each message's text; the report gives a ready command per message,
// and each message is a result: its text whole, the command as the report gives it.
// A check that finds nothing says which phase found nothing, and claims no more than it read.
// A refused or cut-off RLBDP ends the check; a refused or cut-off RLMTP or RLMBP loses only its
// own cell or message. A value that is not what it stands for is never sent. Each BSC of
// broadcast-bscs.txt is a row; its section in broadcast-checks.txt holds the commands sent and
// the report.
TEST(BroadcastPage, EachCheckSendsItsCommandsAndReportsWhatItRead) {
  const auto expected = kestrel::testing::TestDataSections("pages/broadcast-checks.txt");
  for (const auto& row : pages::testing::DataCases("broadcast-bscs.txt")) {
    std::vector<std::string> commands;
    std::string report;
    std::istringstream lines(expected.at(row.name));
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("> ")) {
        commands.push_back(line.substr(2, line.size() - 3));
      } else {
        report += line + "\n";
      }
    }
    for (std::size_t chunk : {1, 4096}) {
      SCOPED_TRACE(row.name + ", chunks of " + std::to_string(chunk));
      BroadcastHarness h;
      h.RunCheck(pages::testing::Printouts(row), chunk);
      EXPECT_EQ(h.Commands(), commands);
      EXPECT_EQ(h.page.ReportMemo.Text(), report);
      std::vector<std::string> notes;  // every line about the BSC is a note of the session
      for (const auto& line : h.page.ReportMemo.Lines()) {
        if (line.starts_with("BSC9")) notes.push_back(line);
      }
      EXPECT_EQ(h.telnet.notes, notes);
      std::vector<std::string> results;
      for (const auto& m : h.page.Results) {
        results.push_back(m.cell + "|" + m.id + "|" + m.code + "|" + m.text + "|" + m.command);
      }
      EXPECT_EQ(results, row.Lines("results"));
      EXPECT_EQ(h.page.StartButton.Caption(), "Start");
      EXPECT_FALSE(h.page.BrMemo.Visible());
      EXPECT_FALSE(h.telnet.Connected());
      EXPECT_EQ(h.page.CheckFinished, !row.parts.contains("unfinished"));
      EXPECT_EQ(h.page.Outcomes.Find("BSC9")->Clean(), !row.parts.contains("unclean"));
      EXPECT_TRUE(h.messages.shown.empty());
    }
  }
}

TEST(BroadcastPage, StartWithoutABscSendsNothing) {
  BroadcastHarness h;
  h.page.BscComboBox.SetText(" ");
  EXPECT_THROW(h.page.StartButtonClick(), std::runtime_error);
  EXPECT_TRUE(h.telnet.events.empty());
  EXPECT_EQ(h.page.StartButton.Caption(), "Start");
}

}  // namespace
}  // namespace kestrel::broadcast::testing
