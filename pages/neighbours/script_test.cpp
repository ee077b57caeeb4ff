#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/neighbours/neighbours_test_fixture.h"

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
  for (const auto& pick : pages::testing::DataCases("neighbours-scripts.txt")) {
    SCOPED_TRACE(pick.name);
    const auto row = pages::testing::Split(pick.Lines("pick").at(0));
    ScriptRig rig;
    auto& page = rig.page;
    rig.Collected(row.at(0), row.at(1));
    if (pick.name.ends_with("thrice")) {  // the same parameters each time
      page.Cell.Table[1] = page.Cell.Table[2] = page.Cell.Table[0];
      page.Cellr.Table[2] = page.Cellr.Table[0];
    }
    for (auto [box, how] : {std::pair{&page.CellbscComboBox, row.at(2)},
                            std::pair{&page.CellrbscComboBox, row.at(3)}}) {
      if (how.starts_with('#')) {
        box->SetItemIndex(std::stoi(how.substr(1)));
      } else if (!how.empty()) {
        box->SetText(how);
      }
    }
    page.Troffsetp.SetText("4");
    page.Extpen.SetText("OFF");
    page.WriteScript();
    EXPECT_EQ(rig.read_form.Memo1.Text(), pick.Text("script"));
  }
}

}  // namespace
}  // namespace kestrel::neighbours::testing
