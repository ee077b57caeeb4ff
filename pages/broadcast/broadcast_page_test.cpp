#include "pages/broadcast/broadcast_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/broadcast/broadcast_test_fixture.h"

namespace kestrel::broadcast::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kCells = "RLBDP:CELL=ALL;";
std::string Entry(const std::string& code, const std::string& text, int length = 0) {
  std::string entry =
      "CELL: C09101A\r\nRLMBC:ID=50,CODE=" + code + ",GS=0,PAGE=1,TEXT=\"" + text + "\";\r\n";
  if (length > 0) {
    entry += "Message text is " + std::to_string(length) +
             " characters long; the command above carries only its first 25\r\n";
  }
  return entry + "\r\n";
}

// Phase one reads every cell's NUMREQEGPRSBPC rows, phase two the ID 50 messages of each row
// other than 0, phase three each message's text; the report gives a ready command per message.
// A check that finds nothing says which phase found nothing; it is still a clean check.
TEST(BroadcastPage, ThreePhasesGiveAReadyCommandPerMessage) {
  Bsc paged{{{"C09101A", {"4"}}}, {{"C09101A", {"123"}}}, {{"123", "HI"}}};
  paged.page_break_under_heading = true;
  const struct {
    const char* name;
    Bsc bsc;
    std::vector<std::string> commands;
    std::string report;
  } rows[] = {
      {"three cells",
       {{{"C09101A", {"4"}}, {"C09102A", {"0"}}, {"C09103A", {"2"}}},
        {{"C09101A", {"123", "124"}}, {"C09103A", {"77"}}},
        {{"123", "ICERISHEHER"},
         {"124", "KESTREL DEMO MESSAGE THAT IS TOO LONG"},
         {"77", "SALAM"}}},
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09103A,ID=ALL;",
        "RLMBP:ID=50,CODE=123,GS=0;", "RLMBP:ID=50,CODE=124,GS=0;", "RLMBP:ID=50,CODE=77,GS=0;"},
       Entry("123", "ICERISHEHER") + Entry("124", "KESTREL DEMO MESSAGE THAT", 37) +
           "CELL: C09103A\r\nRLMBC:ID=50,CODE=77,GS=0,PAGE=1,TEXT=\"SALAM\";\r\n\r\n"},
      {"two rows other than 0: examined twice",
       {{{"C09101A", {"4", "2", "0"}}}, {{"C09101A", {"123"}}}, {{"123", "HI"}}},
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
        "RLMBP:ID=50,CODE=123,GS=0;", "RLMBP:ID=50,CODE=123,GS=0;"},
       Entry("123", "HI") + Entry("123", "HI")},
      {"page header under the heading",
       paged,
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMBP:ID=50,CODE=123,GS=0;"},
       Entry("123", "HI")},
      {"no cell",
       {{{"C09101A", {"0"}}, {"C09102A", {"0", "0"}}}, {}, {}},
       {kCells},
       "BSC9: no EDGE cell found (no cell has a NUMREQEGPRSBPC other than 0)\r\n"},
      {"no message",
       {{{"C09101A", {"4"}}, {"C09102A", {"2"}}}, {}, {}},
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09102A,ID=ALL;"},
       "BSC9: no message with ID 50 found in the EDGE cells\r\n"},
  };
  for (const auto& row : rows) {
    for (std::size_t chunk : {3, 4096}) {
      SCOPED_TRACE(std::string(row.name) + ", chunks of " + std::to_string(chunk));
      BroadcastHarness h;
      h.RunCheck(row.bsc, chunk);
      EXPECT_EQ(h.Commands(), row.commands);
      EXPECT_EQ(h.page.ReportMemo.Text(), row.report);
      EXPECT_EQ(h.page.StartButton.Caption(), "Start");
      EXPECT_FALSE(h.page.BrMemo.Visible());
      EXPECT_FALSE(h.telnet.Connected());
      EXPECT_TRUE(h.page.CheckFinished);
      EXPECT_TRUE(h.Clean());
    }
  }
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

// The command carries a text's first 25 characters; a longer text is said to be longer, with
// its full length, also when the exchange wraps it onto further rows. A column right of TEXT
// (DCS, its heading on the same line) is no part of the text, on any of its rows.
TEST(BroadcastPage, MessageLongerThanTheCommandCarriesIsSaidToBe) {
  const std::string forty = "WELCOME TO KESTREL DEMO NETWORK AZ-1000!";
  const std::string dcs_heading = "ID     TEXT" + std::string(26, ' ') + "DCS";
  auto row = [](const std::string& start, const std::string& text, const std::string& dcs) {
    return start + (text + std::string(30, ' ')).substr(0, 30) + dcs;
  };
  const struct {
    std::string heading, rows, full, command_text;
  } texts[] = {
      {"", forty, forty, "WELCOME TO KESTREL DEMO N"},
      {"", "EXACTLY TWENTY-FIVE CHARS", "EXACTLY TWENTY-FIVE CHARS", "EXACTLY TWENTY-FIVE CHARS"},
      {"", "WRAPPED ONTO TWO LINES OF\r\n THE PRINTOUT", "WRAPPED ONTO TWO LINES OF THE PRINTOUT",
       "WRAPPED ONTO TWO LINES OF"},
      {dcs_heading, row("50     ", "ICERISHEH", "0"), "ICERISHEH", "ICERISHEH"},
      {dcs_heading,
       row("50     ", "WELCOME TO THE KESTREL DEMO NE", "15") + "\r\n" +
           row("       ", "TWORK, HAVE A GOOD DAY", "15") + "\r\n" + row("       ", "", "7"),
       "WELCOME TO THE KESTREL DEMO NETWORK, HAVE A GOOD DAY", "WELCOME TO THE KESTREL DE"},
  };
  for (const auto& text : texts) {
    for (std::size_t chunk : {1, 4096}) {
      SCOPED_TRACE(text.rows + ", chunks of " + std::to_string(chunk));
      Bsc bsc{{{"C09101A", {"4"}}}, {{"C09101A", {"123"}}}, {{"123", text.rows}}};
      if (!text.heading.empty()) bsc.text_heading = text.heading;
      BroadcastHarness h;
      h.RunCheck(bsc, chunk);
      const int length = text.full.size() > 25 ? static_cast<int>(text.full.size()) : 0;
      EXPECT_EQ(h.page.ReportMemo.Text(), Entry("123", text.command_text, length));
      // Each message is a result too: the text whole, the command as the report gives it.
      ASSERT_EQ(h.page.Results.size(), 1u);
      const auto& m = h.page.Results[0];
      EXPECT_EQ(m.cell + "|" + m.id + "|" + m.code + "|" + m.text + "|" + m.command,
                "C09101A|50|123|" + text.full + "|" + std::string(h.page.ReportMemo.Line(1)));
    }
  }
}

}  // namespace
}  // namespace kestrel::broadcast::testing
