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
  const std::pair<std::string, std::string> rows[] = {
      // its section, BSC9's answer
      {"five cells", Printout({{"C09101A", "YES"},
                               {"C09101B", "NO"},
                               {"C09102A", ""},
                               {"C09102B", "YES"},
                               {"C09103A", "N\x1bO"}},
                              true)},
      {"headings anywhere",
       "RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nWO      BSC9      AD-739  TIME 261206 "
       "093001\r\n"
       "C09101A    UL\r\n\r\n  ACTIVE     CHTYPE\r\n"  // columns further right in this block
       "WO      BSC9      AD-739  TIME 261206 093001\r\n  NO         TCH\r\n\r\nEND\r\n\r\n<"},
      {"not accepted",
       "RLSLP:CELL=ALL;\r\n\r\nNOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE\r\n\r\n<"},
      {"busy", "RLSLP:CELL=ALL;\r\n\r\nFUNCTION BUSY\r\n\r\n<"},
      {"unknown", "RLSLP:CELL=ALL;\r\n\r\nCOMMAND UNKNOWN\r\n\r\n<"},
      {"cut off",  // the prompt comes with no END before it
       "RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nC09101A\r\n\r\n"
       "ACTIVE     CHTYPE\r\nNO         TCH\r\n\r\nCELL       SCTYPE\r\nC09101B\r\n<"},
      {"a prompt inside", Printout({{"C09101A", "NO"}, {"C<9101B", "NO"}})},
  };
  const auto expected = kestrel::testing::TestDataSections("pages/rlslp-checks.txt");
  for (const auto& [name, answer] : rows) {
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
      h.telnet.ReceiveInChunks(Printout({{"C01101A", "NOPE!"}}), chunk);
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
      EXPECT_EQ(said, expected.at(name));
      EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
      EXPECT_FALSE(h.page.AnimationPanel.Visible());
      EXPECT_TRUE(h.page.SlpListBox.Empty());
      EXPECT_TRUE(h.messages.shown.empty());
    }
  }
}

// Only the user or the password would be refused for every BSC: a refused BSC and a gateway
// at its limit of sessions are not the login's fault.
TEST(RlslpPage, ARefusedLoginIsToldFromOtherRefusals) {
  const std::pair<const char*, bool> refusals[] = {
      {"\r\nUser: \r\nPassword: \r\nLOGIN INCORRECT\r\nUser: ", true},
      {"TOO MANY SESSIONS\r\n", false},
      {"\r\nUser: \r\nPassword: \r\nNE: \r\nNE BSC9 NOT DEFINED IN GATEWAY\r\nNE: ", false}};
  for (const auto& [said, login] : refusals) {
    RlslpHarness h;
    h.Queue({"BSC9"});
    h.page.SlpstartButtonClick();
    EXPECT_FALSE(h.page.LoginRefused());
    h.telnet.Receive(said);
    EXPECT_EQ(h.page.LoginRefused(), login) << said;
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
  telnet.Receive(Printout({{"C12101A", "YES"}}));
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
  telnet.Receive(Printout({{"C09101A", "NO"}}));
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
