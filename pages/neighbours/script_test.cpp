#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/neighbours_test_fixture.h"
#include "tests/test_data.h"

namespace kestrel::neighbours::testing {
namespace {

struct ScriptRig : NeighboursRig {
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
};

// The script of the collected pairs. The internal form when both sides are one BSC: combo
// boxes untouched, or the same name typed on both; names typed by hand are compared as names,
// picked ones by their position. The internal form writes identical pairs twice; the external
// form defines a cell once and an identical pair once, and names an MSC it does not know as
// unknown. Lists without cells give only the headings and markers.
TEST(Script, EachPickOfTheBscsWritesItsForm) {
  const struct {
    const char* name;  // its section in neighbours-scripts.txt
    const char* cells;
    const char* cellrs;
    const char* cell_bsc;  // "" untouched, "#n" picked at position n, else typed
    const char* cellr_bsc;
  } rows[] = {
      {"internal", "A1\r\nA2\r\n", "B1\r\nB2\r\n", "#8", "#8"},
      {"untouched", "A1\r\nA1\r\n", "B1\r\nB1\r\n", "", ""},
      {"untouched against a position", "A1\r\nA1\r\n", "B1\r\nB1\r\n", "", "#0"},
      {"two names typed", "A1\r\nA1\r\n", "B1\r\nB1\r\n", "BSC9", "BSC99"},
      {"one name typed twice", "A1\r\nA1\r\n", "B1\r\nB1\r\n", "BSC9", "BSC9"},
      {"a name against a position", "A1\r\nA1\r\n", "B1\r\nB1\r\n", "BSC9", "#8"},
      {"external", "A1\r\n", "B1\r\n", "#8", "#9"},
      {"external, a cell collected thrice", "A1\r\nA1\r\nA1\r\n", "B1\r\nB2\r\nB1\r\n", "#8", "#9"},
      {"unknown MSC, a pick-list name typed", "A1\r\n", "B1\r\n", "#16", "BSC12"},
      {"empty lists", "", "", "#8", "#9"},
  };
  const auto expected = kestrel::testing::TestDataSections("pages/neighbours-scripts.txt");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptRig rig;
    auto& page = rig.page;
    rig.Collected(row.cells, row.cellrs);
    if (std::string(row.name).ends_with("thrice")) {  // the same parameters each time
      page.Cell.Table[1] = page.Cell.Table[2] = page.Cell.Table[0];
      page.Cellr.Table[2] = page.Cellr.Table[0];
    }
    for (auto [box, how] : {std::pair{&page.CellbscComboBox, row.cell_bsc},
                            std::pair{&page.CellrbscComboBox, row.cellr_bsc}}) {
      if (*how == '#') {
        box->SetItemIndex(std::atoi(how + 1));
      } else if (*how != '\0') {
        box->SetText(how);
      }
    }
    page.Troffsetp.SetText("4");
    page.Extpen.SetText("OFF");
    page.WriteScript();
    EXPECT_EQ(rig.read_form.Memo1.Text(), expected.at(row.name));
  }
}

}  // namespace
}  // namespace kestrel::neighbours::testing
