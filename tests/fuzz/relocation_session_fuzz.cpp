// libFuzzer target: the relocation page, played any session. Options (the first byte): bits
// 0-1 the moved cells (one to three of C09101A, C09102A, C09201A), bits 6-7 the cap. Page
// actions: 0 the list of moved cells typed again (after a check the page has emptied it).
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "pages/relocation/relocation_page.h"
#include "tests/fuzz/ports.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {
namespace {

void Play(const SessionScript& script) {
  const std::uint8_t options = script.options;
  const Login login{std::string(kUser), std::string(kPassword), {"BSC9"}};
  Rig rig(Page::kRelocation, login, CapOf(options));

  mml::PropertiesForm properties;
  SetUp(properties);
  pages::ReadForm read_form;
  QuietMessages messages;
  relocation::RelocationPage page(rig.Client(), properties, read_form, messages);
  const std::string all_cells = "C09101A\r\nC09102A\r\nC09201A\r\n";
  const std::string cells = all_cells.substr(0, 9 * (1 + (options & 3) % 3));
  page.DqonListMemo.SetText(cells);
  page.DqonoComboBox.SetText("BSC9");
  page.DqondComboBox.SetItemIndex(11);  // BSC12
  page.SetMaxPrintout(rig.Cap());
  rig.Buffer(page.DqonbufMemo, "DqonbufMemo");

  Rig::Page driver;
  driver.start_stop = [&](bool stop) {
    if (stop == (page.DqonstartButton.Caption() == "Stop")) page.DqonstartButtonClick();
  };
  driver.action = [&](int action) {
    if (action == 0 && page.DqonstartButton.Caption() == "Start") page.DqonListMemo.SetText(cells);
  };
  driver.holdings = [&](Holdings& held) {
    held.Add("DqonListMemo", page.DqonListMemo);
    held.Add("DqonrepMemo", page.DqonrepMemo);
    held.Add("DqonbufMemo", page.DqonbufMemo);
    held.Add("the READ viewer", read_form.Memo1);
    held.Add("DqonListBox", page.DqonListBox);
    // Only the columns up to the current moved cell's are ever written.
    const auto columns = std::min<std::size_t>(static_cast<std::size_t>(page.DqonCount) + 3,
                                               relocation::RelocationPage::kColumns);
    std::size_t table = 0;
    for (const auto& row : page.DqonTable) {
      for (std::size_t column = 0; column < columns; ++column) table += row[column].size();
    }
    held.Add("DqonTable", table);
    held.Add("Outcomes", page.Outcomes);
    held.Add("DqonStep", page.DqonStep);
  };
  driver.report = [&] { return page.DqonrepMemo.Text() + read_form.Memo1.Text(); };
  rig.Play(script, driver);
}

}  // namespace
}  // namespace kestrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  kestrel::fuzz::Play(
      kestrel::fuzz::Decode(std::string_view(reinterpret_cast<const char*>(bytes), size)));
  return 0;
}
