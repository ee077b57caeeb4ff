#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Attaches a session and stops before anything is answered.
void Attached(Exchange& exchange) {
  exchange.page.ListBox1.Add("BSC9");
  exchange.page.StartpnlClick();
  exchange.telnet.Receive("\r\nUser: \r\nPassword: \r\nNE: ");
  EXPECT_EQ(exchange.page.Startpnl.Color(), controls::Colour::kYellow);
  exchange.telnet.Receive("\r\n<");
  EXPECT_EQ(exchange.page.Startpnl.Color(), controls::Colour::kGreen);
}

// A chunk with the prompt answers a pending confirmation and does nothing else; the echo of
// the command alone is discarded.
TEST(ProsesFrame, ConfirmationIsAnsweredAndNothingElseIsDoneWithThatChunk) {
  Exchange exchange;
  Attached(exchange);
  const std::size_t sent = exchange.telnet.Sent().size();
  exchange.telnet.Receive("RXASP:MOTY=RXOTG;");
  EXPECT_EQ(exchange.page.InMemo.Text(), "");
  EXPECT_EQ(exchange.telnet.Sent().size(), sent);
  exchange.page.ProsesStep = "RXBLI:MO=RXOTS-12-0-1,FORCE;";
  exchange.page.ProsesConfirm = "TESDIQ";
  exchange.telnet.Receive("RXBLI:MO=RXOTS-12-0-1,FORCE;\r\nORDERED\r\n<\r\nEND\r\n");
  EXPECT_EQ(exchange.telnet.Sent().back(), ";");
  EXPECT_EQ(exchange.telnet.Sent().size(), sent + 1);
  EXPECT_EQ(exchange.page.ProsesConfirm, "OK");
  EXPECT_EQ(exchange.page.ProsesStep, "RXBLI:MO=RXOTS-12-0-1,FORCE;");
  EXPECT_EQ(exchange.page.InMemo.Text(), "");
}

TEST(ProsesFrame, StartQueuesTheComboBoxBscAndHoldsBothPagesUntilTheRunEnds) {
  Exchange exchange;
  exchange.page.Necbox.SetText("BSC12");
  exchange.page.StartpnlClick();
  EXPECT_THAT(exchange.page.ListBox1.Items(), ElementsAre("BSC12"));
  EXPECT_FALSE(exchange.page.TabSheet1.Enabled());
  EXPECT_FALSE(exchange.broadcast_sheet.Enabled());
  EXPECT_EQ(exchange.telnet.Host + ":" + std::to_string(exchange.telnet.Port), "127.0.0.1:52200");
  exchange.telnet.Receive("NE: ");
  EXPECT_EQ(exchange.telnet.Sent().back(), "NE=BSC12");
  exchange.telnet.PeerCloses();

  Exchange refused;  // a refused connection leaves the page usable
  refused.page.ListBox1.Add("BSC9");
  refused.page.StartpnlClick();
  refused.telnet.ConnectFails();
  EXPECT_EQ(refused.page.Startpnl.Caption(), "Start");
  EXPECT_TRUE(refused.page.TabSheet1.Enabled());
  EXPECT_TRUE(refused.broadcast_sheet.Enabled());
  const std::string note =
      "Cannot connect for BSC9: Cannot connect to 127.0.0.1:52200: Connection refused. The "
      "run is stopped; the BSC stays at the head of the queue.";
  EXPECT_THAT(refused.page.OutMemo.Text(), HasSubstr("*** " + note));
  EXPECT_THAT(refused.messages.shown, ElementsAre(note));
  refused.properties.PortEdit.SetText("52x00");
  EXPECT_THROW(refused.page.StartpnlClick(), std::runtime_error);
  EXPECT_TRUE(refused.page.TabSheet1.Enabled());
}

// The ledger has a line per BSC; the closing message of the run still names what went wrong
// on an earlier BSC of it.
TEST(ProsesFrame, OutcomesOfARunOfTwoBscs) {
  Exchange exchange;
  BscWithWork(exchange, false);
  exchange.page.ListBox1.Add("BSC10");
  exchange.confirm_answers["RXBLE:MO=RXOTRX-12-1;"] = "NOT ACCEPTED";
  exchange.Run();
  EXPECT_THAT(exchange.messages.shown,
              ElementsAre("Proses finish\n"
                          "BSC9: RXBLE:MO=RXOTRX-12-1; refused: NOT ACCEPTED\n"
                          "BSC10: RXBLE:MO=RXOTRX-12-1; refused: NOT ACCEPTED\n"
                          "May still be blocked on BSC9: RXOTRX-12-1\n"
                          "May still be blocked on BSC10: RXOTRX-12-1"));
  ASSERT_EQ(exchange.page.Outcomes.All().size(), 2u);
  EXPECT_THAT(exchange.page.Outcomes.Find("BSC10")->maybe_blocked, ElementsAre("RXOTRX-12-1"));
}

// The end-of-service marks outlive a lost connection; the alarm situation read does not.
TEST(ProsesFrame, ServiceMarksSurviveALostConnection) {
  Exchange exchange;
  Attached(exchange);
  auto& page = exchange.page;
  page.ProsesRxeseDone = page.ProsesRxesiDone = page.ProsesRxaspDone = "OK";
  exchange.telnet.PeerCloses();
  EXPECT_EQ(page.ProsesRxeseDone + page.ProsesRxesiDone + page.ProsesRxaspDone, "OKOK");
}

TEST(ProsesFrame, ConnectButtonStartsAPauseOnlyWhenAttached) {
  Exchange exchange;
  exchange.page.ConnectButtonClick();
  EXPECT_FALSE(exchange.page.ReleaseTimer.Enabled());
  Attached(exchange);
  exchange.page.ConnectButtonClick();
  EXPECT_EQ(exchange.telnet.Sent().back(), "\x04");
  exchange.clock.Advance(3000);
  EXPECT_EQ(exchange.telnet.Sent().back(), "");
  EXPECT_EQ(exchange.page.ProsesStep, "CONNECT");
}

TEST(ProsesPage, QueueFilterAndCleaningButtons) {
  Exchange exchange;
  auto& page = exchange.page;
  page.Necbox.SetItemIndex(8);
  page.SpeedButton4Click();
  page.Necbox.SetText(" ");
  page.SpeedButton4Click();  // a blank name is not queued
  EXPECT_THAT(page.ListBox1.Items(), ElementsAre("BSC9"));
  page.SpeedButton2Click();  // all of them
  page.ListBox1.SetSelected(1, true);
  page.SpeedButton5Click();
  EXPECT_EQ(page.ListBox1.Count(), 18u);
  EXPECT_EQ(page.ListBox1.Items()[1], "BSC3");
  page.SpeedButton3Click();
  EXPECT_TRUE(page.ListBox1.Empty());
  page.AddEdit.SetText("C09101A");
  page.AddBtnClick();
  page.AddBtnClick();  // no check for duplicates
  page.FilterListBox.SetSelected(0, true);
  page.DelBtnClick();
  EXPECT_THAT(page.FilterListBox.Items(), ElementsAre("C09101A"));
  // Cleaning keeps the first of equal lines, drops empty ones and, with the box ticked, RXOCF.
  page.TsltiMemo.SetText("RXOTS-1-0-1\r\n\r\nRXOTS-1-0-2\r\nRXOTS-1-0-1\r\n");
  page.TsltiMemoDblClick();
  EXPECT_THAT(page.TsltiMemo.Lines(), ElementsAre("RXOTS-1-0-1", "RXOTS-1-0-2"));
  page.TsMemo.SetText("RXOCF-1\r\nRXOTRX-1-0\r\n");
  page.TsMemoDblClick();
  EXPECT_THAT(page.TsMemo.Lines(), ElementsAre("RXOTRX-1-0"));
  page.Cfcbox.SetChecked(false);
  page.TsMemo.SetText("RXOCF-1\r\n");
  page.TsMemoDblClick();
  EXPECT_THAT(page.TsMemo.Lines(), ElementsAre("RXOCF-1"));
  page.OutMemo.SetText("User: ");
  page.OutMemoDblClick();
  EXPECT_EQ(exchange.read_form.Memo1.Text(), "User: ");
  EXPECT_TRUE(exchange.read_form.Window.Visible());
}

}  // namespace
}  // namespace kestrel::proses::testing
