#include "pages/relocation/relocation_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "tests/fake_telnet.h"

namespace kestrel::relocation {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

struct RecordedMessages : platform::Messages {
  std::vector<std::string> shown;
  void Show(std::string_view text) override { shown.emplace_back(text); }
};

// The present BSC: neighbours of each cell and the CGI and BCCHNO of every name.
struct Network {
  std::map<std::string, std::vector<std::string>> neighbours;
  std::map<std::string, std::pair<std::string, std::string>> data;  // CGI, BCCHNO
  bool page_breaks = false;

  std::string Answer(const std::string& command) const {
    const std::string wo =
        page_breaks ? "WO      BSC9              AD-739  TIME 261206 093001\r\n" : "";
    std::string text = command + "\r\n\r\n";
    if (command.starts_with("RLNRP:CELL=")) {
      const std::string cell = command.substr(11, command.find(',') - 11);
      text += "NEIGHBOUR RELATION DATA\r\n\r\nCELL\r\n" + cell + "\r\n\r\n";
      if (const auto found = neighbours.find(cell); found != neighbours.end()) {
        for (const auto& n : found->second)
          text += "CELLR     DIR\r\n" + wo + n + "   MUTUAL\r\n\r\n";
      }
    } else {
      const std::string cell = command.substr(11, command.size() - 12);
      const auto found = data.find(cell);
      if (found == data.end()) return text + "NOT ACCEPTED\r\nFAULT CODE 17\r\n\r\n<";
      const auto& [cgi, bcch] = found->second;
      text +=
          "CELL DESCRIPTION DATA\r\n\r\nCELL     TYPE  CGI                  BSIC  BCCHNO  "
          "AGBLK\r\n" +
          wo + cell + "  INT   " + (cgi + std::string(21, ' ')).substr(0, 21) + "47    " +
          (bcch + "        ").substr(0, 8) + "1\r\n\r\n";
    }
    return text + "END\r\n\r\n<";
  }
};

class RelocationTest : public ::testing::Test {
 protected:
  RelocationTest() {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
  }
  void Run(const Network& network, std::size_t chunk = 4096) {
    page.DqonstartButtonClick();
    telnet.Receive("User: Password: NE: ");
    telnet.Receive("\r\n<");
    for (std::size_t answered = 3; telnet.Connected() && answered < telnet.Sent().size();
         ++answered) {
      const std::string text = network.Answer(telnet.Sent()[answered]);
      for (std::size_t pos = 0; pos < text.size(); pos += chunk)
        telnet.Receive(text.substr(pos, chunk));
    }
  }
  std::vector<std::string> Commands() const {
    const auto sent = telnet.Sent();
    return {sent.begin() + 3, sent.end()};
  }

  testing::FakeTelnetClient telnet;
  mml::PropertiesForm properties;
  pages::ReadForm read_form;
  RecordedMessages messages;
  RelocationPage page{telnet, properties, read_form, messages};
};

// Two cells move from BSC9 to BSC12: A shares a site with A's second sector and has a
// neighbour on BSC12 and one that is itself moved; both have C09201A as a neighbour.
Network TwoMovedCells() {
  return {{{"C09101A", {"C09101B", "C12101A", "C09102A", "C09201A"}},
           {"C09102A", {"C09201A", "C09101A"}}},
          {{"C09101A", {"400-01-912-10101", "62"}},
           {"C09102A", {"400-01-912-10102", "64"}},
           {"C09101B", {"400-01-912-10111", "63"}},
           {"C09201A", {"400-01-921-10201", "70"}},
           {"C12101A", {"400-01-1234-1201", "80"}}}};
}

TEST(BscNumbers, FromTheLocationAreaCode) {
  EXPECT_EQ(BscNumberOfCgi("400-01-912-10101"), "9");
  EXPECT_EQ(BscNumberOfCgi("400-01-1234-1201"), "12");
  EXPECT_EQ(BscNumberOfCgi(""), "");
}

TEST_F(RelocationTest, ReadsNeighboursThenEveryNameOnceAndWritesTheScript) {
  page.DqonListMemo.SetText("c09101a\r\nC09102A");  // lower case is checked in upper case
  page.DqondComboBox.SetItemIndex(11);              // "12"
  Run(TwoMovedCells(), 5);
  EXPECT_THAT(Commands(), ElementsAre("RLNRP:CELL=C09101A,CELLR=ALL,NODATA;",
                                      "RLNRP:CELL=C09102A,CELLR=ALL,NODATA;", "RLDEP:CELL=C09101A;",
                                      "RLDEP:CELL=C09101B;", "RLDEP:CELL=C12101A;",
                                      "RLDEP:CELL=C09102A;", "RLDEP:CELL=C09201A;"));
  EXPECT_EQ(
      read_form.Memo1.Text(),
      "@COMMENT C09101A CELL INTERNAL NEIGHBOUR RELATIONS\r\n"
      "RLNRI:CELL=C09101A,CELLR=C12101A;\r\n"
      "RLMFC:CELL=C09101A,MBCCHNO=80,MRNIC;\r\n"
      "RLMFC:CELL=C12101A,MBCCHNO=62,MRNIC;\r\n"
      "RLNRC:CELL=C09101A,CELLR=C12101A,KHYST=3,LHYST=6,TRHYST=2,CAND=BOTH,AWOFFSET=3,CS=NO;\r\n"
      "RLNRC:CELL=C09101A,CELLR=C12101A,HIHYST=3;\r\n"
      "RLSSC:CELL=C12101A,MBCR=2;\r\n\r\n"
      "RLNRI:CELL=C09101A,CELLR=C09102A;\r\n"
      "RLMFC:CELL=C09101A,MBCCHNO=64,MRNIC;\r\n"
      "RLMFC:CELL=C09102A,MBCCHNO=62,MRNIC;\r\n"
      "RLNRC:CELL=C09101A,CELLR=C09102A,KHYST=3,LHYST=6,TRHYST=2,CAND=BOTH,AWOFFSET=3,CS=YES;\r\n"
      "RLNRC:CELL=C09101A,CELLR=C09102A,HIHYST=3;\r\n"
      "RLSSC:CELL=C09102A,MBCR=2;\r\n\r\n"
      "@COMMENT C09101A CELL EXTERNAL NEIGHBOUR RELATIONS\r\n"
      "@COMMENT C09101B BSC9\r\n"
      "@COMMENT C09201A BSC9\r\n\r\n"
      "@COMMENT C09102A CELL INTERNAL NEIGHBOUR RELATIONS\r\n"
      "RLNRI:CELL=C09102A,CELLR=C09101A;\r\n"
      "RLMFC:CELL=C09102A,MBCCHNO=62,MRNIC;\r\n"
      "RLMFC:CELL=C09101A,MBCCHNO=64,MRNIC;\r\n"
      "RLNRC:CELL=C09102A,CELLR=C09101A,KHYST=3,LHYST=6,TRHYST=2,CAND=BOTH,AWOFFSET=3,CS=YES;\r\n"
      "RLNRC:CELL=C09102A,CELLR=C09101A,HIHYST=3;\r\n"
      "RLSSC:CELL=C09101A,MBCR=2;\r\n\r\n"
      "@COMMENT C09102A CELL EXTERNAL NEIGHBOUR RELATIONS\r\n"
      "@COMMENT C09201A BSC9\r\n\r\n");
  EXPECT_TRUE(read_form.Window.Visible());
  EXPECT_EQ(page.DqonCellDataDone, "OK");
  // The report: every column before the move, then after it.
  EXPECT_EQ(page.DqonrepMemo.Text(),
            "C09101A\tC09101B\tC12101A\tC09102A\tC09201A\t\r\n\n\r\n9\t9\t12\t9\t9\t\r\n\n\r\n62\t6"
            "3\t80\t64\t70\t\r\n\n\r\n"
            "C09102A\tC09201A\tC09101A\t\r\n\n\r\n9\t9\t9\t\r\n\n\r\n64\t70\t62\t\r\n\n\r\n"
            "C09101A\tC09101B\tC12101A\tC09102A\tC09201A\t\r\n\n\r\n12\t9\t12\t12\t9\t\r\n\n\r\n62"
            "\t63\t80\t64\t70\t\r\n\n\r\n"
            "C09102A\tC09201A\tC09101A\t\r\n\n\r\n12\t9\t12\t\r\n\n\r\n64\t70\t62\t\r\n\n\r\n");
}

TEST_F(RelocationTest, PageHeadersMoveTheRowsDown) {
  Network network = TwoMovedCells();
  network.page_breaks = true;
  page.DqonListMemo.SetText("C09102A");
  Run(network);
  EXPECT_THAT(read_form.Memo1.Text(), HasSubstr("@COMMENT C09201A BSC9\r\n"));
  EXPECT_THAT(read_form.Memo1.Text(),
              HasSubstr("@COMMENT C09101A BSC9\r\n"));  // target 1: both elsewhere
}

TEST_F(RelocationTest, LimitsAtStart) {
  std::string many;
  for (int i = 0; i < 201; ++i) many += "C" + std::to_string(100000 + i) + "\r\n";
  page.DqonListMemo.SetText(many);
  page.DqonstartButtonClick();
  page.DqonListMemo.Clear();
  page.DqonstartButtonClick();
  EXPECT_THAT(messages.shown,
              ElementsAre("CELL-lerin sayi 200-den artiq ola bilmez!!!", "CELL-elave et"));
  EXPECT_TRUE(telnet.events.empty());
  EXPECT_EQ(page.DqonstartButton.Caption(), "Start");
}

TEST_F(RelocationTest, NeighboursBeyondTheColumnAreLeftOutAndSaidSo) {
  Network network;
  for (int n = 0; n < 70; ++n) {
    const std::string name = "C" + std::to_string(20000 + n) + "A";
    network.neighbours["C09101A"].push_back(name);
    network.data[name] = {"400-01-912-" + std::to_string(n), "1"};
  }
  network.data["C09101A"] = {"400-01-912-10101", "62"};
  page.DqonListMemo.SetText("C09101A");
  Run(network);
  EXPECT_EQ(page.DqonTable[64][0], "C20063A");
  EXPECT_EQ(page.DqonTable[65][0], "");
  EXPECT_THAT(
      page.DqonrepMemo.Text(),
      HasSubstr("C09101A: 6 neighbour(s) beyond the 64 that fit are left out of the script"));
  EXPECT_THAT(read_form.Memo1.Text(), Not(HasSubstr("C20064A")));
}

TEST_F(RelocationTest, EarlierCheckLeavesNothingBehind) {
  page.DqonListMemo.SetText("C09101A");
  Run(TwoMovedCells());
  page.DqonstartButtonClick();  // Stop
  page.DqonListMemo.SetText("C09101A");
  Network fewer = TwoMovedCells();
  fewer.neighbours["C09101A"] = {"C09101B"};
  telnet.Forget();
  Run(fewer);
  EXPECT_EQ(page.DqonTable[2][0], "");
  EXPECT_THAT(read_form.Memo1.Text(), Not(HasSubstr("C12101A")));
}

}  // namespace
}  // namespace kestrel::relocation
