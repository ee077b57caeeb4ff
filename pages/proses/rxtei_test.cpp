#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A BSC with an outage on three cells: C09101A (a timeslot, a transceiver and a central
// function faulty), C09102B (listed twice, no faulty object), and C09103C in the filter.
void RxteiBsc(Exchange& exchange) {
  exchange.page.Rxteirbtn.SetChecked(true);
  exchange.page.Rxltirbtn.SetChecked(false);
  exchange.page.FilterListBox.Add("  C09103C ");
  exchange.page.ListBox1.Add("BSC9");
  exchange.printouts["ALLIP:ALCAT=KESINTI;"] =
      OutageList({"C09101A", "C09102B", "C09103C", "C09102B"});
  exchange.printouts["RLSLP:CELL=C09101A;"] = CellCheck("C09101A", "7", "14");
  exchange.printouts["RLSLP:CELL=C09102B;"] = CellCheck("C09102B", "7", "14");
  exchange.printouts["RXTCP:MOTY=RXOTG,CELL=C09101A;"] = TgOfCell("C09101A", "12");
  exchange.printouts["RXTCP:MOTY=RXOTG,CELL=C09102B;"] = TgOfCell("C09102B", "13");
  exchange.printouts["RXMFP:MO=RXOTG-12,SUBORD,FAULTY;"] =
      FaultyObjects({"RXOCF-12", "RXOTRX-12-0", "RXOTS-12-0-13"});
  exchange.printouts["RXMFP:MO=RXOTG-13,SUBORD,FAULTY;"] = FaultyObjects({});
}

const std::vector<std::string> kWholeBsc = {
    "ALLIP:ALCAT=KESINTI;",
    "RLSLP:CELL=C09101A;",
    "RXTCP:MOTY=RXOTG,CELL=C09101A;",
    "RXMFP:MO=RXOTG-12,SUBORD,FAULTY;",
    // The last object first: a timeslot, with end of service, test and start of service.
    "RXBLI:MO=RXOTS-12-0-13,FORCE;",
    ";",
    "RXESE:MO=RXOTS-12-0-13;",
    ";",
    "RXTEI:MO=RXOTS-12-0-13;",
    "RXESI:MO=RXOTS-12-0-13;",
    ";",
    "RXBLE:MO=RXOTS-12-0-13;",
    ";",
    "\x04",
    "",
    // The transceiver: block and deblock only. The central function is left alone.
    "RXBLI:MO=RXOTRX-12-0,FORCE;",
    ";",
    "RXBLE:MO=RXOTRX-12-0;",
    ";",
    "\x04",
    "",
    "RLSLP:CELL=C09101A;",
    // The last cell: no faulty object, so the BSC ends at once.
    "RLSLP:CELL=C09102B;",
    "RXTCP:MOTY=RXOTG,CELL=C09102B;",
    "RXMFP:MO=RXOTG-13,SUBORD,FAULTY;",
};

TEST(Rxtei, WholeBscWhateverTheChunkSize) {
  for (std::size_t chunk : {1, 2, 3, 7, 64, 4096}) {
    Exchange exchange(chunk);
    RxteiBsc(exchange);
    exchange.Run();
    EXPECT_EQ(exchange.Commands(), kWholeBsc) << "chunks of " << chunk;
    EXPECT_TRUE(exchange.page.ListBox1.Empty());
    EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
    exchange.sound.FinishAll();
    EXPECT_THAT(exchange.sound.played, ElementsAre("beep 2000", "beep 1000"));
    EXPECT_TRUE(exchange.page.TabSheet1.Enabled());
    EXPECT_TRUE(exchange.broadcast_sheet.Enabled());
    EXPECT_EQ(exchange.page.Startpnl.Caption(), "Start");
  }
}

TEST(Rxtei, CentralFunctionIsTreatedWhenTheBoxIsUnticked) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.page.Cfcbox.SetChecked(false);
  exchange.Run();
  const auto commands = exchange.Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "RXBLI:MO=RXOCF-12,FORCE;"),
            commands.end());
  EXPECT_NE(std::find(commands.begin(), commands.end(), "RXBLE:MO=RXOCF-12;"), commands.end());
}

TEST(Rxtei, CellsWithoutChannelsOrWithUnreadableCountsGetNoBlock) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09101A", "C09104A", "C09102B"});
  exchange.printouts["RLSLP:CELL=C09101A;"] = CellCheck("C09101A", "0", "14");
  exchange.printouts["RXTCP:MOTY=RXOTG,CELL=C09104A;"] = TgOfCell("C09104A", "12");
  exchange.Run();
  // C09101A is dropped; C09104A, now first, goes on without a check of its own.
  EXPECT_THAT(exchange.Commands(), ::testing::IsSupersetOf({"RXTCP:MOTY=RXOTG,CELL=C09104A;"}));
  for (const auto& command : exchange.Commands()) {
    EXPECT_THAT(command, ::testing::Not(HasSubstr("RXOTG,CELL=C09101A")));
  }

  Exchange garbled;
  RxteiBsc(garbled);
  garbled.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09101A"});
  garbled.printouts["RLSLP:CELL=C09101A;"] = CellCheck("C09101A", "7", "1X4");
  garbled.Run();
  EXPECT_THAT(garbled.Commands(), ElementsAre("ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09101A;"));
  EXPECT_THAT(garbled.page.OutMemo.Text(),
              HasSubstr("*** Cell C09101A: NCH \"1X4\" is not a number; cell skipped"));
  // The cell had an outage and was not treated: the run does not end as if all were well.
  EXPECT_THAT(
      garbled.messages.shown,
      ElementsAre("Proses finish\nCell C09101A: NCH \"1X4\" is not a number; cell skipped"));
}

// A page break right under the "NCH" heading: the SDCCH and TCH counts stand one row
// further down, past the page header and the BCCH row.
TEST(Rxtei, ChannelCountsAreReadPastAPageHeaderUnderTheHeading) {
  const std::string check =
      "CELL LOGICAL CHANNELS AVAILABILITY SUPERVISION\r\n\r\nCELL       SCTYPE\r\nC09101A\r\n\r\n"
      "ACTIVE     CHTYPE  CHRATE  SPV    NCH    LVA\r\n"
      "WO      BSC9              AD-739  TIME 261206 093002  PAGE 2\r\n"
      "YES        BCCH                   1\r\n"
      "           SDCCH                  7\r\n"
      "           TCH     FR      1      0\r\n\r\n";
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09101A"});
  exchange.printouts["RLSLP:CELL=C09101A;"] = check;
  exchange.Run();
  // No traffic channel: the cell is dropped, not treated.
  EXPECT_THAT(exchange.Commands(), ElementsAre("ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09101A;"));

  Exchange counted;
  RxteiBsc(counted);
  counted.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09101A"});
  std::string busy = check;
  busy.replace(busy.rfind("0\r\n"), 1, "9");
  counted.printouts["RLSLP:CELL=C09101A;"] = busy;
  counted.Run();
  EXPECT_THAT(counted.Commands(), ::testing::Contains("RXTCP:MOTY=RXOTG,CELL=C09101A;"));
}

TEST(Rxtei, AllCellsFilteredFinishesRightAfterTheList) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09103C"});
  exchange.page.FilterListBox.Add("c09101a");  // other letter case: no effect
  exchange.Run();
  EXPECT_THAT(exchange.Commands(), ElementsAre("ALLIP:ALCAT=KESINTI;"));
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
}

TEST(Rxtei, CellWithoutTgIsSkippedNotTreatedWithAnotherCellsTg) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.printouts["RXTCP:MOTY=RXOTG,CELL=C09101A;"] = "NOT ACCEPTED\r\nFAULT CODE 17\r\n\r\n";
  exchange.Run();
  const auto commands = exchange.Commands();
  for (const auto& command : commands)
    EXPECT_THAT(command, ::testing::Not(HasSubstr("RXOTG-TgEdit")));
  EXPECT_THAT(exchange.page.OutMemo.Text(),
              HasSubstr("Cell C09101A: RXTCP names no TG; cell skipped"));
  EXPECT_EQ(commands.back(), "RXMFP:MO=RXOTG-13,SUBORD,FAULTY;");
}

TEST(Rxtei, GarbledFaultListNeverBlocksAnotherTgsObject) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.printouts["RXMFP:MO=RXOTG-12,SUBORD,FAULTY;"] =
      FaultyObjects({"RXOTRX-121-0", "RX#TS-12-0-1", "RXOTS-12-0-13"});
  exchange.Run();
  for (const auto& command : exchange.Commands()) {
    EXPECT_THAT(command, ::testing::Not(HasSubstr("RXOTRX-121-0")));
    EXPECT_THAT(command, ::testing::Not(HasSubstr("RX#TS")));
  }
  EXPECT_THAT(exchange.Commands(), ::testing::Contains("RXBLI:MO=RXOTS-12-0-13,FORCE;"));
  EXPECT_THAT(
      exchange.page.OutMemo.Text(),
      HasSubstr(
          "*** RXMFP of RXOTG-12 names \"RXOTRX-121-0\", not an object of that TG; left alone"));
}

TEST(Rxtei, BusyOutageListIsAskedAgainAfterFiveSeconds) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.busy["ALLIP:ALCAT=KESINTI;"] = 1;
  exchange.Run();
  auto expected = kWholeBsc;
  expected.insert(expected.begin(), "ALLIP:ALCAT=KESINTI;");
  EXPECT_EQ(exchange.Commands(), expected);
  EXPECT_EQ(exchange.clock.Now() >= 5000, true);
}

TEST(Rxtei, BusyRetryDoesNotFireIntoAnotherSession) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.busy["ALLIP:ALCAT=KESINTI;"] = 1;
  exchange.auto_time = false;
  exchange.Run();
  ASSERT_TRUE(exchange.page.BusyTimer.Enabled());
  exchange.telnet.PeerCloses();  // the line drops while the retry is pending
  exchange.clock.Advance(10000);
  EXPECT_THAT(exchange.Commands(), ElementsAre("ALLIP:ALCAT=KESINTI;"));
  EXPECT_THAT(exchange.page.OutMemo.Text(), HasSubstr("while ALLIP:ALCAT=KESINTI; was in flight"));
}

TEST(Rxtei, ChangedReleaseIntervalAppliesToTheNextPause) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.page.ReleaseTimerEdit.SetText("500");
  exchange.page.ReleaseTimerButtonClick();
  exchange.Run();
  EXPECT_EQ(exchange.page.ReleaseTimer.Interval(), 500);
  EXPECT_EQ(exchange.clock.Now(), 2 * 500);

  // Refused with the range that is allowed; the field shows the interval that holds again.
  for (const char* wrong : {"fast", "0", "-5", "9", "60001", "", "1e3"}) {
    exchange.page.ReleaseTimerEdit.SetText(wrong);
    try {
      exchange.page.ReleaseTimerButtonClick();
      ADD_FAILURE() << wrong << " taken";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(error.what(), "\"" + std::string(wrong) +
                                  "\" is not a release interval: give a whole number of "
                                  "milliseconds from 10 to 60000. The interval stays 500 ms.");
    }
    EXPECT_EQ(exchange.page.ReleaseTimer.Interval(), 500) << wrong;
    EXPECT_EQ(exchange.page.ReleaseTimerEdit.Text(), "500") << wrong;
  }
  for (const char* bound : {"10", "60000"}) {
    exchange.page.ReleaseTimerEdit.SetText(bound);
    exchange.page.ReleaseTimerButtonClick();
    EXPECT_EQ(exchange.page.ReleaseTimer.Interval(), std::stoi(bound));
  }
}

TEST(Rxtei, BscQueuedTwiceIsTreatedTwiceWithoutBeep) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.page.ListBox1.Add("BSC9");
  exchange.page.BeepCheckBox.SetChecked(false);
  exchange.Run();
  // The closing cell check empties the service marks, so the second pass is the first again.
  auto twice = kWholeBsc;
  twice.insert(twice.end(), kWholeBsc.begin(), kWholeBsc.end());
  EXPECT_EQ(exchange.Commands(), twice);
  EXPECT_EQ(std::count(exchange.telnet.events.begin(), exchange.telnet.events.end(), "connect"), 2);
  EXPECT_THAT(exchange.sound.played, IsEmpty());
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
}

}  // namespace
}  // namespace kestrel::proses::testing
