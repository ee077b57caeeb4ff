#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/proses/proses_test_exchange.h"

namespace kestrel::proses::testing {
namespace {

using ::testing::Contains;
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
    "ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09101A;", "RXTCP:MOTY=RXOTG,CELL=C09101A;",
    "RXMFP:MO=RXOTG-12,SUBORD,FAULTY;",
    // The last object first: a timeslot, with end of service, test and start of service.
    "RXBLI:MO=RXOTS-12-0-13,FORCE;", ";", "RXESE:MO=RXOTS-12-0-13;", ";", "RXTEI:MO=RXOTS-12-0-13;",
    "RXESI:MO=RXOTS-12-0-13;", ";", "RXBLE:MO=RXOTS-12-0-13;", ";", "\x04", "",
    // The transceiver: block and deblock only. The central function is left alone.
    "RXBLI:MO=RXOTRX-12-0,FORCE;", ";", "RXBLE:MO=RXOTRX-12-0;", ";", "\x04", "",
    "RLSLP:CELL=C09101A;",
    // The last cell: no faulty object, so the BSC ends at once.
    "RLSLP:CELL=C09102B;", "RXTCP:MOTY=RXOTG,CELL=C09102B;", "RXMFP:MO=RXOTG-13,SUBORD,FAULTY;"};

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
  EXPECT_THAT(exchange.Commands(), Contains("RXBLI:MO=RXOCF-12,FORCE;"));
  EXPECT_THAT(exchange.Commands(), Contains("RXBLE:MO=RXOCF-12;"));
}

// A cell whose channel counts (SDCCH and TCH, read past a page header under the "NCH"
// heading) hold a zero is dropped; one whose count is no number too, and said so.
TEST(Rxtei, CellsWithoutChannelsOrWithUnreadableCountsGetNoBlock) {
  const std::string paged =
      "CELL LOGICAL CHANNELS AVAILABILITY SUPERVISION\r\n\r\nCELL       SCTYPE\r\nC09101A\r\n\r\n"
      "ACTIVE     CHTYPE  CHRATE  SPV    NCH    LVA\r\n"
      "WO      BSC9              AD-739  TIME 261206 093002  PAGE 2\r\n"
      "YES        BCCH                   1\r\n"
      "           SDCCH                  7\r\n"
      "           TCH     FR      1      0\r\n\r\n";
  std::string paged_busy = paged;
  paged_busy.replace(paged_busy.rfind("0\r\n"), 1, "9");
  const std::vector<std::string> dropped = {"ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09101A;"};
  const struct {
    std::string check;
    bool treated;
    const char* problem;
  } rows[] = {
      {CellCheck("C09101A", "0", "14"), false, nullptr},
      {CellCheck("C09101A", "7", "0"), false, nullptr},
      {paged, false, nullptr},
      {paged_busy, true, nullptr},
      {CellCheck("C09101A", "7", "1X4"), false,
       "Cell C09101A: NCH \"1X4\" is not a number; cell skipped"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.check);
    Exchange exchange;
    RxteiBsc(exchange);
    exchange.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09101A"});
    exchange.printouts["RLSLP:CELL=C09101A;"] = row.check;
    exchange.Run();
    if (row.treated) {
      EXPECT_THAT(exchange.Commands(), Contains("RXBLI:MO=RXOTS-12-0-13,FORCE;"));
    } else {
      EXPECT_EQ(exchange.Commands(), dropped);
    }
    // A cell with an outage that was not treated for want of a reading is no clean end.
    const std::string said = row.problem == nullptr ? "" : "\n" + std::string(row.problem);
    EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish" + said));
  }
  // The next cell of the outage goes on without a check of its own.
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.printouts["ALLIP:ALCAT=KESINTI;"] = OutageList({"C09101A", "C09104A"});
  exchange.printouts["RLSLP:CELL=C09101A;"] = CellCheck("C09101A", "0", "14");
  exchange.printouts["RXTCP:MOTY=RXOTG,CELL=C09104A;"] = TgOfCell("C09104A", "12");
  exchange.Run();
  EXPECT_EQ(exchange.Commands()[2], "RXTCP:MOTY=RXOTG,CELL=C09104A;");
  for (const auto& command : exchange.Commands())
    EXPECT_THAT(command, ::testing::Not(HasSubstr("RXOTG,CELL=C09101A")));
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
  EXPECT_EQ(exchange.Commands(),
            (std::vector<std::string>{"ALLIP:ALCAT=KESINTI;", "RLSLP:CELL=C09101A;",
                                      "RXTCP:MOTY=RXOTG,CELL=C09101A;", "RLSLP:CELL=C09102B;",
                                      "RXTCP:MOTY=RXOTG,CELL=C09102B;",
                                      "RXMFP:MO=RXOTG-13,SUBORD,FAULTY;"}));
  EXPECT_THAT(exchange.page.OutMemo.Text(),
              HasSubstr("Cell C09101A: RXTCP names no TG; cell skipped"));
}

TEST(Rxtei, GarbledFaultListNeverBlocksAnotherTgsObject) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.printouts["RXMFP:MO=RXOTG-12,SUBORD,FAULTY;"] =
      FaultyObjects({"RXOTRX-121-0", "RX#TS-12-0-1", "RXOTS-12-0-13"});
  exchange.Run();
  auto expected = kWholeBsc;  // the timeslot alone
  expected.erase(expected.begin() + 15, expected.begin() + 21);
  EXPECT_EQ(exchange.Commands(), expected);
  EXPECT_THAT(
      exchange.page.OutMemo.Text(),
      HasSubstr(
          "*** RXMFP of RXOTG-12 names \"RXOTRX-121-0\", not an object of that TG; left alone"));
}

// FUNCTION BUSY is no answer: the list is asked again 5 s later, in the same session only.
TEST(Rxtei, BusyOutageListIsAskedAgainAfterFiveSecondsInThatSessionOnly) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.busy["ALLIP:ALCAT=KESINTI;"] = 1;
  exchange.Run();
  auto expected = kWholeBsc;
  expected.insert(expected.begin(), "ALLIP:ALCAT=KESINTI;");
  EXPECT_EQ(exchange.Commands(), expected);
  EXPECT_GE(exchange.clock.Now(), 5000);
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
  EXPECT_TRUE(exchange.page.Outcomes.Find("BSC9")->Clean());

  Exchange dropped;
  RxteiBsc(dropped);
  dropped.busy["ALLIP:ALCAT=KESINTI;"] = 1;
  dropped.auto_time = false;
  dropped.Run();
  ASSERT_TRUE(dropped.page.BusyTimer.Enabled());
  dropped.telnet.PeerCloses();  // the line drops while the retry is pending
  dropped.clock.Advance(10000);
  EXPECT_THAT(dropped.Commands(), ElementsAre("ALLIP:ALCAT=KESINTI;"));
  EXPECT_THAT(dropped.page.OutMemo.Text(), HasSubstr("while ALLIP:ALCAT=KESINTI; was in flight"));
}

TEST(Rxtei, ChangedReleaseIntervalAppliesToTheNextPause) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.page.ReleaseTimerEdit.SetText("500");
  exchange.page.ReleaseTimerButtonClick();
  exchange.Run();
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

// The closing cell check empties the service marks, so the second pass is the first again.
TEST(Rxtei, BscQueuedTwiceIsTreatedTwiceWithoutBeep) {
  Exchange exchange;
  RxteiBsc(exchange);
  exchange.page.ListBox1.Add("BSC9");
  exchange.page.BeepCheckBox.SetChecked(false);
  exchange.Run();
  auto twice = kWholeBsc;
  twice.insert(twice.end(), kWholeBsc.begin(), kWholeBsc.end());
  EXPECT_EQ(exchange.Commands(), twice);
  EXPECT_EQ(std::count(exchange.telnet.events.begin(), exchange.telnet.events.end(), "connect"), 2);
  EXPECT_THAT(exchange.sound.played, IsEmpty());
  EXPECT_THAT(exchange.messages.shown, ElementsAre("Proses finish"));
}

}  // namespace
}  // namespace kestrel::proses::testing
