#include "pages/broadcast/broadcast_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "pages/broadcast/broadcast_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::broadcast::testing {
namespace {

std::string Entry(const std::string& code, const std::string& text, int length) {
  std::string entry =
      "CELL: C09101A\r\nRLMBC:ID=50,CODE=" + code + ",GS=0,PAGE=1,TEXT=\"" + text + "\";\r\n";
  if (length > 0) {
    entry += "Message text is " + std::to_string(length) +
             " characters long; the command above carries only its first 25\r\n";
  }
  return entry + "\r\n";
}

// Three cells, two of them with a message each.
Bsc TwoMessages() {
  return {{{"C09101A", {"4"}}, {"C09102A", {"0"}}, {"C09103A", {"2"}}},
          {{"C09101A", {"123"}}, {"C09103A", {"77"}}},
          {{"123", "ICERISHEHER"}, {"77", "SALAM"}}};
}

struct Row {
  std::string name;  // its section in broadcast-checks.txt: the commands sent, the report
  Bsc bsc;
  bool finished = true;
  bool clean = true;
};

// Phase one reads every cell's NUMREQEGPRSBPC rows, phase two the ID 50 messages of each row
// other than 0, phase three each message's text; the report gives a ready command per message.
// A check that finds nothing says which phase found nothing, and claims no more than it read.
// A refused or cut-off RLBDP ends the check; a refused or cut-off RLMTP or RLMBP loses only its
// own cell or message. A value that is not what it stands for is never sent.
std::vector<Row> Rows() {
  Bsc paged{{{"C09101A", {"4"}}}, {{"C09101A", {"123"}}}, {{"123", "HI"}}};
  paged.page_break_under_heading = true;
  Bsc busy = TwoMessages();
  busy.refused["RLMTP:CELL=C09101A,ID=ALL;"] = "FUNCTION BUSY\r\n";
  busy.codes.erase("C09103A");
  Bsc textless = TwoMessages();
  textless.texts.erase("123");
  std::vector<Row> rows = {
      {"three cells",
       {{{"C09101A", {"4"}}, {"C09102A", {"0"}}, {"C09103A", {"2"}}},
        {{"C09101A", {"123", "124"}}, {"C09103A", {"77"}}},
        {{"123", "ICERISHEHER"},
         {"124", "KESTREL DEMO MESSAGE THAT IS TOO LONG"},
         {"77", "SALAM"}}}},
      {"two rows other than 0: examined twice",
       {{{"C09101A", {"4", "2", "0"}}}, {{"C09101A", {"123"}}}, {{"123", "HI"}}}},
      {"page header under the heading", paged},
      {"no cell", {{{"C09101A", {"0"}}, {"C09102A", {"0", "0"}}}, {}, {}}},
      {"no message", {{{"C09101A", {"4"}}, {"C09102A", {"2"}}}, {}, {}}},
      {"no cell name that can be sent",
       {{{"C0;101A", {"4"}}, {"C09102A", {"0"}}}, {}, {}},
       true,
       false},
      {"the only cell with a message unread", busy, true, false},
      {"a message without text", textless, true, false},
      {"names and codes that are not what they stand for",
       {{{"C0;101A", {"4"}}, {"C09,2A", {"1"}}, {"C\x1b[2J01", {"4"}}, {"C09103A", {"2"}}},
        {{"C09103A", {"1;3", "12,4", "77"}}},
        {{"77", "SA\x1b[31mLAM"}}},
       true,
       false},
  };
  // Each reading command refused in each of the element's ways, or cut off before its END.
  for (const std::string command :
       {"RLBDP:CELL=ALL;", "RLMTP:CELL=C09101A,ID=ALL;", "RLMBP:ID=50,CODE=123,GS=0;"}) {
    for (const auto& [refusal, words] : std::vector<std::pair<std::string, std::string>>{
             {"NOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE\r\n",
              " refused: NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE"},
             {"FUNCTION BUSY\r\n", " refused: FUNCTION BUSY"},
             {"COMMAND UNKNOWN\r\n", " refused: COMMAND UNKNOWN"},
             {"", " printout incomplete: no END line before the prompt"}}) {
      Bsc bsc = TwoMessages();
      if (refusal.empty()) {
        bsc.cut_off.insert(command);
      } else {
        bsc.refused[command] = refusal;
      }
      rows.push_back({command + words, bsc, !command.starts_with("RLBDP"), false});
    }
  }
  return rows;
}

TEST(BroadcastPage, EachCheckSendsItsCommandsAndReportsWhatItRead) {
  const auto expected = kestrel::testing::TestDataSections("pages/broadcast-checks.txt");
  for (const auto& row : Rows()) {
    std::vector<std::string> commands;
    std::string report;
    std::istringstream lines(expected.at(row.name));
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("> ")) {
        commands.push_back(line.substr(2, line.size() - 3));
      } else {
        report += line + "\n";
      }
    }
    for (std::size_t chunk : {1, 4096}) {
      SCOPED_TRACE(row.name + ", chunks of " + std::to_string(chunk));
      BroadcastHarness h;
      h.RunCheck(row.bsc, chunk);
      EXPECT_EQ(h.Commands(), commands);
      EXPECT_EQ(h.page.ReportMemo.Text(), report);
      std::vector<std::string> notes;  // every line about the BSC is a note of the session
      for (const auto& line : h.page.ReportMemo.Lines()) {
        if (line.starts_with("BSC9")) notes.push_back(line);
      }
      EXPECT_EQ(h.telnet.notes, notes);
      EXPECT_EQ(h.page.StartButton.Caption(), "Start");
      EXPECT_FALSE(h.page.BrMemo.Visible());
      EXPECT_FALSE(h.telnet.Connected());
      EXPECT_EQ(h.page.CheckFinished, row.finished);
      EXPECT_EQ(h.Clean(), row.clean);
      EXPECT_TRUE(h.messages.shown.empty());
    }
  }
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

TEST(BroadcastPage, StartWithoutABscSendsNothing) {
  BroadcastHarness h;
  h.page.BscComboBox.SetText(" ");
  EXPECT_THROW(h.page.StartButtonClick(), std::runtime_error);
  EXPECT_TRUE(h.telnet.events.empty());
  EXPECT_EQ(h.page.StartButton.Caption(), "Start");
}

}  // namespace
}  // namespace kestrel::broadcast::testing
