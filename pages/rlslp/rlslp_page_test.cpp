#include "pages/rlslp/rlslp_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "pages/rlslp/rlslp_test_fixture.h"

namespace kestrel::rlslp::testing {
namespace {

using ::testing::ElementsAre;

// Each BSC of the queue in a session of its own; its block of the report names every cell
// whose channels are not active, and each such line is a result of its BSC, however the
// printout was cut.
TEST(RlslpPage, EachBscOfTheQueueReportsItsCellsThatAreNotActive) {
  const std::string first = Printout({{"C09101A", "YES"},
                                      {"C09101B", "NO"},
                                      {"C09102A", ""},
                                      {"C09102B", "YES"},
                                      {"C09103A", "N\x1bO"}},
                                     true);
  const std::string second = Printout({{"C01101A", "NOPE!"}});
  for (std::size_t size : {1, 3, 7, 1460}) {
    SCOPED_TRACE("chunks of " + std::to_string(size));
    RlslpHarness h;
    h.Queue({"BSC9", "ALTBSC1_X29,PROT=V24"});
    h.page.SlpstartButtonClick();
    EXPECT_EQ(h.page.SlpstartButton.Caption(), "Stop");
    EXPECT_TRUE(h.page.AnimationPanel.Visible());
    h.LogIn();
    h.telnet.ReceiveInChunks(first, size);
    h.LogIn();
    h.telnet.ReceiveInChunks(second, size);
    EXPECT_EQ(h.page.SlpreportMemo.Text(),
              "Check: BSC9\r\nC09101B: ACTIVE=NO\r\nC09102A: ACTIVE=\r\nC09103A: ACTIVE=N?O\r\n"
              "Finish check\r\n\r\n"
              "Check: ALTBSC1_X29,PROT=V24\r\nC01101A: ACTIVE=NOPE!\r\nFinish check\r\n\r\n");
    EXPECT_THAT(h.telnet.events,
                ElementsAre("connect", "> ops1", "> pw", "> NE=BSC9", "> RLSLP:CELL=ALL;",
                            "disconnect", "connect", "> ops1", "> pw", "> NE=ALTBSC1_X29,PROT=V24",
                            "> RLSLP:CELL=ALL;", "disconnect"));
    std::vector<std::string> results;
    for (const auto& cell : h.page.Results)
      results.push_back(cell.bsc + "|" + cell.cell + "|" + cell.active);
    EXPECT_THAT(results, ElementsAre("BSC9|C09101B|NO", "BSC9|C09102A|", "BSC9|C09103A|N?O",
                                     "ALTBSC1_X29,PROT=V24|C01101A|NOPE!"));
    EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
    EXPECT_FALSE(h.page.AnimationPanel.Visible());
    EXPECT_TRUE(h.page.SlpListBox.Empty());
    ASSERT_EQ(h.page.Outcomes.All().size(), 2u);
    EXPECT_EQ(pages::RecapLine(h.page.Outcomes.All()[0]), "BSC9: reached, done");
    EXPECT_TRUE(h.Clean("ALTBSC1_X29,PROT=V24"));
    EXPECT_TRUE(h.telnet.notes.empty());
  }
}

// Only a printout that ran to its END, without a refusal, closes the block with "Finish
// check"; what a cut printout shows is still reported. Either way the BSC leaves the queue
// and the next one is checked.
TEST(RlslpPage, ARefusedOrCutPrintoutIsNotedAndTheNextBscGoesOn) {
  const std::string cut_off =  // the prompt comes with no END before it
      "RLSLP:CELL=ALL;\r\n\r\nCELL       SCTYPE\r\nC09101A\r\n\r\n"
      "ACTIVE     CHTYPE\r\nNO         TCH\r\n\r\nCELL       SCTYPE\r\nC09101B\r\n<";
  const std::string incomplete =
      "C09101A: ACTIVE=NO\r\nBSC9: RLSLP:CELL=ALL; printout incomplete: no END line before the "
      "prompt\r\n";
  const std::pair<std::string, std::string> rows[] = {
      {"RLSLP:CELL=ALL;\r\n\r\nNOT ACCEPTED\r\nFAULT CODE 7\r\nUNREASONABLE VALUE\r\n\r\n<",
       "BSC9: RLSLP:CELL=ALL; refused: NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE\r\n"},
      {"RLSLP:CELL=ALL;\r\n\r\nFUNCTION BUSY\r\n\r\n<",
       "BSC9: RLSLP:CELL=ALL; refused: FUNCTION BUSY\r\n"},
      {"RLSLP:CELL=ALL;\r\n\r\nCOMMAND UNKNOWN\r\n\r\n<",
       "BSC9: RLSLP:CELL=ALL; refused: COMMAND UNKNOWN\r\n"},
      {cut_off, incomplete},
      {Printout({{"C09101A", "NO"}, {"C<9101B", "NO"}}), incomplete},  // a prompt inside
  };
  for (const auto& [answer, block] : rows) {
    for (std::size_t chunk : {1, 3, 4096}) {
      SCOPED_TRACE(block + ", chunks of " + std::to_string(chunk));
      RlslpHarness h;
      h.Queue({"BSC9", "BSC10"});
      h.page.SlpstartButtonClick();
      h.LogIn();
      // Up to the end of this session: what follows would go to the next one.
      const auto& events = h.telnet.events;
      for (std::size_t pos = 0;
           pos < answer.size() && std::count(events.begin(), events.end(), "connect") == 1;
           pos += chunk) {
        h.telnet.Receive(answer.substr(pos, chunk));
      }
      h.LogIn();
      h.telnet.ReceiveInChunks(Printout({{"C10101A", "NO"}}), chunk);
      EXPECT_EQ(
          h.page.SlpreportMemo.Text(),
          "Check: BSC9\r\n" + block + "Check: BSC10\r\nC10101A: ACTIVE=NO\r\nFinish check\r\n\r\n");
      const std::string note = h.page.SlpreportMemo.Lines()[block.starts_with("C09") ? 2 : 1];
      EXPECT_THAT(h.telnet.notes, ElementsAre(note));
      EXPECT_THAT(h.page.Outcomes.Find("BSC9")->problems, ElementsAre(note));
      EXPECT_FALSE(h.Clean("BSC9"));
      EXPECT_TRUE(h.Clean("BSC10"));
      EXPECT_TRUE(h.page.SlpListBox.Empty());
      EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
      EXPECT_TRUE(h.messages.shown.empty());
    }
  }
}

// Only the user or the password would be refused for every BSC: a refused BSC and a gateway
// at its limit of sessions are not the login's fault.
TEST(RlslpPage, ARefusedLoginIsToldFromOtherRefusals) {
  const std::pair<const char*, bool> refusals[] = {
      {"\r\nUser: \r\nPassword: \r\nLOGIN INCORRECT\r\nUser: ", true},
      {"TOO MANY SESSIONS\r\n", false},
      {"\r\nUser: \r\nPassword: \r\nNE: \r\nNE BSC9 NOT DEFINED IN GATEWAY\r\nNE: ", false}};
  for (const auto& [said, login] : refusals) {
    RlslpHarness h;
    h.Queue({"BSC9"});
    h.page.SlpstartButtonClick();
    EXPECT_FALSE(h.page.LoginRefused());
    h.telnet.Receive(said);
    EXPECT_EQ(h.page.LoginRefused(), login) << said;
    EXPECT_EQ(h.page.SlpstartButton.Caption(), "Start");
  }
}

TEST_F(RlslpPageTest, HeadingsAreLookedForInEveryLine) {
  Queue({"BSC9"});
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive(
      "RLSLP:CELL=ALL;\r\n\r\n"
      "CELL       SCTYPE\r\n"
      "WO      BSC9      AD-739  TIME 261206 093001\r\n"
      "C09101A    UL\r\n\r\n"
      "  ACTIVE     CHTYPE\r\n"  // columns further right in this block
      "WO      BSC9      AD-739  TIME 261206 093001\r\n"
      "  NO         TCH\r\n\r\nEND\r\n\r\n<");
  EXPECT_EQ(page.SlpreportMemo.Line(1), "C09101A: ACTIVE=NO");
}

// With an empty queue Start checks the BSC of the box, and refuses a blank one untouched.
TEST_F(RlslpPageTest, StartWithEmptyQueueChecksTheComboBoxBsc) {
  page.SlpComboBox.SetText("  ");
  EXPECT_THROW(page.SlpstartButtonClick(), std::runtime_error);
  EXPECT_TRUE(telnet.events.empty());
  EXPECT_EQ(page.SlpstartButton.Caption(), "Start");
  page.SlpComboBox.SetText("BSC12");
  page.SlpstartButtonClick();
  LogIn();
  telnet.Receive(Printout({{"C12101A", "YES"}}));
  EXPECT_EQ(page.SlpreportMemo.Text(), "Check: BSC12\r\nFinish check\r\n\r\n");
  EXPECT_THAT(telnet.Sent(), ElementsAre("ops1", "pw", "NE=BSC12", "RLSLP:CELL=ALL;"));
  EXPECT_TRUE(page.SlpListBox.Empty());
}

TEST_F(RlslpPageTest, EditingTheQueueDuringACheckSkipsNoBsc) {
  Queue({"BSC9", "BSC10"});
  page.SlpstartButtonClick();
  LogIn();
  page.SlpListBox.SetSelected(0, true);  // the engineer deletes the BSC being checked
  page.Button2Click();
  telnet.Receive(Printout({{"C09101A", "NO"}}));
  EXPECT_THAT(page.SlpListBox.Items(), ElementsAre("BSC10"));
  EXPECT_EQ(page.SlpreportMemo.Line(4), "Check: BSC10");
  EXPECT_EQ(page.SlpstartButton.Caption(), "Stop");
}

TEST_F(RlslpPageTest, AddAndDeleteQueue) {
  page.SlpComboBox.SetItemIndex(2);
  page.Button1Click();
  page.Button1Click();  // the same name may be queued twice
  page.SlpComboBox.SetText(" ");
  page.Button1Click();  // a blank one not at all
  page.SlpListBox.SetSelected(1, true);
  page.Button2Click();
  EXPECT_THAT(page.SlpListBox.Items(), ElementsAre("BSC6_X29,PROT=V24"));
}

}  // namespace
}  // namespace kestrel::rlslp::testing
