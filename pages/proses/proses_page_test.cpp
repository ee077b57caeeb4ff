#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Attaches a session and stops before anything is answered.
void Attached(Exchange& exchange) {
  exchange.page.ListBox1.Add("BSC9");
  exchange.page.StartpnlClick();
  exchange.telnet.Receive("\r\nUser: ");
  exchange.telnet.Receive("\r\nPassword: ");
  exchange.telnet.Receive("\r\nNE: ");
  EXPECT_EQ(exchange.page.Startpnl.Color(), controls::Colour::kYellow);
  exchange.telnet.Receive("\r\n<");
  EXPECT_EQ(exchange.page.Startpnl.Color(), controls::Colour::kGreen);
}

TEST(ProsesFrame, ConfirmationIsAnsweredAndNothingElseIsDoneWithThatChunk) {
  Exchange exchange;
  Attached(exchange);
  ASSERT_EQ(exchange.page.ProsesStep, "RXASP:MOTY=RXOTG;");
  exchange.page.ProsesStep = "RXBLI:MO=RXOTS-12-0-1,FORCE;";
  exchange.page.ProsesConfirm = "TESDIQ";
  exchange.telnet.Receive("RXBLI:MO=RXOTS-12-0-1,FORCE;\r\nORDERED\r\n<\r\nEND\r\n");
  EXPECT_EQ(exchange.telnet.Sent().back(), ";");
  EXPECT_EQ(exchange.page.ProsesConfirm, "OK");
  EXPECT_EQ(exchange.page.ProsesStep, "RXBLI:MO=RXOTS-12-0-1,FORCE;");
  EXPECT_EQ(exchange.page.InMemo.Text(), "");
}

TEST(ProsesFrame, EchoOfTheCommandIsDiscarded) {
  Exchange exchange;
  Attached(exchange);
  const std::size_t sent = exchange.telnet.Sent().size();
  exchange.telnet.Receive("RXASP:MOTY=RXOTG;");
  EXPECT_EQ(exchange.page.InMemo.Text(), "");
  EXPECT_EQ(exchange.telnet.Sent().size(), sent);
  EXPECT_EQ(exchange.page.ProsesStep, "RXASP:MOTY=RXOTG;");
}

TEST(ProsesFrame, StartQueuesTheComboBoxBscAndDisablesBothPages) {
  Exchange exchange;
  exchange.page.Necbox.SetText("BSC12");
  exchange.page.StartpnlClick();
  EXPECT_THAT(exchange.page.ListBox1.Items(), ElementsAre("BSC12"));
  EXPECT_FALSE(exchange.page.TabSheet1.Enabled());
  EXPECT_FALSE(exchange.broadcast_sheet.Enabled());
  EXPECT_EQ(exchange.page.Startpnl.Caption(), "Stop");
  EXPECT_EQ(exchange.telnet.Host, "127.0.0.1");
  EXPECT_EQ(exchange.telnet.Port, 52200);
  exchange.telnet.Receive("NE: ");
  EXPECT_EQ(exchange.telnet.Sent().back(), "NE=BSC12");
}

TEST(ProsesFrame, RefusedConnectionLeavesThePageUsable) {
  Exchange exchange;
  exchange.page.ListBox1.Add("BSC9");
  exchange.page.StartpnlClick();
  exchange.telnet.ConnectFails();
  EXPECT_EQ(exchange.page.Startpnl.Caption(), "Start");
  EXPECT_TRUE(exchange.page.TabSheet1.Enabled());
  EXPECT_TRUE(exchange.broadcast_sheet.Enabled());
  const std::string note =
      "*** Cannot connect for BSC9: Cannot connect to 127.0.0.1:52200: Connection refused. The "
      "run is stopped; the BSC stays at the head of the queue.";
  EXPECT_THAT(exchange.page.OutMemo.Text(), HasSubstr(note));
  EXPECT_THAT(exchange.messages.shown, ElementsAre(note.substr(4)));

  exchange.properties.PortEdit.SetText("52x00");
  EXPECT_THROW(exchange.page.StartpnlClick(), std::runtime_error);
  EXPECT_TRUE(exchange.page.TabSheet1.Enabled());
}

// The ledger has a line per BSC; the closing message of the run still names what went wrong
// on an earlier BSC of it.
TEST(ProsesFrame, OutcomesOfARunOfTwoBscs) {
  Exchange exchange;
  BscWithWork(exchange, false);
  exchange.page.ListBox1.Add("BSC10");
  exchange.Run();
  ASSERT_EQ(exchange.page.Outcomes.All().size(), 2u);
  for (const auto& outcome : exchange.page.Outcomes.All()) {
    EXPECT_TRUE(outcome.Clean()) << pages::RecapLine(outcome);
  }
  EXPECT_EQ(pages::RecapLine(exchange.page.Outcomes.All()[1]), "BSC10: reached, done");

  Exchange refused;
  BscWithWork(refused, false);
  refused.page.ListBox1.Add("BSC10");
  refused.confirm_answers["RXBLE:MO=RXOTRX-12-1;"] = "NOT ACCEPTED";
  refused.Run();
  EXPECT_THAT(refused.messages.shown,
              ElementsAre("Proses finish\n"
                          "BSC9: RXBLE:MO=RXOTRX-12-1; refused: NOT ACCEPTED\n"
                          "BSC10: RXBLE:MO=RXOTRX-12-1; refused: NOT ACCEPTED\n"
                          "May still be blocked on BSC9: RXOTRX-12-1\n"
                          "May still be blocked on BSC10: RXOTRX-12-1"));
  EXPECT_THAT(refused.page.Outcomes.Find("BSC10")->maybe_blocked, ElementsAre("RXOTRX-12-1"));
}

TEST(ProsesFrame, ServiceMarksSurviveALostConnection) {
  Exchange exchange;
  Attached(exchange);
  exchange.page.ProsesRxeseDone = "OK";
  exchange.page.ProsesRxesiDone = "OK";
  exchange.page.ProsesRxaspDone = "OK";
  exchange.telnet.PeerCloses();
  EXPECT_EQ(exchange.page.ProsesRxeseDone, "OK");
  EXPECT_EQ(exchange.page.ProsesRxesiDone, "OK");
  EXPECT_EQ(exchange.page.ProsesRxaspDone, "");
}

TEST(ProsesFrame, ConnectButtonStartsAPauseOnlyWhenAttached) {
  Exchange exchange;
  exchange.page.ConnectButtonClick();
  EXPECT_FALSE(exchange.page.ReleaseTimer.Enabled());
  Attached(exchange);
  exchange.page.ConnectButtonClick();
  EXPECT_EQ(exchange.page.ProsesStep, "RELEASETIMER");
  EXPECT_EQ(exchange.telnet.Sent().back(), "\x04");
  exchange.clock.Advance(3000);
  EXPECT_EQ(exchange.telnet.Sent().back(), "");
  EXPECT_EQ(exchange.page.ProsesStep, "CONNECT");
}

TEST(ProsesPage, QueueAndFilterButtons) {
  Exchange exchange;
  auto& page = exchange.page;
  page.Necbox.SetItemIndex(8);
  page.SpeedButton4Click();
  page.Necbox.SetText(" ");
  page.SpeedButton4Click();  // a blank name is not queued
  EXPECT_THAT(page.ListBox1.Items(), ElementsAre("BSC9"));
  page.SpeedButton2Click();
  EXPECT_EQ(page.ListBox1.Count(), 19u);
  page.ListBox1.SetSelected(1, true);
  page.SpeedButton5Click();
  EXPECT_EQ(page.ListBox1.Items()[1], "BSC3");
  page.SpeedButton3Click();
  EXPECT_TRUE(page.ListBox1.Empty());

  page.AddEdit.SetText("C09101A");
  page.AddBtnClick();
  page.AddBtnClick();  // no check for duplicates
  page.FilterListBox.SetSelected(0, true);
  page.DelBtnClick();
  EXPECT_THAT(page.FilterListBox.Items(), ElementsAre("C09101A"));
}

TEST(ProsesPage, OutputPaneGoesToTheViewer) {
  Exchange exchange;
  Attached(exchange);
  exchange.page.OutMemoDblClick();
  EXPECT_EQ(exchange.read_form.Memo1.Text(), exchange.page.OutMemo.Text());
  EXPECT_THAT(exchange.read_form.Memo1.Text(), HasSubstr("User: "));
  EXPECT_TRUE(exchange.read_form.Window.Visible());
}

TEST(ProsesPage, CleaningKeepsFirstOfEqualLinesAndDropsEmptyOnes) {
  Exchange exchange;
  exchange.page.TsltiMemo.SetText("RXOTS-1-0-1\r\n\r\nRXOTS-1-0-2\r\nRXOTS-1-0-1\r\n");
  exchange.page.TsltiMemoDblClick();
  EXPECT_THAT(exchange.page.TsltiMemo.Lines(), ElementsAre("RXOTS-1-0-1", "RXOTS-1-0-2"));
  exchange.page.TsMemo.SetText("RXOCF-1\r\nRXOTRX-1-0\r\n");
  exchange.page.TsMemoDblClick();
  EXPECT_THAT(exchange.page.TsMemo.Lines(), ElementsAre("RXOTRX-1-0"));
  exchange.page.Cfcbox.SetChecked(false);
  exchange.page.TsMemo.SetText("RXOCF-1\r\n");
  exchange.page.TsMemoDblClick();
  EXPECT_THAT(exchange.page.TsMemo.Lines(), ElementsAre("RXOCF-1"));
}

}  // namespace
}  // namespace kestrel::proses::testing
