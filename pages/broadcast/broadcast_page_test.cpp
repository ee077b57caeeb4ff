#include "pages/broadcast/broadcast_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "tests/fake_telnet.h"

namespace kestrel::broadcast {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The printouts of a BSC whose cells have NUMREQEGPRSBPC rows and ID 50 messages.
struct Bsc {
  std::vector<std::pair<std::string, std::vector<std::string>>> cells;  // name, NUMREQEGPRSBPC rows
  std::map<std::string, std::vector<std::string>> codes;                // cell -> codes of ID 50
  std::map<std::string, std::string> texts;                             // code -> text
  bool page_break_under_heading = false;

  std::string Answer(const std::string& command) const {
    const std::string wo = "WO      BSC9              AD-739  TIME 261206 093001\r\n";
    std::string text = command + "\r\n\r\n";
    if (command == "RLBDP:CELL=ALL;") {
      text += "CELL PACKET DATA\r\n\r\n";
      for (const auto& [cell, rows] : cells) {
        text += "CELL\r\n" + cell + "\r\n\r\nNUMREQEGPRSBPC  NUMREQBPC\r\n";
        if (page_break_under_heading) text += wo;
        // Three rows in a block, empty where the cell has fewer.
        for (std::size_t k = 0; k < 3; ++k) {
          text += k < rows.size() ? (rows[k] + "                ").substr(0, 16) + "8\r\n" : "\r\n";
        }
        text += "\r\n";
      }
    } else if (command.starts_with("RLMTP:CELL=")) {
      const std::string cell = command.substr(11, command.find(',') - 11);
      text += "CELL BROADCAST MESSAGE DATA\r\n\r\nCELL\r\n" + cell +
              "\r\n\r\nID     CODE  GS    LANG\r\n";
      text += "01     900   0     EN\r\n";
      if (const auto found = codes.find(cell); found != codes.end()) {
        for (const auto& code : found->second)
          text += "50     " + (code + "      ").substr(0, 6) + "0     EN\r\n";
      }
      text += "\r\n";
    } else {
      const std::string code = command.substr(17, command.find(",GS") - 17);
      text += "CELL BROADCAST MESSAGE\r\n\r\nID     CODE  GS    PAGE\r\n50     " + code +
              "\r\n\r\nTEXT" + std::string(30, ' ') + "\r\n" + texts.at(code) + "\r\n\r\n";
    }
    return text + "END\r\n\r\n<";
  }
};

class BroadcastTest : public ::testing::Test {
 protected:
  BroadcastTest() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
  }
  // Starts a check and answers every command until the session ends.
  void Run(const Bsc& bsc, std::size_t chunk = 4096) {
    page.StartButtonClick();
    EXPECT_TRUE(page.BrMemo.Visible());
    telnet.Receive("User: Password: NE: ");
    telnet.Receive("\r\n<");
    for (std::size_t answered = 3; telnet.Connected() && answered < telnet.Sent().size();
         ++answered) {
      const std::string text = bsc.Answer(telnet.Sent()[answered]);
      for (std::size_t pos = 0; pos < text.size() && telnet.Connected(); pos += chunk) {
        telnet.Receive(text.substr(pos, chunk));
      }
    }
  }
  std::vector<std::string> Commands() const {
    auto sent = telnet.Sent();
    return {sent.begin() + 3, sent.end()};
  }

  testing::FakeTelnetClient telnet;
  mml::PropertiesForm properties;
  BroadcastPage page{telnet, properties};
};

TEST_F(BroadcastTest, ThreePhasesGiveAReadyCommandPerMessage) {
  Bsc bsc{
      {{"C09101A", {"4"}}, {"C09102A", {"0"}}, {"C09103A", {"2"}}},
      {{"C09101A", {"123", "124"}}, {"C09103A", {"77"}}},
      {{"123", "ICERISHEHER"}, {"124", "KESTREL DEMO MESSAGE THAT IS TOO LONG"}, {"77", "SALAM"}}};
  for (std::size_t chunk : {3, 4096}) {
    telnet.Forget();
    Run(bsc, chunk);
    EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
                                        "RLMTP:CELL=C09103A,ID=ALL;", "RLMBP:ID=50,CODE=123,GS=0;",
                                        "RLMBP:ID=50,CODE=124,GS=0;", "RLMBP:ID=50,CODE=77,GS=0;"));
    EXPECT_EQ(page.ReportMemo.Text(),
              "CELL: C09101A\r\nRLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"ICERISHEHER\";\r\n\r\n"
              "CELL: C09101A\r\nRLMBC:ID=50,CODE=124,GS=0,PAGE=1,TEXT=\"KESTREL DEMO MESSAGE "
              "THAT\";\r\n\r\n"
              "CELL: C09103A\r\nRLMBC:ID=50,CODE=77,GS=0,PAGE=1,TEXT=\"SALAM\";\r\n\r\n");
    EXPECT_EQ(page.StartButton.Caption(), "Start");
    EXPECT_FALSE(page.BrMemo.Visible());
    EXPECT_FALSE(telnet.Connected());
    EXPECT_TRUE(page.CheckFinished);
  }
}

TEST_F(BroadcastTest, CellWithTwoNonZeroRowsIsExaminedTwice) {
  Run({{{"C09101A", {"4", "2", "0"}}}, {{"C09101A", {"123"}}}, {{"123", "HI"}}});
  EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
                                      "RLMTP:CELL=C09101A,ID=ALL;", "RLMBP:ID=50,CODE=123,GS=0;",
                                      "RLMBP:ID=50,CODE=123,GS=0;"));
}

TEST_F(BroadcastTest, PageHeaderUnderTheHeadingDoesNotReadTheFirstRowTwice) {
  Bsc bsc{{{"C09101A", {"4"}}}, {{"C09101A", {"123"}}}, {{"123", "HI"}}};
  bsc.page_break_under_heading = true;
  Run(bsc);
  EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;",
                                      "RLMBP:ID=50,CODE=123,GS=0;"));
}

TEST_F(BroadcastTest, NoCellToExamineEndsWithAnEmptyReport) {
  Run({{{"C09101A", {"0"}}, {"C09102A", {"0", "0"}}}, {}, {}});
  EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;"));
  EXPECT_EQ(page.ReportMemo.Text(), "");
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.StartButton.Caption(), "Start");
}

TEST_F(BroadcastTest, NoMessageWithId50EndsWithAnEmptyReport) {
  Run({{{"C09101A", {"4"}}}, {}, {}});
  EXPECT_THAT(Commands(), ElementsAre("RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;"));
  EXPECT_THAT(page.ReportMemo.Lines(), IsEmpty());
  EXPECT_FALSE(telnet.Connected());
}

TEST_F(BroadcastTest, StopInTheMiddleStartsAgainWithPhaseOne) {
  page.StartButtonClick();
  telnet.Receive("User: Password: NE: \r\n<");
  page.StartButtonClick();
  EXPECT_FALSE(telnet.Connected());
  EXPECT_EQ(page.Phase1Done, "");
  page.StartButtonClick();
  telnet.Receive("\r\n<");
  EXPECT_EQ(telnet.Sent().back(), "RLBDP:CELL=ALL;");
}

}  // namespace
}  // namespace kestrel::broadcast
