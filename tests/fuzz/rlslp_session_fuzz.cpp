// libFuzzer target: the RLSLP check, played any session. Options (the first byte): bits 0-1
// the queue (BSC9, then BSC10 and BSC12, up to three), bit 2 no message boxes, bits 6-7 the
// cap. Page actions: 0 BSC9 added to the queue, 1 the head of the queue deleted.
#include <cstddef>
#include <cstdint>

#include "pages/rlslp/rlslp_page.h"
#include "tests/fuzz/ports.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {
namespace {

void Play(const SessionScript& script) {
  const std::uint8_t options = script.options;
  Login login{std::string(kUser), std::string(kPassword), {"BSC9", "BSC10", "BSC12"}};
  login.elements.resize(1 + (options & 3) % 3);
  Rig rig(Page::kRlslp, login, CapOf(options));

  mml::PropertiesForm properties;
  SetUp(properties);
  QuietMessages messages;
  rlslp::RlslpPage page(rig.Client(), properties);
  if ((options & 4) == 0) page.SetMessages(messages);
  page.SlpComboBox.SetText("BSC9");
  for (const auto& element : login.elements) page.SlpListBox.Add(element);
  page.SetMaxPrintout(rig.Cap());
  rig.Buffer(page.SlpMemo, "SlpMemo");

  Rig::Page driver;
  driver.start_stop = [&](bool stop) {
    if (stop == (page.SlpstartButton.Caption() == "Stop")) page.SlpstartButtonClick();
  };
  driver.action = [&](int action) {
    if (action == 0) page.Button1Click();
    if (action == 1 && !page.SlpListBox.Empty()) {
      page.SlpListBox.SetSelected(0, true);
      page.Button2Click();
    }
  };
  driver.holdings = [&](Holdings& held) {
    held.Add("SlpreportMemo", page.SlpreportMemo);
    held.Add("SlpMemo", page.SlpMemo);
    held.Add("SlpListBox", page.SlpListBox);
    held.Add("Outcomes", page.Outcomes);
    held.Add("SlpStep", page.SlpStep);
  };
  driver.report = [&] { return page.SlpreportMemo.Text(); };
  rig.Play(script, driver);
}

}  // namespace
}  // namespace kestrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  kestrel::fuzz::Play(
      kestrel::fuzz::Decode(std::string_view(reinterpret_cast<const char*>(bytes), size)));
  return 0;
}
