#include "pages/broadcast/broadcast_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/broadcast/broadcast_test_fixture.h"

namespace kestrel::broadcast::testing {
namespace {

const std::string kCells = "RLBDP:CELL=ALL;";
std::string Entry(const std::string& code, const std::string& text, int length = 0,
                  const std::string& cell = "C09101A") {
  std::string entry =
      "CELL: " + cell + "\r\nRLMBC:ID=50,CODE=" + code + ",GS=0,PAGE=1,TEXT=\"" + text + "\";\r\n";
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
  std::string name;
  Bsc bsc;
  std::vector<std::string> commands;
  std::string report;
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
  const std::string entry77 = Entry("77", "SALAM", 0, "C09103A");
  std::vector<Row> rows = {
      {"three cells",
       {{{"C09101A", {"4"}}, {"C09102A", {"0"}}, {"C09103A", {"2"}}},
        {{"C09101A", {"123", "124"}}, {"C09103A", {"77"}}},
        {{"123", "ICERISHEHER"},
         {"124", "KESTREL DEMO MESSAGE THAT IS TOO LONG"},
         {"77", "SALAM"}}},
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09103A,ID=ALL;",
        "RLMBP:ID=50,CODE=123,GS=0;", "RLMBP:ID=50,CODE=124,GS=0;", "RLMBP:ID=50,CODE=77,GS=0;"},
       Entry("123", "ICERISHEHER") + Entry("124", "KESTREL DEMO MESSAGE THAT", 37) + entry77},
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
      {"no cell name that can be sent",
       {{{"C0;101A", {"4"}}, {"C09102A", {"0"}}}, {}, {}},
       {kCells},
       "BSC9: RLBDP:CELL=ALL; gave \"C0;101A\", which is not a cell name; not sent\r\n"
       "BSC9: no EDGE cell could be examined\r\n",
       true,
       false},
      {"the only cell with a message unread",
       busy,
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09103A,ID=ALL;"},
       "BSC9: RLMTP:CELL=C09101A,ID=ALL; refused: FUNCTION BUSY\r\n"
       "BSC9: no message with ID 50 could be read\r\n",
       true,
       false},
      {"a message without text",
       textless,
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09103A,ID=ALL;",
        "RLMBP:ID=50,CODE=123,GS=0;", "RLMBP:ID=50,CODE=77,GS=0;"},
       "BSC9: RLMBP:ID=50,CODE=123,GS=0; printout holds no TEXT\r\n" + entry77,
       true,
       false},
      {"names and codes that are not what they stand for",
       {{{"C0;101A", {"4"}}, {"C09,2A", {"1"}}, {"C\x1b[2J01", {"4"}}, {"C09103A", {"2"}}},
        {{"C09103A", {"1;3", "12,4", "77"}}},
        {{"77", "SA\x1b[31mLAM"}}},
       {kCells, "RLMTP:CELL=C09103A,ID=ALL;", "RLMBP:ID=50,CODE=77,GS=0;"},
       "BSC9: RLBDP:CELL=ALL; gave \"C0;101A\", which is not a cell name; not sent\r\n"
       "BSC9: RLBDP:CELL=ALL; gave \"C09,2A\", which is not a cell name; not sent\r\n"
       "BSC9: RLBDP:CELL=ALL; gave \"C?[2J01\", which is not a cell name; not sent\r\n"
       "BSC9: RLMTP:CELL=C09103A,ID=ALL; gave \"1;3\", which is not a message code; not sent\r\n"
       "BSC9: RLMTP:CELL=C09103A,ID=ALL; gave \"12,4\", which is not a message code; not sent\r\n" +
           Entry("77", "SA?[31mLAM", 0, "C09103A"),
       true,
       false},
  };
  // Each reading command refused in each of the element's ways, or cut off before its END.
  const struct {
    std::string command;
    std::vector<std::string> commands;
    bool finished;
  } unread[] = {
      {kCells, {kCells}, false},
      {"RLMTP:CELL=C09101A,ID=ALL;",
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09103A,ID=ALL;",
        "RLMBP:ID=50,CODE=77,GS=0;"},
       true},
      {"RLMBP:ID=50,CODE=123,GS=0;",
       {kCells, "RLMTP:CELL=C09101A,ID=ALL;", "RLMTP:CELL=C09103A,ID=ALL;",
        "RLMBP:ID=50,CODE=123,GS=0;", "RLMBP:ID=50,CODE=77,GS=0;"},
       true},
  };
  const std::pair<std::string, std::string> ways[] = {
      {"NOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE\r\n",
       " refused: NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE"},
      {"FUNCTION BUSY\r\n", " refused: FUNCTION BUSY"},
      {"COMMAND UNKNOWN\r\n", " refused: COMMAND UNKNOWN"},
      {"", " printout incomplete: no END line before the prompt"}};
  for (const auto& u : unread) {
    for (const auto& [refusal, words] : ways) {
      Bsc bsc = TwoMessages();
      if (refusal.empty()) {
        bsc.cut_off.insert(u.command);
      } else {
        bsc.refused[u.command] = refusal;
      }
      rows.push_back({u.command + words, bsc, u.commands,
                      "BSC9: " + u.command + words + "\r\n" + (u.finished ? entry77 : ""),
                      u.finished, false});
    }
  }
  return rows;
}

TEST(BroadcastPage, EachCheckSendsItsCommandsAndReportsWhatItRead) {
  for (const auto& row : Rows()) {
    for (std::size_t chunk : {1, 4096}) {
      SCOPED_TRACE(row.name + ", chunks of " + std::to_string(chunk));
      BroadcastHarness h;
      h.RunCheck(row.bsc, chunk);
      EXPECT_EQ(h.Commands(), row.commands);
      EXPECT_EQ(h.page.ReportMemo.Text(), row.report);
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
