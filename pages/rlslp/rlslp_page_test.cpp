#include "pages/rlslp/rlslp_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "pages/rlslp/rlslp_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::rlslp::testing {
namespace {

using ::testing::ElementsAre;

// Each BSC of the queue in a session of its own; its block of the report names every cell
// whose channels are not active, wherever the headings stand, and each such line is a result
// of its BSC, however the printout was cut. Only a printout that ran to its END, without a
// refusal, closes the block with "Finish check"; what a cut printout shows is still reported.
// Either way the BSC leaves the queue and the next one is checked.
TEST(RlslpPage, EachBscOfTheQueueReportsItsCellsThatAreNotActive) {
  // Each a case of rlslp-printouts.txt: BSC9's answer, wherever the headings stand, cut off,
  // refused in each of the element's ways, a "<" in a cell name.
  for (const auto& [name, expected] :
       kestrel::testing::TestDataSections("pages/rlslp-checks.txt")) {
    const std::string answer = Printout(name);
    for (std::size_t chunk : {1, 3, 7, 1460}) {
      SCOPED_TRACE(name + ", chunks of " + std::to_string(chunk));
      RlslpHarness h;
      h.Queue({"BSC9", "ALTBSC1_X29,PROT=V24"});
      h.page.SlpstartButtonClick();
      EXPECT_EQ(h.page.SlpstartButton.Caption(), "Stop");
      EXPECT_TRUE(h.page.AnimationPanel.Visible());
      h.LogIn();
      // Up to the end of this session: what follows would go to the next one.
      const auto& events = h.telnet.events;
      for (std::size_t pos = 0;
           pos < answer.size() && std::count(events.begin(), events.end(), "connect") == 1;
           pos += chunk) {
        h.telnet.Receive(answer.substr(pos, chunk));
      }
      h.LogIn();
      h.telnet.ReceiveInChunks(Printout("a cell not active on BSC10"), chunk);
      std::string said;
      for (const auto& event : events) said += event + "\r\n";
      said += h.page.SlpreportMemo.Text();
      for (const auto& cell : h.page.Results) {
        said += "= " + cell.bsc + "|" + cell.cell + "|" + cell.active + "\r\n";
      }
      for (const auto& outcome : h.page.Outcomes.All()) {
        said += "# " + pages::RecapLine(outcome) + "\r\n";
      }
      for (const auto& note : h.telnet.notes) said += "? " + note + "\r\n";
      EXPECT_EQ(said, expected);
      EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
      EXPECT_FALSE(h.page.AnimationPanel.Visible());
      EXPECT_TRUE(h.page.SlpListBox.Empty());
      EXPECT_TRUE(h.messages.shown.empty());
    }
  }
}

// Each row of "login refusals" in readings.txt: the check stops either way.
TEST(RlslpPage, ARefusedLoginIsToldFromOtherRefusals) {
  for (const auto& row : pages::testing::Rows("readings.txt", "login refusals")) {
    RlslpHarness h;
    h.Queue({"BSC9"});
    h.page.SlpstartButtonClick();
    EXPECT_FALSE(h.page.LoginRefused());
    h.telnet.Receive(row.at(0));
    EXPECT_EQ(h.page.LoginRefused() ? "refused" : "", row.at(1)) << row[0];
    EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
  }
}

// With an empty queue Start checks the BSC of the box, and refuses a blank one untouched.
TEST_F(RlslpPageTest, StartWithEmptyQueueChecksTheComboBoxBsc) {
  page.SlpComboBox.SetText("  ");
  EXPECT_THROW(page.SlpstartButtonClick(), std::runtime_error);
  EXPECT_TRUE(telnet.events.empty());
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  page.SlpComboBox.SetText("BSC12");
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive(Printout("an active cell"));
  EXPECT_EQ(page.SlpreportMemo.Text(), "Check: BSC12\r\nFinish check\r\n\r\n");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "pw", "NE=BSC12", "RLSLP:CELL=ALL;"));
  EXPECT_TRUE(page.SlpListBox.Empty());
}

TEST_F(RlslpPageTest, EditingTheQueueDuringACheckSkipsNoBsc) {
  Queue({"BSC9", "BSC10"});
  page.SlpstartButtonClick();
  LogIn();
  page.SlpListBox.SetSelected(0, true);  // the engineer deletes the BSC being checked
  page.Button2Click();
  telnet.Receive(Printout("a cell not active"));
  EXPECT_THAT(page.SlpListBox.Items(), ElementsAre("BSC10"));
  EXPECT_EQ(page.SlpreportMemo.Line(4), "Check: BSC10");
  EXPECT_EQ(page.SlpstartButton.Caption(), "Stop");
}

TEST_F(RlslpPageTest, AddAndDeleteQueue) {
  page.SlpComboBox.SetItemIndex(2);
  page.Button1Click();
  page.Button1Click();  // the same name may be queued twice
  page.SlpComboBox.SetText(" ");
  page.Button1Click();  // a blank one not at all
  page.SlpListBox.SetSelected(1, true);
  page.Button2Click();
  EXPECT_THAT(page.SlpListBox.Items(), ElementsAre("BSC6_X29,PROT=V24"));
}

}  // namespace
}  // namespace kestrel::rlslp::testing
