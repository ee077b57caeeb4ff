// libFuzzer target: the Proses page, either procedure, played any session. Options (the first
// byte): bit 0 RXTEI instead of RXLTI, bit 1 central functions treated too, bit 2 two BSCs in
// the queue, bit 3 no watchdog, bit 4 a cell on the RXTEI filter list, bits 6-7 the cap.
// Page actions: 0 the Connect button (a release by hand), 1 the watchdog switched on or off,
// 2 the other procedure for the next Start, 3 a release pause of 500 ms.
#include <cstddef>
#include <cstdint>

#include "pages/proses/proses_page.h"
#include "tests/fuzz/ports.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {
namespace {

void Play(const SessionScript& script) {
  const std::uint8_t options = script.options;
  const bool two = (options & 4) != 0;
  Login login{std::string(kUser), std::string(kPassword), {"BSC9"}};
  if (two) login.elements.push_back("BSC10");
  Rig rig(Page::kProses, login, CapOf(options));

  mml::PropertiesForm properties;
  SetUp(properties);
  pages::ReadForm read_form;
  controls::Panel broadcast_sheet;
  QuietSound sound;
  QuietMessages messages;
  proses::ProsesPage page(rig.Client(), properties, read_form, broadcast_sheet, sound, messages);

  page.Rxteirbtn.SetChecked((options & 1) != 0);
  page.Rxltirbtn.SetChecked((options & 1) == 0);
  page.Cfcbox.SetChecked((options & 2) == 0);
  page.Necbox.SetText("BSC9");
  for (const auto& element : login.elements) page.ListBox1.Add(element);
  if ((options & 8) != 0) page.SetWatchdogSeconds(0);
  if ((options & 16) != 0) page.FilterListBox.Add("C09101B");
  page.SetMaxPrintout(rig.Cap());
  for (controls::Timer* timer :
       {&page.Timer1, &page.ReleaseTimer, &page.BusyTimer, &page.WatchdogTimer}) {
    rig.Attach(*timer);
  }
  rig.Buffer(page.InMemo, "InMemo");

  Rig::Page driver;
  driver.start_stop = [&](bool stop) {
    if (stop == (page.Startpnl.Caption() == "Stop")) page.StartpnlClick();
  };
  driver.action = [&](int action) {
    switch (action) {
      case 0:
        rig.Call("the Connect button", [&] { page.ConnectButtonClick(); });
        break;
      case 1:
        page.SetWatchdogSeconds(page.WatchdogTimer.Interval() > 0 ? 0 : 60);
        break;
      case 2:
        page.Rxteirbtn.SetChecked(!page.Rxteirbtn.Checked());
        page.Rxltirbtn.SetChecked(!page.Rxteirbtn.Checked());
        break;
      case 3:
        page.ReleaseTimerEdit.SetText("500");
        rig.Call("the release Update button", [&] { page.ReleaseTimerButtonClick(); });
        break;
      default:
        break;
    }
  };
  driver.holdings = [&](Holdings& held) {
    held.Add("OutMemo", page.OutMemo);
    held.Add("InMemo", page.InMemo);
    held.Add("CellMemo", page.CellMemo);
    held.Add("TsMemo", page.TsMemo);
    held.Add("Rxaspbufmemo", page.Rxaspbufmemo);
    held.Add("TsltiMemo", page.TsltiMemo);
    held.Add("the READ viewer", read_form.Memo1);
    held.Add("ListBox1", page.ListBox1);
    held.Add("FilterListBox", page.FilterListBox);
    held.Add("Outcomes", page.Outcomes);
    held.Add("TgEdit", page.TgEdit.Text());
    held.Add("ProsesStep", page.ProsesStep);
  };
  driver.report = [&] { return page.OutMemo.Text(); };
  rig.Play(script, driver);
}

}  // namespace
}  // namespace kestrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  kestrel::fuzz::Play(
      kestrel::fuzz::Decode(std::string_view(reinterpret_cast<const char*>(bytes), size)));
  return 0;
}
