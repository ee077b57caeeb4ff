// Whole runs of either procedure, the frame both run on, and the page's own controls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mml/text.h"
#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::vector<std::string> kNone;

// Each run of proses-runs.txt that says how long its pauses took: printouts over those of its
// procedure's run, and what the run does with them: the lines sent, the notes of the pane, the
// closing message, the recap lines and the time its pauses took.
TEST(Proses, WholeRunsWhateverTheChunkSize) {
  for (const DataCase& run : pages::testing::DataCases("proses-runs.txt")) {
    if (!run.parts.contains("clock")) continue;  // printouts of a run cut short
    std::string pane;  // the output pane shows the text as printed, however it was cut
    for (std::size_t chunk : {4096, 1, 3, 7}) {
      SCOPED_TRACE(run.name + ", chunks of " + std::to_string(chunk));
      Exchange exchange(run.name, chunk);
      exchange.Run();
      const auto& page = exchange.page;
      EXPECT_EQ(exchange.Commands(), run.Lines("commands"));
      EXPECT_EQ(PaneLines(page, "*** "), run.Lines("notes"));
      EXPECT_THAT(exchange.messages.shown, ElementsAre(mml::Joined(run.Lines("message"), "\n")));
      std::vector<std::string> recap;
      for (const auto& outcome : page.Outcomes.All()) recap.push_back(pages::RecapLine(outcome));
      EXPECT_EQ(recap, run.Lines("recap"));
      EXPECT_EQ(std::to_string(exchange.clock.Now()), run.Lines("clock").at(0));
      if (pane.empty()) pane = page.OutMemo.Text();
      EXPECT_EQ(page.OutMemo.Text(), pane);
      EXPECT_TRUE(page.ListBox1.Empty() && page.Startpnl.Caption() == "Start" &&
                  page.TabSheet1.Enabled() && exchange.broadcast_sheet.Enabled());
      exchange.sound.FinishAll();
      const std::vector<std::string> beeps = {"beep 2000", "beep 1000"};
      EXPECT_EQ(exchange.sound.played, page.BeepCheckBox.Checked() ? beeps : kNone);
    }
  }
}

TEST(Proses, TheWaitFollowsTheLastBlockAndNothingIsSentDuringIt) {
  Exchange exchange;
  struct At : platform::Clock {
    platform::LocalDateTime Now() const override { return {2026, 12, 5, 14, 7, 30}; }
    std::int64_t SteadyMs() const override { return 0; }
  } at;
  exchange.page.SetClock(at);
  exchange.auto_time = false;
  exchange.Run();
  // The page says what it waits for, and until when.
  EXPECT_EQ(exchange.page.StatusLabel.Caption(), "BSC9: the 30-second wait, until 14:08:00");
  EXPECT_EQ(exchange.Commands().size(), 5u);  // up to the confirmed block of the last timeslot
  const std::size_t sent = exchange.telnet.Sent().size();
  exchange.clock.Advance(29999);
  EXPECT_EQ(exchange.telnet.Sent().size(), sent);
  exchange.clock.Advance(1);
  EXPECT_EQ(exchange.telnet.Sent().back(), "");
  exchange.auto_time = true;
  exchange.Play();
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
  EXPECT_EQ(exchange.page.StatusLabel.Caption(), "");
}

TEST(Proses, BusyRetryIsForThatSessionOnly) {
  Exchange exchange("rxtei-busy");
  exchange.auto_time = false;
  exchange.Run();
  ASSERT_TRUE(exchange.page.BusyTimer.Enabled());
  exchange.telnet.PeerCloses();  // the line drops while the retry is pending
  exchange.clock.Advance(10000);
  EXPECT_THAT(exchange.Commands(), ElementsAre("ALLIP:ALCAT=KESINTI;"));
  EXPECT_THAT(exchange.page.OutMemo.Text(), HasSubstr("while ALLIP:ALCAT=KESINTI; was in flight"));
}

TEST(Proses, ChangedReleaseIntervalAppliesToTheNextPause) {
  Exchange exchange("rxtei");
  exchange.page.ReleaseTimerEdit.SetText("500");
  exchange.page.ReleaseTimerButtonClick();
  exchange.Run();
  EXPECT_EQ(exchange.clock.Now(), 2 * 500);
  // Refused with the range that is allowed; the field shows the interval that holds again.
  for (const char* text : {"fast", "0", "-5", "9", "60001", "", "1e3", "10", "60000"}) {
    exchange.page.ReleaseTimerEdit.SetText(text);
    const std::string given = text;
    const int taken = given == "10" || given == "60000" ? std::stoi(given) : 0;  // else refused
    try {
      exchange.page.ReleaseTimerButtonClick();
      EXPECT_EQ(exchange.page.ReleaseTimer.Interval(), taken) << text;
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(error.what(), "\"" + given +
                                  "\" is not a release interval: give a whole number of "
                                  "milliseconds from 10 to 60000. The interval stays 500 ms.");
      EXPECT_TRUE(exchange.page.ReleaseTimer.Interval() == 500 &&
                  exchange.page.ReleaseTimerEdit.Text() == "500")
          << text;
      EXPECT_EQ(taken, 0) << text;
    }
  }
}

// Attaches a session and stops before anything is answered.
void Attached(Exchange& exchange) {
  exchange.page.StartpnlClick();
  exchange.telnet.Receive("\r\nUser: \r\nPassword: \r\nNE: ");
  EXPECT_EQ(exchange.page.Startpnl.Color(), controls::Colour::kYellow);
  exchange.telnet.Receive("\r\n<");
  EXPECT_EQ(exchange.page.Startpnl.Color(), controls::Colour::kGreen);
}

TEST(ProsesFrame, StartQueuesTheComboBoxBscAndHoldsBothPagesUntilTheRunEnds) {
  Exchange exchange;
  exchange.page.ListBox1.Clear();
  exchange.page.Necbox.SetText("BSC12");
  exchange.page.StartpnlClick();
  EXPECT_THAT(exchange.page.ListBox1.Items(), ElementsAre("BSC12"));
  EXPECT_FALSE(exchange.page.TabSheet1.Enabled() || exchange.broadcast_sheet.Enabled());
  EXPECT_EQ(exchange.telnet.Host + ":" + std::to_string(exchange.telnet.Port), "127.0.0.1:52200");
  exchange.telnet.Receive("NE: ");
  EXPECT_EQ(exchange.telnet.Sent().back(), "NE=BSC12");

  // A port that is no number: nothing starts. (A connection refused is a row of the page
  // endings table.)
  Exchange refused;
  refused.properties.PortEdit.SetText("52x00");
  EXPECT_THROW(refused.page.StartpnlClick(), std::runtime_error);
  EXPECT_TRUE(refused.page.TabSheet1.Enabled() && refused.telnet.events.empty());
}

// The echo of the command just sent is discarded; a chunk with the prompt answers a pending
// confirmation and does nothing else; Connect pauses only an attached session; the service
// marks outlive a lost connection, the alarm situation read does not.
TEST(ProsesFrame, EchoConfirmationConnectButtonAndALostConnection) {
  Exchange exchange;
  auto& page = exchange.page;
  page.ConnectButtonClick();
  EXPECT_FALSE(page.ReleaseTimer.Enabled());
  Attached(exchange);
  exchange.telnet.Receive("RXASP:MOTY=RXOTG;");
  EXPECT_EQ(page.InMemo.Text(), "");
  page.ConnectButtonClick();
  EXPECT_EQ(exchange.telnet.Sent().back(), "\x04");
  exchange.clock.Advance(3000);
  EXPECT_EQ(exchange.telnet.Sent().back(), "");
  EXPECT_EQ(page.ProsesStep, "CONNECT");
  page.ProsesStep = "RXBLI:MO=RXOTS-12-0-1,FORCE;";
  page.ProsesConfirm = "TESDIQ";
  const std::size_t sent = exchange.telnet.Sent().size();
  exchange.telnet.Receive("RXBLI:MO=RXOTS-12-0-1,FORCE;\r\nORDERED\r\n<\r\nEND\r\n");
  EXPECT_EQ(exchange.telnet.Sent().size(), sent + 1);
  EXPECT_EQ(exchange.telnet.Sent().back(), ";");
  EXPECT_EQ(page.InMemo.Text(), "");
  page.ProsesRxeseDone = page.ProsesRxesiDone = page.ProsesRxaspDone = "OK";
  exchange.telnet.PeerCloses();
  EXPECT_EQ(page.ProsesRxeseDone + page.ProsesRxesiDone + page.ProsesRxaspDone, "OKOK");
}

TEST(ProsesPage, QueueFilterAndCleaningButtons) {
  Exchange exchange;
  auto& page = exchange.page;
  page.SpeedButton3Click();
  EXPECT_TRUE(page.ListBox1.Empty());
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
  page.AddEdit.SetText("C09101A");
  page.AddBtnClick();
  page.FilterListBox.SetSelected(0, true);
  page.DelBtnClick();
  EXPECT_THAT(page.FilterListBox.Items(), ElementsAre("C09101A"));
  page.OutMemo.SetText("User: ");
  page.OutMemoDblClick();
  EXPECT_EQ(exchange.read_form.Memo1.Text(), "User: ");
  EXPECT_TRUE(exchange.read_form.Window.Visible());
}

}  // namespace
}  // namespace kestrel::proses::testing
