#include "pages/broadcast/broadcast_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/broadcast/broadcast_test_fixture.h"

namespace kestrel::broadcast::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(BroadcastTest, ThreePhasesGiveAReadyCommandPerMessage) {
  Bsc bsc{
      {{"C09101A", {"4"}}, {"C09102A", {"0"}}, {"C09103A", {"2"}}},
      {{"C09101A", {"123", "124"}}, {"C09103A", {"77"}}},
      {{"123", "ICERISHEHER"}, {"124", "KESTREL DEMO MESSAGE THAT IS TOO LONG"}, {"77", "SALAM"}}};
  for (std::size_t chunk : {3, 4096}) {
    telnet.Forget();
    RunCheck(bsc, chunk);
    EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
                                        "RLMTP:CELL=C09103A,ID=ALL;", "RLMBP:ID=50,CODE=123,GS=0;",
                                        "RLMBP:ID=50,CODE=124,GS=0;", "RLMBP:ID=50,CODE=77,GS=0;"));
    EXPECT_EQ(page.ReportMemo.Text(),
              "CELL: C09101A\r\nRLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"ICERISHEHER\";\r\n\r\n"
              "CELL: C09101A\r\nRLMBC:ID=50,CODE=124,GS=0,PAGE=1,TEXT=\"KESTREL DEMO MESSAGE "
              "THAT\";\r\n"
              "Message text is 37 characters long; the command above carries only its first "
              "25\r\n\r\n"
              "CELL: C09103A\r\nRLMBC:ID=50,CODE=77,GS=0,PAGE=1,TEXT=\"SALAM\";\r\n\r\n");
    EXPECT_EQ(page.StartButton.Caption(), "Start");
    EXPECT_FALSE(page.BrMemo.Visible());
    EXPECT_FALSE(telnet.Connected());
    EXPECT_TRUE(page.CheckFinished);
    EXPECT_TRUE(Clean());
  }
}

TEST_F(BroadcastTest, CellWithTwoNonZeroRowsIsExaminedTwice) {
  RunCheck({{{"C09101A", {"4", "2", "0"}}}, {{"C09101A", {"123"}}}, {{"123", "HI"}}});
  EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
                                      "RLMTP:CELL=C09101A,ID=ALL;", "RLMBP:ID=50,CODE=123,GS=0;",
                                      "RLMBP:ID=50,CODE=123,GS=0;"));
}

TEST_F(BroadcastTest, PageHeaderUnderTheHeadingDoesNotReadTheFirstRowTwice) {
  Bsc bsc{{{"C09101A", {"4"}}}, {{"C09101A", {"123"}}}, {{"123", "HI"}}};
  bsc.page_break_under_heading = true;
  RunCheck(bsc);
  EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
                                      "RLMBP:ID=50,CODE=123,GS=0;"));
}

// A check that finds nothing says which phase found nothing; it is still a clean check.
TEST_F(BroadcastTest, NoCellToExamineSaysSo) {
  RunCheck({{{"C09101A", {"0"}}, {"C09102A", {"0", "0"}}}, {}, {}});
  EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;"));
  EXPECT_EQ(page.ReportMemo.Text(),
            "BSC9: no EDGE cell found (no cell has a NUMREQEGPRSBPC other than 0)\r\n");
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.StartButton.Caption(), "Start");
  EXPECT_TRUE(page.CheckFinished);
  EXPECT_TRUE(Clean());
}

TEST_F(BroadcastTest, NoMessageWithId50SaysSo) {
  RunCheck({{{"C09101A", {"4"}}, {"C09102A", {"2"}}}, {}, {}});
  EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
                                      "RLMTP:CELL=C09102A,ID=ALL;"));
  EXPECT_EQ(page.ReportMemo.Text(), "BSC9: no message with ID 50 found in the EDGE cells\r\n");
  EXPECT_FALSE(telnet.Connected());
  EXPECT_TRUE(page.CheckFinished);
  EXPECT_TRUE(Clean());
}

TEST_F(BroadcastTest, StopInTheMiddleStartsAgainWithPhaseOne) {
  page.StartButtonClick();
  telnet.Receive("User: Password: NE: \r\n<");
  page.StartButtonClick();
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.Phase1Done, "");
  EXPECT_EQ(page.ReportMemo.Text(),
            "BSC9: the check did not finish: stopped while RLBDP:CELL=ALL; was in flight\r\n");
  EXPECT_EQ(page.Outcomes.Find("BSC9")->ended_early, "stopped");
  page.StartButtonClick();
  telnet.Receive("\r\n<");
  EXPECT_EQ(telnet.Sent().back(), "RLBDP:CELL=ALL;");
}

// The command carries a text's first 25 characters, as always; a longer text is said to be
// longer, with its full length, also when the exchange wraps it onto further rows.
TEST_F(BroadcastTest, MessageLongerThanTheCommandCarriesIsSaidToBe) {
  const std::string forty = "WELCOME TO KESTREL DEMO NETWORK AZ-1000!";
  ASSERT_EQ(forty.size(), 40u);
  Bsc bsc{{{"C09101A", {"4"}}},
          {{"C09101A", {"123", "124", "125"}}},
          {{"123", forty},
           {"124", "EXACTLY TWENTY-FIVE CHARS"},
           {"125", "WRAPPED ONTO TWO LINES OF\r\n THE PRINTOUT"}}};
  for (std::size_t chunk : {1, 4096}) {
    RunCheck(bsc, chunk);
    EXPECT_EQ(page.ReportMemo.Text(),
              "CELL: C09101A\r\n"
              "RLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"WELCOME TO KESTREL DEMO N\";\r\n"
              "Message text is 40 characters long; the command above carries only its first "
              "25\r\n\r\n"
              "CELL: C09101A\r\n"
              "RLMBC:ID=50,CODE=124,GS=0,PAGE=1,TEXT=\"EXACTLY TWENTY-FIVE CHARS\";\r\n\r\n"
              "CELL: C09101A\r\n"
              "RLMBC:ID=50,CODE=125,GS=0,PAGE=1,TEXT=\"WRAPPED ONTO TWO LINES OF\";\r\n"
              "Message text is 38 characters long; the command above carries only its first "
              "25\r\n\r\n");
    EXPECT_TRUE(page.CheckFinished);
    // Each message is a result too: the text whole, the command as the report gives it.
    std::vector<std::string> results;
    for (const auto& m : page.Results) {
      results.push_back(m.cell + "|" + m.id + "|" + m.code + "|" + m.text + "|" + m.command);
    }
    EXPECT_THAT(results,
                ElementsAre("C09101A|50|123|" + forty +
                                "|RLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"WELCOME TO KESTREL DEMO "
                                "N\";",
                            "C09101A|50|124|EXACTLY TWENTY-FIVE CHARS|RLMBC:ID=50,CODE=124,GS=0,"
                            "PAGE=1,TEXT=\"EXACTLY TWENTY-FIVE CHARS\";",
                            "C09101A|50|125|WRAPPED ONTO TWO LINES OF THE PRINTOUT|RLMBC:ID=50,"
                            "CODE=125,GS=0,PAGE=1,TEXT=\"WRAPPED ONTO TWO LINES OF\";"));
  }
}

// A column right of TEXT (DCS, its heading on the same line) is not part of the text: the
// text ends where that heading begins, on the value row and on its continuation rows, and a
// text of 25 characters or fewer gets no note.
TEST_F(BroadcastTest, AColumnRightOfTheTextIsNoPartOfIt) {
  // TEXT at column 7, its field 30 wide, DCS beside it.
  const std::string heading = "ID     TEXT" + std::string(26, ' ') + "DCS";
  auto row = [](const std::string& start, const std::string& text, const std::string& dcs) {
    return start + (text + std::string(30, ' ')).substr(0, 30) + dcs;
  };
  const struct {
    std::string rows;
    const char* command_text;
    const char* note;
  } texts[] = {
      {row("50     ", "ICERISHEH", "0"), "ICERISHEH", nullptr},
      {row("50     ", "EXACTLY TWENTY-FIVE CHARS", "0"), "EXACTLY TWENTY-FIVE CHARS", nullptr},
      {row("50     ", "WELCOME TO THE KESTREL DEMO NE", "15") + "\r\n" +
           row("       ", "TWORK, HAVE A GOOD DAY", "15") + "\r\n" + row("       ", "", "7"),
       "WELCOME TO THE KESTREL DE", "Message text is 52 characters long"},
  };
  for (const auto& text : texts) {
    Bsc bsc{{{"C09101A", {"4"}}}, {{"C09101A", {"123"}}}, {{"123", text.rows}}};
    bsc.text_heading = heading;
    RunCheck(bsc, 3);
    const std::vector<std::string> lines = page.ReportMemo.Lines();
    ASSERT_GE(lines.size(), 3u) << text.rows;
    EXPECT_EQ(lines[1],
              "RLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"" + std::string(text.command_text) + "\";");
    if (text.note == nullptr) {
      EXPECT_EQ(lines[2], "") << text.rows;
    } else {
      EXPECT_TRUE(lines[2].starts_with(text.note)) << lines[2];
    }
  }
}

}  // namespace
}  // namespace kestrel::broadcast::testing
