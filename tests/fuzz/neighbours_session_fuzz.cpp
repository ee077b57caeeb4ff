// libFuzzer target: the Qonsuluq page, both of its sessions played any session. Options (the
// first byte): bit 0 both sides on one BSC (BSC9) instead of BSC9 and BSC10, bits 1-2 the
// cells of each list (one to three), bit 3 no message boxes, bits 6-7 the cap. Operations
// whose argument bit 0 is set act on the Cellr side. No page actions.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "mml/network_elements.h"
#include "pages/neighbours/neighbours_page.h"
#include "tests/fuzz/ports.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {
namespace {

void Pick(controls::ComboBox& box, const std::string& bsc) {
  const auto& list = mml::BscPickList();
  box.SetItemIndex(static_cast<int>(std::find(list.begin(), list.end(), bsc) - list.begin()));
}

void Play(const SessionScript& script) {
  const std::uint8_t options = script.options;
  const bool one_bsc = (options & 1) != 0;
  const Login login{std::string(kUser), std::string(kPassword), {"BSC9", "BSC10"}};
  Rig rig(Page::kNeighbours, login, CapOf(options));

  mml::PropertiesForm properties;
  SetUp(properties);
  pages::ReadForm read_form;
  QuietMessages messages;
  neighbours::NeighboursPage page(rig.Client(0), rig.Client(1), properties, read_form);
  if ((options & 8) == 0) page.SetMessages(messages);
  Pick(page.CellbscComboBox, "BSC9");
  Pick(page.CellrbscComboBox, one_bsc ? "BSC9" : "BSC10");
  const int cells = 1 + ((options >> 1) & 3) % 3;
  std::string cell_list, cellr_list;
  for (int k = 1; k <= cells; ++k) {
    cell_list += "C0910" + std::to_string(k) + "A\r\n";
    cellr_list += (one_bsc ? "C0920" : "C1010") + std::to_string(k) + "A\r\n";
  }
  page.Memocell.SetText(cell_list);
  page.Memocellr.SetText(cellr_list);
  page.SetMaxPrintout(rig.Cap());
  rig.Attach(page.Exqontime);
  rig.Buffer(page.Cell.Buffer, "Cell.Buffer");
  rig.Buffer(page.Cellr.Buffer, "Cellr.Buffer");

  Rig::Page driver;
  driver.start_stop = [&](bool stop) {
    if (stop == (page.StartqonButton.Caption() == "Stop")) page.StartqonButtonClick();
  };
  driver.holdings = [&](Holdings& held) {
    held.Add("Memocell", page.Memocell);
    held.Add("Memocellr", page.Memocellr);
    held.Add("Cell.Buffer", page.Cell.Buffer);
    held.Add("Cellr.Buffer", page.Cellr.Buffer);
    held.Add("the READ viewer", read_form.Memo1);
    for (const neighbours::Side* side : {&page.Cell, &page.Cellr}) {
      const std::string name(side->name);
      for (const auto* table : {&side->Table, &side->Unread}) {
        std::size_t bytes = 0;
        for (const auto& record : *table) {
          for (const auto& value : record) bytes += value.size();
        }
        held.Add(name + (table == &side->Table ? ".Table" : ".Unread"), bytes);
      }
      held.Add(name + ".ledger", side->ledger);
      held.Add(name + ".Step", side->Step);
    }
    held.Add("Outcomes", page.Outcomes);
    held.Add("LastFailure", page.LastFailure);
  };
  driver.report = [&] { return page.LastFailure + "\n" + read_form.Memo1.Text(); };
  rig.Play(script, driver);
}

}  // namespace
}  // namespace kestrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  kestrel::fuzz::Play(
      kestrel::fuzz::Decode(std::string_view(reinterpret_cast<const char*>(bytes), size)));
  return 0;
}
