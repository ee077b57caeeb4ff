#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/neighbours_test_fixture.h"

namespace kestrel::neighbours::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ScriptTest : public NeighboursTest {
 protected:
  // Fills the tables as a collection would have, every value telling its side, record and
  // slot: 1205 is slot 5 of record 2 of the Cell side, "r0s3" slot 3 of record 0 of the Cellr
  // side, and the CGI of record 1 of the Cellr side is "400-01-21-2100".
  void Collected(const std::string& cells_text, const std::string& cellrs_text) {
    page.Memocell.SetText(cells_text);
    page.Memocellr.SetText(cellrs_text);
    for (Side* side : {&page.Cell, &page.Cellr}) {
      side->Table.resize(4);
      const int number = side == &page.Cell ? 1 : 2;
      for (std::size_t k = 0; k < 4; ++k) {
        const std::string tag = (side == &page.Cell ? "c" : "r") + std::to_string(k);
        for (int slot = 0; slot < kSlots; ++slot) {
          const int value = number * 1000 + static_cast<int>(k) * 100 + slot;
          std::string& text = side->Table[k][static_cast<std::size_t>(slot)];
          if (slot == kCgi) {
            text = "400-01-" + std::to_string(number * 10 + static_cast<int>(k)) + "-" +
                   std::to_string(value);
          } else if (slot == kCsystype || slot == kAw || slot == kScho) {
            text = tag + "s" + std::to_string(slot);
          } else {
            text = std::to_string(value);
          }
        }
      }
    }
  }
  std::string Script() {
    page.WriteScript();
    return read_form.Memo1.Text();
  }
};

TEST_F(ScriptTest, InternalFormWhenBothSidesAreTheSamePick) {
  Collected("A1\r\nA2\r\n", "B1\r\nB2\r\n");
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(8);
  EXPECT_EQ(Script(), ExpectedScript("neighbours_internal.txt"));
}

// The internal form when both sides are one BSC: combo boxes untouched, or the same name
// typed on both; names typed by hand are compared as names, picked ones by their position.
TEST_F(ScriptTest, WhichFormTheScriptTakes) {
  const struct {
    const char* cell;  // "" untouched, "#n" picked at position n, else typed
    const char* cellr;
    const char* start;
    bool external;
  } rows[] = {
      {"", "", "ALTBSC1_X29,PROT=V24 ucun script:\r\n\r\nRLNRI:CELL=A1,CELLR=B1;\r\n", false},
      {"", "#0", "ALTBSC1_X29,PROT=V24 ucun script:\r\n\r\nRLDEI:", true},  // a position now
      {"BSC9", "BSC99", "BSC99 ucun script:\r\n\r\nRLDEI:CELL=A1,CSYSTYPE=c0s3,EXT;\r\n", true},
      {"BSC9", "BSC9", "BSC9 ucun script:\r\n\r\nRLNRI:CELL=A1,CELLR=B1;\r\n", false},
      {"BSC9", "#8", "BSC9 ucun script:\r\n\r\nRLDEI:", true},  // a position against none
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.cell) + " / " + row.cellr);
    Collected("A1\r\nA1\r\n", "B1\r\nB1\r\n");
    for (auto [box, how] : {std::pair{&page.CellbscComboBox, row.cell},
                            std::pair{&page.CellrbscComboBox, row.cellr}}) {
      if (*how == '#') {
        box->SetItemIndex(std::atoi(how + 1));
      } else if (*how != '\0') {
        box->SetText(how);
      }
    }
    const std::string script = Script();
    EXPECT_TRUE(script.starts_with(row.start)) << script;
    EXPECT_EQ(script.find("!!! MSC-e tanitim !!!") != std::string::npos, row.external);
    // The internal form writes identical pairs twice.
    std::size_t count = 0;
    for (std::size_t at = 0; (at = script.find("CELL=A1,CELLR=B1;\r\n", at)) != script.npos; ++at)
      ++count;
    EXPECT_TRUE(row.external || count == 2u) << count;
  }
}

TEST_F(ScriptTest, ExternalFormLineForLine) {
  Collected("A1\r\n", "B1\r\n");
  page.CellbscComboBox.SetItemIndex(8);   // BSC9, MSC9
  page.CellrbscComboBox.SetItemIndex(9);  // BSC10, MSC10
  page.Troffsetp.SetText("4");
  page.Extpen.SetText("OFF");
  EXPECT_EQ(Script(), ExpectedScript("neighbours_external.txt"));
}

TEST_F(ScriptTest, ExternalFormDefinesACellOnceAndIdenticalPairsOnce) {
  Collected("A1\r\nA1\r\nA1\r\n", "B1\r\nB2\r\nB1\r\n");
  // A cell collected twice has the same parameters each time.
  page.Cell.Table[1] = page.Cell.Table[2] = page.Cell.Table[0];
  page.Cellr.Table[2] = page.Cellr.Table[0];
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  const std::string script = Script();
  auto count = [&](const std::string& line) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = script.find(line + "\r\n", at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(count("RLDEI:CELL=A1,CSYSTYPE=c0s3,EXT;"), 1u);
  EXPECT_EQ(count("RLNRI:CELL=B1,CELLR=A1,SINGLE;"), 1u);
  EXPECT_EQ(count("RLNRI:CELL=B2,CELLR=A1,SINGLE;"), 1u);
  EXPECT_EQ(count("MGOCI:CELL=A1,CGI=400-01-10-1000,MSC=MSC9;"), 1u);
  EXPECT_EQ(count("MGOCP:CELL=A1;"), 1u);
  // The third pair repeats the first: only its two empty lines are written.
  EXPECT_THAT(script,
              HasSubstr("RLNRC:CELL=B2,CELLR=A1,HIHYST=3;\r\n\r\n\r\n\r\nBSC9 ucun script:"));
}

TEST_F(ScriptTest, UnknownMscIsNamedAsUnknownAndTypedNamesAreLookedUp) {
  Collected("A1\r\n", "B1\r\n");
  page.CellbscComboBox.SetItemIndex(16);   // BSC17: no MSC in the table
  page.CellrbscComboBox.SetText("BSC12");  // typed by hand: no position, but a pick-list name
  const std::string script = Script();
  EXPECT_THAT(script, HasSubstr("!!! BSC17 ucun MSC bilinmir: MSC? yerine yazin !!!\r\n"));
  EXPECT_THAT(script, HasSubstr("MGOCI:CELL=A1,CGI=400-01-10-1000,MSC=MSC?;"));
  EXPECT_THAT(script, HasSubstr("MGOCI:CELL=B1,CGI=400-01-20-2000,MSC=MSC12;"));
  EXPECT_THAT(script, Not(HasSubstr("MSC=;")));
}

TEST_F(ScriptTest, EmptyListsGiveOnlyHeadingsAndMarkers) {
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  EXPECT_EQ(Script(), ExpectedScript("neighbours_empty_lists.txt"));
}

}  // namespace
}  // namespace kestrel::neighbours::testing
