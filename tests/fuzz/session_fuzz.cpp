// The pages on the fuzz rig: each page's Play below sets the page up, with what its options
// byte (the first byte) and its page actions choose, said above it. Bits 6-7 of the options are
// always the printout cap. Built with KESTREL_FUZZ_PAGE (a page's name), the libFuzzer target
// of that page's session; without, PlayPage for the seed player.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <stdexcept>

#include "mml/network_elements.h"
#include "mml/properties_form.h"
#include "pages/broadcast/broadcast_page.h"
#include "pages/dailycheck/dailycheck_page.h"
#include "pages/neighbours/neighbours_page.h"
#include "pages/proses/proses_page.h"
#include "pages/relocation/relocation_page.h"
#include "pages/rlslp/rlslp_page.h"
#include "platform/ports.h"
#include "tests/fake_ports.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {
namespace {

// The settings of the gateway every target logs in with.
struct Settings : mml::PropertiesForm {
  Settings() {
    UserEdit.SetText(kUser);
    PasswordEdit.SetText(kPassword);
    IpEdit.SetText("127.0.0.1");
  }
};

// A Start button that reads "Stop" while its job runs.
template <typename Page>
void Toggle(Rig::Page& driver, const controls::Control& button, Page& page, void (Page::*click)()) {
  driver.start_stop = [&button, &page, click](bool stop) {
    if (stop == (button.Caption() == "Stop")) (page.*click)();
  };
  driver.runs = [&button] { return button.Caption() == "Stop"; };
}

// Sounds whose ends come when the target says so.
using QuietSound = testing::RecordedSound;

struct QuietMessages : platform::Messages {
  void Show(std::string_view, Kind) override {}
};

// Local time that moves with the manual clock, from 5 December 2026 14:07:30.
struct ClockTime : platform::Clock {
  explicit ClockTime(const testing::ManualClock& clock) : clock_(clock) {}
  platform::LocalDateTime Now() const override {
    const long long seconds = 14 * 3600 + 7 * 60 + 30 + clock_.Now() / 1000;
    platform::LocalDateTime now{2026, 12, 5 + static_cast<int>(seconds / 86400 % 20), 0, 0, 0};
    now.hour = static_cast<int>(seconds / 3600 % 24);
    now.minute = static_cast<int>(seconds / 60 % 60);
    now.second = static_cast<int>(seconds % 60);
    return now;
  }
  std::int64_t SteadyMs() const override { return clock_.Now(); }

 private:
  const testing::ManualClock& clock_;
};

// Files that keep only their names (a report share on the rig's side), or refuse every write.
struct NamedFiles : platform::Files {
  std::set<std::string> names;
  bool refuse = false;
  void WriteWhole(const std::string& path, std::string_view) override {
    if (refuse) throw std::runtime_error(path + ": Permission denied");
    names.insert(path);
  }
  std::string Read(const std::string& path) override {
    throw std::runtime_error(path + ": No such file");
  }
  bool Exists(const std::string& path) override { return names.contains(path); }
  std::vector<std::string> List(const std::string&, std::string_view) override { return {}; }
};

struct NoDialogs : platform::FileDialogs {
  std::string SaveFileName(std::string_view) override { return {}; }
  std::string OpenFileName() override { return {}; }
};

// Proses, either procedure. Options: bit 0 RXTEI instead of RXLTI, bit 1 central functions
// treated too, bit 2 two BSCs in the queue, bit 3 no watchdog, bit 4 a cell on the RXTEI filter
// list. Page actions: 0 the Connect button (a release by hand), 1 the watchdog switched on or
// off, 2 the other procedure for the next Start, 3 a release pause of 500 ms.
void PlayProses(const SessionScript& script) {
  const std::uint8_t options = script.options;
  const Elements elements = (options & 4) != 0 ? Elements{"BSC9", "BSC10"} : Elements{"BSC9"};
  Rig rig("proses", elements, CapOf(options));
  Settings properties;
  pages::ReadForm read_form;
  controls::Panel broadcast_sheet;
  QuietSound sound;
  QuietMessages messages;
  proses::ProsesPage page(rig.Client(), properties, read_form, broadcast_sheet, sound, messages);
  page.Rxteirbtn.SetChecked((options & 1) != 0);
  page.Rxltirbtn.SetChecked((options & 1) == 0);
  page.Cfcbox.SetChecked((options & 2) == 0);
  page.Necbox.SetText("BSC9");
  for (const auto& element : elements) page.ListBox1.Add(element);
  if ((options & 8) != 0) page.SetWatchdogSeconds(0);
  if ((options & 16) != 0) page.FilterListBox.Add("C09101B");
  page.SetMaxPrintout(rig.Cap());
  for (controls::Timer* timer :
       {&page.Timer1, &page.ReleaseTimer, &page.BusyTimer, &page.WatchdogTimer}) {
    rig.Attach(*timer);
  }
  rig.Buffer(page.InMemo, "InMemo");

  Rig::Page driver;
  Toggle(driver, page.Startpnl, page, &proses::ProsesPage::StartpnlClick);
  driver.action = [&](int action) {
    if (action == 0) rig.Call("the Connect button", [&] { page.ConnectButtonClick(); });
    if (action == 1) page.SetWatchdogSeconds(page.WatchdogTimer.Interval() > 0 ? 0 : 60);
    if (action == 2) {
      page.Rxteirbtn.SetChecked(!page.Rxteirbtn.Checked());
      page.Rxltirbtn.SetChecked(!page.Rxteirbtn.Checked());
    }
    if (action == 3) {
      page.ReleaseTimerEdit.SetText("500");
      rig.Call("the release Update button", [&] { page.ReleaseTimerButtonClick(); });
    }
  };
  driver.holdings = [&](Holdings& held) {
    held.Add({{"OutMemo", &page.OutMemo},
              {"InMemo", &page.InMemo},
              {"CellMemo", &page.CellMemo},
              {"TsMemo", &page.TsMemo},
              {"Rxaspbufmemo", &page.Rxaspbufmemo},
              {"TsltiMemo", &page.TsltiMemo},
              {"the READ viewer", &read_form.Memo1}});
    held.Add("ListBox1", page.ListBox1);
    held.Add("FilterListBox", page.FilterListBox);
    held.Add("Outcomes", page.Outcomes);
    held.Add("TgEdit", page.TgEdit.Text());
    held.Add("ProsesStep", page.ProsesStep);
  };
  driver.report = [&] { return page.OutMemo.Text(); };
  rig.Play(script, driver);
}

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

// The Daily check with every standard solution ticked. Options: bit 0 no warning sounds, bit 1
// two elements (BSC9 and MSC9), bit 2 the report share refuses every file, bit 3 recordings for
// BSC9's warnings (else the beep signal). A warning's sound ends after the chunk that started
// it, unless held. Page actions: 0 sounds held from now (what follows happens while a warning
// sounds), or, when they were held, let go and ended; 1 the element list emptied, 2 BSC9 added
// to it, 3 sounds switched on or off.
void PlayDailyCheck(const SessionScript& script) {
  const std::uint8_t options = script.options;
  const Elements elements = (options & 2) != 0 ? Elements{"BSC9", "MSC9"} : Elements{"BSC9"};
  Rig rig("dailycheck", elements, CapOf(options));
  Settings properties;
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
  for (const auto& element : elements) page.ListBoxdc.Add(element);
  page.SetMaxPrintout(rig.Cap());
  for (controls::Timer* timer : {&page.Timerdc, &page.Timerdc_release, &page.Timerdc_wait}) {
    rig.Attach(*timer);
  }
  rig.Buffer(page.Memobufdc, "Memobufdc");
  // The work pane: the report file and the many-alarms count read it as this visit's.
  rig.SessionPane(page.Memodc, "Memodc");

  bool sounds_held = false;
  rig.Client().after_each_chunk = [&] {
    if (!sounds_held) sound.FinishAll();
  };
  Rig::Page driver;
  driver.start_stop = [&](bool stop) { stop ? page.StopdcClick() : page.StartdcClick(); };
  driver.runs = [&] { return !page.Statusdc.Caption().starts_with("stopped") && !sound.Playing(); };
  driver.action = [&](int action) {
    if (action == 0) {
      sounds_held = !sounds_held;
      if (!sounds_held) sound.FinishAll();
    }
    if (action == 1) page.DeletealldcClick();
    if (action == 2) page.AdddcClick();
    if (action == 3) page.SoundCheckBox.SetChecked(!page.SoundCheckBox.Checked());
  };
  driver.holdings = [&](Holdings& held) {
    held.Add({{"Memoreportdc", &page.Memoreportdc},
              {"Memodc", &page.Memodc},
              {"Memokom", &page.Memokom},
              {"Memobufdc", &page.Memobufdc},
              {"FilterMemo", &page.FilterMemo}});
    held.Add("ListBoxdc", page.ListBoxdc);
    held.Add("Outcomes", page.Outcomes);
    held.Add("DcStep", page.DcStep);
    held.Add("DcLastWorkText", page.DcLastWorkText);
  };
  driver.report = [&] { return page.Memoreportdc.Text(); };
  rig.Play(script, driver);
}

// The RLSLP check. Options: bits 0-1 the queue (BSC9, then BSC10 and BSC12, up to three), bit 2
// no message boxes. Page actions: 0 BSC9 added to the queue, 1 the head of the queue deleted.
void PlayRlslp(const SessionScript& script) {
  const std::uint8_t options = script.options;
  Elements elements = {"BSC9", "BSC10", "BSC12"};
  elements.resize(1 + (options & 3) % 3);
  Rig rig("rlslp", elements, CapOf(options));
  Settings properties;
  QuietMessages messages;
  rlslp::RlslpPage page(rig.Client(), properties);
  if ((options & 4) == 0) page.SetMessages(messages);
  page.SlpComboBox.SetText("BSC9");
  for (const auto& element : elements) page.SlpListBox.Add(element);
  page.SetMaxPrintout(rig.Cap());
  rig.Buffer(page.SlpMemo, "SlpMemo");

  Rig::Page driver;
  Toggle(driver, page.SlpstartButton, page, &rlslp::RlslpPage::SlpstartButtonClick);
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

// The Edge broadcast check. Options: bit 0 no message boxes. No page actions: the page has only
// its Start button.
void PlayBroadcast(const SessionScript& script) {
  const std::uint8_t options = script.options;
  Rig rig("broadcast", Elements{"BSC9"}, CapOf(options));
  Settings properties;
  QuietMessages messages;
  broadcast::BroadcastPage page(rig.Client(), properties);
  if ((options & 1) == 0) page.SetMessages(messages);
  page.BscComboBox.SetText("BSC9");
  page.SetMaxPrintout(rig.Cap());
  rig.Buffer(page.BrMemo, "BrMemo");

  Rig::Page driver;
  Toggle(driver, page.StartButton, page, &broadcast::BroadcastPage::StartButtonClick);
  driver.holdings = [&](Holdings& held) {
    held.Add({{"ReportMemo", &page.ReportMemo},
              {"BrMemo", &page.BrMemo},
              {"BrbufMemo1", &page.BrbufMemo1},
              {"BrbufMemo2", &page.BrbufMemo2},
              {"BrbufMemo3", &page.BrbufMemo3}});
    held.Add("Outcomes", page.Outcomes);
    held.Add("BrStep", page.BrStep);
  };
  driver.report = [&] { return page.ReportMemo.Text(); };
  rig.Play(script, driver);
}

void Pick(controls::ComboBox& box, const std::string& bsc) {
  const auto& list = mml::BscPickList();
  box.SetItemIndex(static_cast<int>(std::find(list.begin(), list.end(), bsc) - list.begin()));
}

// The Qonsuluq page, both of its sessions. Options: bit 0 both sides on one BSC (BSC9) instead
// of BSC9 and BSC10, bits 1-2 the cells of each list (one to three), bit 3 no message boxes.
// Operations whose argument bit 0 is set act on the Cellr side. No page actions.
void PlayNeighbours(const SessionScript& script) {
  const std::uint8_t options = script.options;
  const bool one_bsc = (options & 1) != 0;
  Rig rig("neighbours", Elements{"BSC9", "BSC10"}, CapOf(options));
  Settings properties;
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
  Toggle(driver, page.StartqonButton, page, &neighbours::NeighboursPage::StartqonButtonClick);
  driver.holdings = [&](Holdings& held) {
    held.Add({{"Memocell", &page.Memocell},
              {"Memocellr", &page.Memocellr},
              {"Cell.Buffer", &page.Cell.Buffer},
              {"Cellr.Buffer", &page.Cellr.Buffer},
              {"the READ viewer", &read_form.Memo1}});
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

// The relocation page. Options: bits 0-1 the moved cells (one to three of C09101A, C09102A,
// C09201A). Page actions: 0 the list of moved cells typed again (after a check the page has
// emptied it).
void PlayRelocation(const SessionScript& script) {
  const std::uint8_t options = script.options;
  Rig rig("relocation", Elements{"BSC9"}, CapOf(options));
  Settings properties;
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
  Toggle(driver, page.DqonstartButton, page, &relocation::RelocationPage::DqonstartButtonClick);
  // A finished check leaves its session open, and "Stop" on the button, until the engineer
  // ends it: the check runs while it holds the cell list.
  driver.runs = [&] { return !page.DqonListPanel.Enabled(); };
  driver.action = [&](int action) {
    if (action == 0 && page.DqonstartButton.Caption() == "Start") page.DqonListMemo.SetText(cells);
  };
  driver.holdings = [&](Holdings& held) {
    held.Add({{"DqonListMemo", &page.DqonListMemo},
              {"DqonrepMemo", &page.DqonrepMemo},
              {"DqonbufMemo", &page.DqonbufMemo},
              {"the READ viewer", &read_form.Memo1}});
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

bool PlayPage(std::string_view page, const SessionScript& script) {
  static constexpr std::pair<std::string_view, void (*)(const SessionScript&)> kPlays[] = {
      {"proses", PlayProses},       {"dailycheck", PlayDailyCheck}, {"rlslp", PlayRlslp},
      {"broadcast", PlayBroadcast}, {"neighbours", PlayNeighbours}, {"relocation", PlayRelocation}};
  for (const auto& [name, play] : kPlays) {
    if (name == page) {
      play(script);
      return true;
    }
  }
  return false;
}

}  // namespace kestrel::fuzz

#ifdef KESTREL_FUZZ_PAGE
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  try {
    kestrel::fuzz::PlayPage(KESTREL_FUZZ_PAGE, kestrel::fuzz::Decode(std::string_view(
                                                   reinterpret_cast<const char*>(bytes), size)));
  } catch (const kestrel::fuzz::Finding&) {
    std::abort();  // what the fuzzer keeps
  }
  return 0;
}
#endif
