#include "pages/rlslp/rlslp_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/rlslp/rlslp_test_fixture.h"

namespace kestrel::rlslp::testing {
namespace {

using ::testing::ElementsAre;

TEST_F(RlslpPageTest, ReportsCellsWhoseChannelsAreNotActive) {
  Queue({"BSC9"});
  page.SlpstartButtonClick();
  EXPECT_EQ(page.SlpstartButton.Caption(), "Stop");
  EXPECT_TRUE(page.AnimationPanel.Visible());
  LogIn();
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "pw", "NE=BSC9", "RLSLP:CELL=ALL;"));
  telnet.Receive(Printout({{"C09101A", "YES"},
                           {"C09101B", "NO"},
                           {"C09102A", ""},
                           {"C09102B", "YES"},
                           {"C09103A", "NOPE!"}}));
  EXPECT_EQ(page.SlpreportMemo.Text(),
            "Check: BSC9\r\n"
            "C09101B: ACTIVE=NO\r\n"
            "C09102A: ACTIVE=\r\n"
            "C09103A: ACTIVE=NOPE!\r\n"
            "Finish check\r\n"
            "\r\n");
  EXPECT_THAT(telnet.events, ElementsAre("connect", "> ops1", "> pw", "> NE=BSC9",
                                         "> RLSLP:CELL=ALL;", "disconnect"));
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  EXPECT_FALSE(page.AnimationPanel.Visible());
  EXPECT_TRUE(page.SlpListBox.Empty());
  EXPECT_FALSE(page.SlpAttached);
  ASSERT_EQ(page.Outcomes.All().size(), 1u);
  EXPECT_EQ(pages::RecapLine(page.Outcomes.All()[0]), "BSC9: reached, done");
  EXPECT_TRUE(telnet.notes.empty());
}

// Every "ACTIVE=" line of the report is also a result of its BSC, as the line shows it.
TEST_F(RlslpPageTest, EveryActiveLineIsAResultOfItsBsc) {
  Queue({"BSC9", "ALTBSC1_X29,PROT=V24"});
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive(Printout({{"C09101A", "YES"}, {"C09101B", "NO"}, {"C09102A", "N\x1bO"}}));
  LogIn();
  telnet.Receive(Printout({{"C01101A", ""}}));
  ASSERT_EQ(page.Results.size(), 3u);
  const auto result = [&](std::size_t i) {
    const auto& cell = page.Results[i];
    return cell.bsc + "|" + cell.cell + "|" + cell.active;
  };
  EXPECT_EQ(result(0), "BSC9|C09101B|NO");
  EXPECT_EQ(result(1), "BSC9|C09102A|N?O");
  EXPECT_EQ(result(2), "ALTBSC1_X29,PROT=V24|C01101A|");
  EXPECT_THAT(
      page.SlpreportMemo.Lines(),
      ElementsAre("Check: BSC9", "C09101B: ACTIVE=NO", "C09102A: ACTIVE=N?O", "Finish check", "",
                  "Check: ALTBSC1_X29,PROT=V24", "C01101A: ACTIVE=", "Finish check", ""));
}

TEST_F(RlslpPageTest, EveryWayOfCuttingThePrintoutGivesTheSameReport) {
  const std::string printout =
      Printout({{"C09101A", "NO"}, {"C09101B", "YES"}, {"C09102A", "NO"}}, true);
  const std::string expected =
      "Check: BSC9\r\nC09101A: ACTIVE=NO\r\nC09102A: ACTIVE=NO\r\nFinish check\r\n\r\n";
  for (std::size_t size : {1, 2, 3, 5, 7, 13, 64, 1460}) {
    page.SlpreportMemo.Clear();
    telnet.Forget();
    Queue({"BSC9"});
    page.SlpstartButtonClick();
    LogIn();
    telnet.ReceiveInChunks(printout, size);
    EXPECT_EQ(page.SlpreportMemo.Text(), expected) << "chunks of " << size;
    EXPECT_EQ(telnet.events.back(), "disconnect");
  }
}

TEST_F(RlslpPageTest, PageHeaderUnderAHeadingMovesTheValueOneRowDown) {
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

TEST_F(RlslpPageTest, PrintoutWithoutHeadingsStillFinishesTheBsc) {
  Queue({"BSC9"});
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive(
      "RLSLP:CELL=ALL;\r\n\r\nCELL LOGICAL CHANNELS AVAILABILITY SUPERVISION\r\n\r\nEND\r\n<");
  EXPECT_EQ(page.SlpreportMemo.Text(), "Check: BSC9\r\nFinish check\r\n\r\n");
  EXPECT_TRUE(Clean("BSC9"));
}

TEST_F(RlslpPageTest, QueueOfThreeGivesThreeBlocksOneSessionEach) {
  Queue({"BSC9", "ALTBSC1_X29,PROT=V24", "BSC10"});
  page.SlpstartButtonClick();
  for (int bsc = 0; bsc < 3; ++bsc) {
    LogIn();
    telnet.ReceiveInChunks(Printout({{"C0" + std::to_string(bsc) + "101A", "NO"}}), 9);
  }
  EXPECT_EQ(page.SlpreportMemo.Text(),
            "Check: BSC9\r\nC00101A: ACTIVE=NO\r\nFinish check\r\n\r\n"
            "Check: ALTBSC1_X29,PROT=V24\r\nC01101A: ACTIVE=NO\r\nFinish check\r\n\r\n"
            "Check: BSC10\r\nC02101A: ACTIVE=NO\r\nFinish check\r\n\r\n");
  const std::vector<std::string> one = {"connect", "> ops1", "> pw"};
  std::vector<std::string> expected;
  for (const char* name : {"BSC9", "ALTBSC1_X29,PROT=V24", "BSC10"}) {
    expected.insert(expected.end(), one.begin(), one.end());
    expected.push_back(std::string("> NE=") + name);
    expected.push_back("> RLSLP:CELL=ALL;");
    expected.push_back("disconnect");
  }
  EXPECT_EQ(telnet.events, expected);
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  for (const char* name : {"BSC9", "ALTBSC1_X29,PROT=V24", "BSC10"}) EXPECT_TRUE(Clean(name));
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
  EXPECT_FALSE(page.AnimationPanel.Visible());
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.Outcomes.Find("BSC9")->ended_early, "stopped");

  // The next Start checks the same BSC again, and sends the command again.
  page.SlpstartButtonClick();
  LogIn();
  EXPECT_EQ(telnet.Sent().back(), "RLSLP:CELL=ALL;");
  EXPECT_EQ(page.SlpreportMemo.Line(2), "Check: BSC9");
}

TEST_F(RlslpPageTest, DroppedConnectionResetsTheButton) {
  Queue({"BSC9", "BSC10"});
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive("RLSLP:CELL=ALL;\r\n\r\nCELL       SC");
  telnet.PeerCloses();
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  EXPECT_FALSE(page.AnimationPanel.Visible());
  EXPECT_FALSE(page.SlpAttached);
  EXPECT_EQ(page.SlpreportMemo.Text(),
            "Check: BSC9\r\n"
            "BSC9 not checked: connection lost while RLSLP:CELL=ALL; was in flight\r\n");
  EXPECT_THAT(page.SlpListBox.Items(), ElementsAre("BSC9", "BSC10"));
}

TEST_F(RlslpPageTest, StartWithEmptyQueueChecksTheComboBoxBsc) {
  page.SlpComboBox.SetText("BSC12");
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive(Printout({{"C12101A", "YES"}}));
  EXPECT_EQ(page.SlpreportMemo.Text(), "Check: BSC12\r\nFinish check\r\n\r\n");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "pw", "NE=BSC12", "RLSLP:CELL=ALL;"));
  EXPECT_TRUE(page.SlpListBox.Empty());
}

TEST_F(RlslpPageTest, StartWithNothingToCheckIsRefusedUntouched) {
  page.SlpComboBox.SetText("  ");
  EXPECT_THROW(page.SlpstartButtonClick(), std::runtime_error);
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  EXPECT_TRUE(telnet.events.empty());
  EXPECT_EQ(page.SlpreportMemo.Text(), "");
}

// The report says why the BSC was not checked, whether the connection could not be opened or
// the engineer stopped it before the BSC was reached.
TEST_F(RlslpPageTest, ABscNotReachedHasItsReasonUnderItsCheckLine) {
  Queue({"BSC9"});
  page.SlpstartButtonClick();
  telnet.ConnectFails();
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  EXPECT_FALSE(page.AnimationPanel.Visible());
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
  // BSC10 was not checked yet, so it is checked next instead of being dropped.
  EXPECT_THAT(page.SlpListBox.Items(), ElementsAre("BSC10"));
  EXPECT_EQ(page.SlpreportMemo.Line(4), "Check: BSC10");
  EXPECT_EQ(page.SlpstartButton.Caption(), "Stop");
}

TEST_F(RlslpPageTest, AddAndDeleteGueue) {
  page.SlpComboBox.SetItemIndex(2);
  page.Button1Click();
  page.Button1Click();  // the same name may be queued twice
  page.SlpComboBox.SetText("BSC9");
  page.Button1Click();
  EXPECT_THAT(page.SlpListBox.Items(),
              ElementsAre("BSC6_X29,PROT=V24", "BSC6_X29,PROT=V24", "BSC9"));
  page.SlpListBox.SetSelected(1, true);
  page.Button2Click();
  EXPECT_THAT(page.SlpListBox.Items(), ElementsAre("BSC6_X29,PROT=V24", "BSC9"));
  page.SlpComboBox.SetText(" ");
  page.Button1Click();
  EXPECT_EQ(page.SlpListBox.Count(), 2u);
}

}  // namespace
}  // namespace kestrel::rlslp::testing
