// libFuzzer target: the Daily check page with every standard solution ticked, played any
// session. Options (the first byte): bit 0 no warning sounds, bit 1 two elements (BSC9 and
// MSC9), bit 2 the report share refuses every file, bit 3 recordings for BSC9's warnings
// (else the beep signal), bits 6-7 the cap. A warning's sound ends after the chunk that
// started it, unless held. Page actions: 0 sounds held from now (what follows happens while a
// warning sounds), or, when they were held, let go and ended; 1 the element list emptied, 2
// BSC9 added to it, 3 sounds switched on or off.
#include <cstddef>
#include <cstdint>

#include "pages/dailycheck/dailycheck_page.h"
#include "tests/fuzz/ports.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {
namespace {

constexpr const char* kKnownAlarms =
    "SEIZURE SUPERVISION\n"
    "SEIZURE QUALITY SUPERVISION\n"
    "EXTERNAL ALARM\n"
    "CP STATE NOT NORMAL\n"
    "CELL LOGICAL CHANNEL AVAILABILITY SUPERVISION\n"
    "CCITT7 EVENT REPORTING THRESHOLD REACHED\n"
    "APPLICATION DETECTED SOFTWARE ERROR\n"
    "SYNCHRONOUS DIGITAL PATH FAR END AND NEAR END FAULT\n"
    "RADIO X-CEIVER ADMINISTRATION PERMANENT FAULT\n";

void Play(const SessionScript& script) {
  const std::uint8_t options = script.options;
  Login login{std::string(kUser), std::string(kPassword), {"BSC9"}};
  if ((options & 2) != 0) login.elements.push_back("MSC9");
  Rig rig(Page::kDailyCheck, login, CapOf(options));

  mml::PropertiesForm properties;
  SetUp(properties);
  ClockTime time(rig.Clock());
  NamedFiles files;
  files.refuse = (options & 4) != 0;
  if ((options & 8) != 0) {
    files.names = {"/sounds/nods/BSC9.wav", "/sounds/faults/SEIZURE SUPERVISION.wav",
                   "/sounds/faults/EXTERNAL ALARM.wav", "/sounds/faults/MANY ALARMS.wav"};
  }
  QuietSound sound;
  NoDialogs dialogs;
  dailycheck::DailyCheckPage page(rig.Client(), properties, {time, files, sound, dialogs}, "/share",
                                  dailycheck::KnownAlarms(kKnownAlarms), "/sounds");

  for (controls::CheckBox* solution :
       {&page.SeqarCheckBox, &page.SetarCheckBox, &page.SoftErrorCheckBox, &page.PermanentCheckBox,
        &page.NearendCheckBox, &page.EnumCheckBox, &page.SaeCheckBox}) {
    solution->SetChecked(true);
  }
  page.SoundCheckBox.SetChecked((options & 1) == 0);
  page.Nedc.SetText("BSC9");
  for (const auto& element : login.elements) page.ListBoxdc.Add(element);
  page.SetMaxPrintout(rig.Cap());
  rig.Attach(page.Timerdc);
  rig.Attach(page.Timerdc_release);
  rig.Buffer(page.Memobufdc, "Memobufdc");
  // The work pane: the report file and the many-alarms count read it as this visit's.
  rig.SessionPane(page.Memodc, "Memodc");

  bool held = false;
  rig.Client().after_each_chunk = [&] {
    if (!held) sound.FinishAll();
  };
  Rig::Page driver;
  driver.start_stop = [&](bool stop) { stop ? page.StopdcClick() : page.StartdcClick(); };
  driver.action = [&](int action) {
    switch (action) {
      case 0:
        held = !held;
        if (!held) sound.FinishAll();
        break;
      case 1:
        page.DeletealldcClick();
        break;
      case 2:
        page.AdddcClick();
        break;
      case 3:
        page.SoundCheckBox.SetChecked(!page.SoundCheckBox.Checked());
        break;
      default:
        break;
    }
  };
  driver.holdings = [&](Holdings& held) {
    held.Add("Memoreportdc", page.Memoreportdc);
    held.Add("Memodc", page.Memodc);
    held.Add("Memokom", page.Memokom);
    held.Add("Memobufdc", page.Memobufdc);
    held.Add("FilterMemo", page.FilterMemo);
    held.Add("ListBoxdc", page.ListBoxdc);
    held.Add("Outcomes", page.Outcomes);
    held.Add("DcStep", page.DcStep);
    held.Add("DcLastWorkText", page.DcLastWorkText);
  };
  driver.report = [&] { return page.Memoreportdc.Text(); };
  rig.Play(script, driver);
}

}  // namespace
}  // namespace kestrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  kestrel::fuzz::Play(
      kestrel::fuzz::Decode(std::string_view(reinterpret_cast<const char*>(bytes), size)));
  return 0;
}
