// The pages on the fuzz rig: each page's set-up below builds the page and says, as the rig's
// Page, what the rig plays to and checks; what its options byte and its page actions choose is
// in README.md. Built with KESTREL_FUZZ_PAGE (a page's name), the libFuzzer target of that
// page's session; without, the seed player.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

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

// A holding or a pane of a page, by the name it has here; a table of records, by the bytes of
// its values.
#define HELD(what) \
  { #what, &what }
#define RECORDS(what) \
  { #what, Records(what) }

// What every page is built with: the rig, its options, the settings of the gateway, the READ
// viewer, message boxes and sounds whose ends come when the target says so.
struct Bench {
  Rig& rig;
  const SessionScript& script;
  mml::PropertiesForm properties;
  pages::ReadForm read_form;
  testing::RecordedMessages messages;
  testing::RecordedSound sound;

  Bench(Rig& on, const SessionScript& played) : rig(on), script(played) {
    properties.UserEdit.SetText(kUser);
    properties.PasswordEdit.SetText(kPassword);
    properties.IpEdit.SetText("127.0.0.1");
  }
  bool Bit(int bit) const { return ((script.options >> bit) & 1) != 0; }
  // Plays the script to `page` as `parts` say; its outcome ledger and the READ viewer count
  // as what it holds.
  template <typename P>
  void Play(P& page, Page parts) {
    page.SetMaxPrintout(rig.Cap());
    parts.held.insert(parts.held.end(), {HELD(page.Outcomes), HELD(read_form.Memo1)});
    rig.Play(script, std::move(parts));
  }
};

// The bytes of the values of a table of records, in its first `columns`.
template <typename Table>
std::size_t TableBytes(const Table& table, std::size_t columns) {
  std::size_t bytes = 0;
  for (const auto& record : table) {
    for (std::size_t k = 0; k < std::min(columns, std::size(record)); ++k) {
      bytes += record[k].size();
    }
  }
  return bytes;
}

template <typename Table>
std::function<std::size_t()> Records(const Table& table) {
  return [&table] { return TableBytes(table, SIZE_MAX); };
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The alarms the Daily check knows, those of known-alarms.txt, read and indexed once.
std::shared_ptr<const dailycheck::KnownAlarms> KnownAlarms() {
  static const auto known = std::make_shared<const dailycheck::KnownAlarms>(
      ReadFile(KESTREL_FUZZ_DIR "/known-alarms.txt"));
  return known;
}

// The Daily check's clock, report share and dialogs: local time that moves with the manual
// clock from 5 December 2026 14:07:30, files that keep only their names (or refuse every
// write), dialogs the engineer cancels.
struct DailyCheckPorts : platform::Clock, platform::Files, platform::FileDialogs {
  explicit DailyCheckPorts(const testing::ManualClock& clock) : clock_(clock) {}
  platform::LocalDateTime Now() const override {
    const long long seconds = 14 * 3600 + 7 * 60 + 30 + clock_.Now() / 1000;
    const auto part = [&](long long unit, int of) { return static_cast<int>(seconds / unit % of); };
    return {2026, 12, 5 + part(86400, 20), part(3600, 24), part(60, 60), part(1, 60)};
  }
  std::int64_t SteadyMs() const override { return clock_.Now(); }
  void WriteWhole(const std::string& path, std::string_view) override {
    if (refuse) throw std::runtime_error(path + ": Permission denied");
    names.insert(path);
  }
  std::string Read(const std::string& path) override {
    throw std::runtime_error(path + ": No such file");
  }
  bool Exists(const std::string& path) override { return names.contains(path); }
  std::vector<std::string> List(const std::string&, std::string_view) override { return {}; }
  std::string SaveFileName(std::string_view) override { return {}; }
  std::string OpenFileName() override { return {}; }

  std::set<std::string> names;
  bool refuse = false;

 private:
  const testing::ManualClock& clock_;
};

void Proses(Bench& b) {
  const Elements elements = b.Bit(2) ? Elements{"BSC9", "BSC10"} : Elements{"BSC9"};
  controls::Panel broadcast_sheet;
  proses::ProsesPage page(b.rig.Client(), b.properties, b.read_form, broadcast_sheet, b.sound,
                          b.messages);
  page.Rxteirbtn.SetChecked(b.Bit(0));
  page.Rxltirbtn.SetChecked(!b.Bit(0));
  page.Cfcbox.SetChecked(!b.Bit(1));
  page.Necbox.SetText("BSC9");
  for (const auto& element : elements) page.ListBox1.Add(element);
  if (b.Bit(3)) page.SetWatchdogSeconds(0);
  if (b.Bit(4)) page.FilterListBox.Add("C09101B");
  b.Play(page,
         {.elements = elements,
          .timers = {&page.Timer1, &page.ReleaseTimer, &page.BusyTimer, &page.WatchdogTimer},
          .panes = {HELD(page.InMemo)},
          .held = {HELD(page.OutMemo), HELD(page.CellMemo), HELD(page.TsMemo),
                   HELD(page.Rxaspbufmemo), HELD(page.TsltiMemo), HELD(page.ListBox1),
                   HELD(page.FilterListBox), HELD(page.TgEdit.Text()), HELD(page.ProsesStep)},
          .button = &page.Startpnl,
          .click = [&] { page.StartpnlClick(); },
          .actions = {[&] { page.ConnectButtonClick(); },
                      [&] { page.SetWatchdogSeconds(page.WatchdogTimer.Interval() > 0 ? 0 : 60); },
                      [&] {
                        page.Rxteirbtn.SetChecked(!page.Rxteirbtn.Checked());
                        page.Rxltirbtn.SetChecked(!page.Rxteirbtn.Checked());
                      },
                      [&] {
                        page.ReleaseTimerEdit.SetText("500");
                        page.ReleaseTimerButtonClick();
                      }},
          .report = [&] { return page.OutMemo.Text(); }});
}

void DailyCheck(Bench& b) {
  const Elements elements = b.Bit(1) ? Elements{"BSC9", "MSC9"} : Elements{"BSC9"};
  DailyCheckPorts ports(b.rig.Clock());
  ports.refuse = b.Bit(2);
  if (b.Bit(3)) {
    ports.names = {"/sounds/nods/BSC9.wav", "/sounds/faults/SEIZURE SUPERVISION.wav",
                   "/sounds/faults/EXTERNAL ALARM.wav", "/sounds/faults/MANY ALARMS.wav"};
  }
  dailycheck::DailyCheckPage page(b.rig.Client(), b.properties, {ports, ports, b.sound, ports},
                                  "/share", KnownAlarms(), "/sounds");
  for (controls::CheckBox* solution :
       {&page.SeqarCheckBox, &page.SetarCheckBox, &page.SoftErrorCheckBox, &page.PermanentCheckBox,
        &page.NearendCheckBox, &page.EnumCheckBox, &page.SaeCheckBox}) {
    solution->SetChecked(true);
  }
  page.SoundCheckBox.SetChecked(!b.Bit(0));
  page.Nedc.SetText("BSC9");
  for (const auto& element : elements) page.ListBoxdc.Add(element);
  bool sounds_held = false;
  b.rig.Client().after_each_chunk = [&] {
    if (!sounds_held) b.sound.FinishAll();
  };
  b.Play(page,
         {.elements = elements,
          .timers = {&page.Timerdc, &page.Timerdc_release, &page.Timerdc_wait},
          // The work pane: the report file and the many-alarms count read it as this visit's.
          .panes = {HELD(page.Memobufdc), {"Memodc", &page.Memodc, 0}},
          .held = {HELD(page.Memoreportdc), HELD(page.Memokom), HELD(page.FilterMemo),
                   HELD(page.ListBoxdc), HELD(page.DcStep), HELD(page.DcLastWorkText)},
          .start_stop = [&](bool stop) { stop ? page.StopdcClick() : page.StartdcClick(); },
          .runs =
              [&] { return !page.Statusdc.Caption().starts_with("stopped") && !b.sound.Playing(); },
          .actions = {[&] {
                        sounds_held = !sounds_held;
                        if (!sounds_held) b.sound.FinishAll();
                      },
                      [&] { page.DeletealldcClick(); }, [&] { page.AdddcClick(); },
                      [&] { page.SoundCheckBox.SetChecked(!page.SoundCheckBox.Checked()); }},
          .report = [&] { return page.Memoreportdc.Text(); }});
}

void Rlslp(Bench& b) {
  Elements elements = {"BSC9", "BSC10", "BSC12"};
  elements.resize(1 + (b.script.options & 3) % 3);
  rlslp::RlslpPage page(b.rig.Client(), b.properties);
  if (!b.Bit(2)) page.SetMessages(b.messages);
  page.SlpComboBox.SetText("BSC9");
  for (const auto& element : elements) page.SlpListBox.Add(element);
  b.Play(page, {.elements = elements,
                .panes = {HELD(page.SlpMemo)},
                .held = {HELD(page.SlpreportMemo), HELD(page.SlpListBox), HELD(page.SlpStep)},
                .button = &page.SlpstartButton,
                .click = [&] { page.SlpstartButtonClick(); },
                .actions = {[&] { page.Button1Click(); },
                            [&] {
                              if (page.SlpListBox.Empty()) return;
                              page.SlpListBox.SetSelected(0, true);
                              page.Button2Click();
                            }},
                .report = [&] { return page.SlpreportMemo.Text(); }});
}

void Broadcast(Bench& b) {
  broadcast::BroadcastPage page(b.rig.Client(), b.properties);
  if (!b.Bit(0)) page.SetMessages(b.messages);
  page.BscComboBox.SetText("BSC9");
  b.Play(page, {.elements = {"BSC9"},
                .panes = {HELD(page.BrMemo)},
                .held = {HELD(page.ReportMemo), HELD(page.BrbufMemo1), HELD(page.BrbufMemo2),
                         HELD(page.BrbufMemo3), HELD(page.BrStep)},
                .button = &page.StartButton,
                .click = [&] { page.StartButtonClick(); },
                .report = [&] { return page.ReportMemo.Text(); }});
}

void Neighbours(Bench& b) {
  neighbours::NeighboursPage page(b.rig.Client(0), b.rig.Client(1), b.properties, b.read_form);
  if (!b.Bit(3)) page.SetMessages(b.messages);
  page.CellbscComboBox.SetItemIndex(8);                  // BSC9
  page.CellrbscComboBox.SetItemIndex(b.Bit(0) ? 8 : 9);  // BSC9 or BSC10
  std::string cell_list, cellr_list;
  for (int k = 1; k <= 1 + ((b.script.options >> 1) & 3) % 3; ++k) {
    cell_list += "C0910" + std::to_string(k) + "A\r\n";
    cellr_list += (b.Bit(0) ? "C0920" : "C1010") + std::to_string(k) + "A\r\n";
  }
  page.Memocell.SetText(cell_list);
  page.Memocellr.SetText(cellr_list);
  b.Play(page, {.elements = {"BSC9", "BSC10"},
                .timers = {&page.Exqontime},
                .panes = {HELD(page.Cell.Buffer), HELD(page.Cellr.Buffer)},
                .held = {HELD(page.Memocell), HELD(page.Memocellr), HELD(page.LastFailure),
                         HELD(page.Cell.ledger), HELD(page.Cell.Step), HELD(page.Cellr.ledger),
                         HELD(page.Cellr.Step), RECORDS(page.Cell.Table), RECORDS(page.Cell.Unread),
                         RECORDS(page.Cellr.Table), RECORDS(page.Cellr.Unread)},
                .button = &page.StartqonButton,
                .click = [&] { page.StartqonButtonClick(); },
                .report = [&] { return page.LastFailure + "\n" + b.read_form.Memo1.Text(); }});
}

void Relocation(Bench& b) {
  relocation::RelocationPage page(b.rig.Client(), b.properties, b.read_form, b.messages);
  const std::string all_cells = "C09101A\r\nC09102A\r\nC09201A\r\n";
  const std::string cells = all_cells.substr(0, 9 * (1 + (b.script.options & 3) % 3));
  page.DqonListMemo.SetText(cells);
  page.DqonoComboBox.SetText("BSC9");
  page.DqondComboBox.SetItemIndex(11);  // BSC12
  b.Play(
      page,
      {.elements = {"BSC9"},
       .panes = {HELD(page.DqonbufMemo)},
       // Only the columns up to the current moved cell's are ever written.
       .held = {HELD(page.DqonListMemo),
                HELD(page.DqonrepMemo),
                HELD(page.DqonListBox),
                {"page.DqonTable", [&] { return TableBytes(page.DqonTable, page.DqonCount + 3); }},
                HELD(page.DqonStep)},
       .button = &page.DqonstartButton,
       .click = [&] { page.DqonstartButtonClick(); },
       // A finished check leaves its session open, and "Stop" on the button, until the
       // engineer ends it: the check runs while it holds the cell list.
       .runs = [&] { return !page.DqonListPanel.Enabled(); },
       .actions = {[&] {
         if (page.DqonstartButton.Caption() == "Start") page.DqonListMemo.SetText(cells);
       }},
       .report = [&] { return page.DqonrepMemo.Text() + b.read_form.Memo1.Text(); }});
}

}  // namespace

bool PlayPage(std::string_view page, const SessionScript& script) {
  static constexpr std::pair<std::string_view, void (*)(Bench&)> kPages[] = {
      {"proses", Proses},       {"dailycheck", DailyCheck}, {"rlslp", Rlslp},
      {"broadcast", Broadcast}, {"neighbours", Neighbours}, {"relocation", Relocation}};
  for (const auto& [name, set_up] : kPages) {
    if (name == page) {
      Rig rig(std::string(name), script.options);
      Bench bench{rig, script};
      set_up(bench);
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
#else
// The seed player, which also turns session scripts into the fuzzers' bytes and back:
//   kestrel_session_script play PAGE SEED...      plays each script (a folder: its *.txt) on
//                                                 the fuzz rig, with every check of the page's
//                                                 fuzzer; fails on a finding, or with no seed
//   kestrel_session_script encode SCRIPT.txt OUT  the bytes of a readable script
//   kestrel_session_script decode INPUT           a fuzzer's input (a finding), readable
namespace kestrel::fuzz {
namespace {

SessionScript ReadScript(const std::string& path) {
  std::string error;
  const auto script = FromText(ReadFile(path), error);
  if (!script) throw std::runtime_error(path + ": " + error);
  return *script;
}

int Play(const std::string& page, const std::vector<std::string>& arguments) {
  std::vector<std::filesystem::path> seeds;
  for (const std::filesystem::path argument : arguments) {
    if (!std::filesystem::is_directory(argument)) {
      seeds.push_back(argument);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(argument)) {
      if (entry.path().extension() == ".txt") seeds.push_back(entry.path());
    }
  }
  std::sort(seeds.begin(), seeds.end());
  std::size_t failed = 0;
  for (const auto& seed : seeds) {
    try {
      if (!PlayPage(page, ReadScript(seed.string()))) {
        std::cerr << "no page " << page << "\n";
        return 2;
      }
      continue;
    } catch (const Finding&) {
      std::cerr << "*** in " << seed.string() << "\n";
    } catch (const std::runtime_error& error) {
      std::cerr << error.what() << "\n";
    }
    ++failed;
  }
  std::cout << seeds.size() - failed << " of " << seeds.size() << " seeds of " << page
            << " played without a finding\n";
  return seeds.empty() || failed > 0 ? 1 : 0;
}

}  // namespace
}  // namespace kestrel::fuzz

int main(int argc, char** argv) {
  using namespace kestrel::fuzz;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    if (arguments.size() >= 2 && arguments[0] == "play") {
      return Play(arguments[1], {arguments.begin() + 2, arguments.end()});
    }
    if (arguments.size() == 3 && arguments[0] == "encode") {
      std::ofstream(arguments[2], std::ios::binary) << Encode(ReadScript(arguments[1]));
      return 0;
    }
    if (arguments.size() == 2 && arguments[0] == "decode") {
      std::cout << ToText(Decode(ReadFile(arguments[1])));
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  std::cerr << "usage: kestrel_session_script play PAGE SEED... | encode SCRIPT OUT | decode "
               "INPUT\n";
  return 2;
}
#endif
