#include "pages/rlslp/rlslp_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/rlslp/rlslp_test_fixture.h"

namespace kestrel::rlslp::testing {
namespace {

using ::testing::ElementsAre;

// Each BSC of the queue in a session of its own; its block of the report names every cell
// whose channels are not active, and each such line is a result of its BSC, however the
// printout was cut.
TEST(RlslpPage, EachBscOfTheQueueReportsItsCellsThatAreNotActive) {
  const std::string first = Printout({{"C09101A", "YES"},
                                      {"C09101B", "NO"},
                                      {"C09102A", ""},
                                      {"C09102B", "YES"},
                                      {"C09103A", "N\x1bO"}},
                                     true);
  const std::string second = Printout({{"C01101A", "NOPE!"}});
  for (std::size_t size : {1, 2, 3, 5, 7, 13, 64, 1460}) {
    SCOPED_TRACE("chunks of " + std::to_string(size));
    RlslpHarness h;
    h.Queue({"BSC9", "ALTBSC1_X29,PROT=V24"});
    h.page.SlpstartButtonClick();
    EXPECT_EQ(h.page.SlpstartButton.Caption(), "Stop");
    EXPECT_TRUE(h.page.AnimationPanel.Visible());
    h.LogIn();
    h.telnet.ReceiveInChunks(first, size);
    h.LogIn();
    h.telnet.ReceiveInChunks(second, size);
    EXPECT_EQ(h.page.SlpreportMemo.Text(),
              "Check: BSC9\r\nC09101B: ACTIVE=NO\r\nC09102A: ACTIVE=\r\nC09103A: ACTIVE=N?O\r\n"
              "Finish check\r\n\r\n"
              "Check: ALTBSC1_X29,PROT=V24\r\nC01101A: ACTIVE=NOPE!\r\nFinish check\r\n\r\n");
    EXPECT_THAT(h.telnet.events,
                ElementsAre("connect", "> ops1", "> pw", "> NE=BSC9", "> RLSLP:CELL=ALL;",
                            "disconnect", "connect", "> ops1", "> pw", "> NE=ALTBSC1_X29,PROT=V24",
                            "> RLSLP:CELL=ALL;", "disconnect"));
    std::vector<std::string> results;
    for (const auto& cell : h.page.Results)
      results.push_back(cell.bsc + "|" + cell.cell + "|" + cell.active);
    EXPECT_THAT(results, ElementsAre("BSC9|C09101B|NO", "BSC9|C09102A|", "BSC9|C09103A|N?O",
                                     "ALTBSC1_X29,PROT=V24|C01101A|NOPE!"));
    EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
    EXPECT_FALSE(h.page.AnimationPanel.Visible());
    EXPECT_TRUE(h.page.SlpListBox.Empty());
    ASSERT_EQ(h.page.Outcomes.All().size(), 2u);
    EXPECT_EQ(pages::RecapLine(h.page.Outcomes.All()[0]), "BSC9: reached, done");
    EXPECT_TRUE(h.Clean("ALTBSC1_X29,PROT=V24"));
    EXPECT_TRUE(h.telnet.notes.empty());
  }
}

TEST_F(RlslpPageTest, HeadingsAreLookedForInEveryLine) {
  Queue({"BSC9"});
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive(
      "RLSLP:CELL=ALL;\r\n\r\n"
      "CELL       SCTYPE\r\n"
      "WO      BSC9      AD-739  TIME 261206 093001\r\n"
      "C09101A    UL\r\n\r\n"
      "  ACTIVE     CHTYPE\r\n"  // columns further right in this block
      "WO      BSC9      AD-739  TIME 261206 093001\r\n"
      "  NO         TCH\r\n\r\nEND\r\n\r\n<");
  EXPECT_EQ(page.SlpreportMemo.Line(1), "C09101A: ACTIVE=NO");
}

TEST_F(RlslpPageTest, StopInTheMiddleKeepsTheBscAndWritesNoFinish) {
  Queue({"BSC9", "BSC10"});
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive("RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nC09101A\r\n");
  page.SlpstartButtonClick();
  EXPECT_EQ(page.SlpreportMemo.Text(),
            "Check: BSC9\r\nBSC9 not checked: stopped while RLSLP:CELL=ALL; was in flight\r\n");
  EXPECT_THAT(page.SlpListBox.Items(), ElementsAre("BSC9", "BSC10"));
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.Outcomes.Find("BSC9")->ended_early, "stopped");
  page.SlpstartButtonClick();  // the same BSC again
  LogIn();
  EXPECT_EQ(telnet.Sent().back(), "RLSLP:CELL=ALL;");
  EXPECT_EQ(page.SlpreportMemo.Line(2), "Check: BSC9");
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

// Whether the connection could not be opened or the engineer stopped before the BSC was
// reached, the report says why under its check line.
TEST_F(RlslpPageTest, ABscNotReachedHasItsReasonUnderItsCheckLine) {
  Queue({"BSC9"});
  page.SlpstartButtonClick();
  telnet.ConnectFails();
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  const std::string line =
      "BSC9 not checked: Cannot connect to 127.0.0.1:52200: Connection refused";
  EXPECT_EQ(page.SlpreportMemo.Text(), "Check: BSC9\r\n" + line + "\r\n");
  EXPECT_THAT(messages.shown, ElementsAre(line));
  page.SlpreportMemo.Clear();
  page.SlpstartButtonClick();
  page.SlpstartButtonClick();  // Stop while connecting
  EXPECT_EQ(page.SlpreportMemo.Text(),
            "Check: BSC9\r\nBSC9 not checked: stopped before the BSC was reached\r\n");
  EXPECT_EQ(messages.shown.size(), 1u);
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
