// libFuzzer target: the Edge broadcast check, played any session. Options (the first byte):
// bit 0 no message boxes, bits 6-7 the cap. No page actions: the page has only its Start
// button.
#include <cstddef>
#include <cstdint>

#include "pages/broadcast/broadcast_page.h"
#include "tests/fuzz/ports.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {
namespace {

void Play(const SessionScript& script) {
  const std::uint8_t options = script.options;
  const Login login{std::string(kUser), std::string(kPassword), {"BSC9"}};
  Rig rig(Page::kBroadcast, login, CapOf(options));

  mml::PropertiesForm properties;
  SetUp(properties);
  QuietMessages messages;
  broadcast::BroadcastPage page(rig.Client(), properties);
  if ((options & 1) == 0) page.SetMessages(messages);
  page.BscComboBox.SetText("BSC9");
  page.SetMaxPrintout(rig.Cap());
  rig.Buffer(page.BrMemo, "BrMemo");

  Rig::Page driver;
  driver.start_stop = [&](bool stop) {
    if (stop == (page.StartButton.Caption() == "Stop")) page.StartButtonClick();
  };
  driver.holdings = [&](Holdings& held) {
    held.Add("ReportMemo", page.ReportMemo);
    held.Add("BrMemo", page.BrMemo);
    held.Add("BrbufMemo1", page.BrbufMemo1);
    held.Add("BrbufMemo2", page.BrbufMemo2);
    held.Add("BrbufMemo3", page.BrbufMemo3);
    held.Add("Outcomes", page.Outcomes);
    held.Add("BrStep", page.BrStep);
  };
  driver.report = [&] { return page.ReportMemo.Text(); };
  rig.Play(script, driver);
}

}  // namespace
}  // namespace kestrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  kestrel::fuzz::Play(
      kestrel::fuzz::Decode(std::string_view(reinterpret_cast<const char*>(bytes), size)));
  return 0;
}
