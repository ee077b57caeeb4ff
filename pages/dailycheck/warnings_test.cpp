#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A bench whose solutions are all off: the report holds warnings only.
struct WarningsBench : PageBench {
  WarningsBench() {
    for (auto* box :
         {&page.SeqarCheckBox, &page.SetarCheckBox, &page.NearendCheckBox, &page.EnumCheckBox}) {
      box->SetChecked(false);
    }
  }
  std::vector<std::string> Warnings(const char* element, const std::string& alarms) {
    Start({element});
    telnet.Receive(AlarmList(alarms));
    return page.Memoreportdc.Lines();
  }
};

std::string Warning(const std::string& element, const std::string& slogan) {
  return "Warning: " + element + ": " + slogan + "; 05.12.2026 14:07:30";
}

// Known alarms warn unless the filter (the default holds "ALL CP STATE NOT NORMAL" and "ALL
// SYSTEM STATE") silences them for all elements or for one, by substring; a repeat right
// after the same key is not warned again.
TEST(Warnings, KnownUnfilteredAlarmsWarnOncePerKey) {
  const struct {
    bool clear_filter;
    const char* added;
    const char* element;
    std::string alarms;
    std::vector<std::string> warned;
  } rows[] = {
      {true,
       "",
       "BSC9",
       Alarm("EXTERNAL ALARM") + Alarm("EXTERNAL ALARM") + Alarm("CP STATE NOT NORMAL") +
           Alarm("EXTERNAL ALARM") + Alarm("UNKNOWN ALARM") + Alarm(""),
       {Warning("BSC9", "EXTERNAL ALARM"), Warning("BSC9", "CP STATE NOT NORMAL"),
        Warning("BSC9", "EXTERNAL ALARM")}},
      {false,
       "",
       "BSC9",
       Alarm("CP STATE NOT NORMAL") + Alarm("SYSTEM STATE") + Alarm("SYSTEM"),
       {}},
      {false, "", "BSC9", Alarm("STATE"), {Warning("BSC9", "STATE")}},  // not "ALL STATE"
      {false, "BSC9 EXTERNAL ALARM", "BSC9", Alarm("EXTERNAL ALARM"), {}},
      {false,
       "BSC9 EXTERNAL ALARM",
       "BSC10",
       Alarm("EXTERNAL ALARM"),
       {Warning("BSC10", "EXTERNAL ALARM")}},
      {false,
       "",
       "BSC9",
       "A1/EXT \"BSC9\" 7 261205 1407\r\nWO      BSC9\r\nEXTERNAL ALARM\r\n",
       {Warning("BSC9", "EXTERNAL ALARM")}},  // the slogan below a page header
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.alarms);
    WarningsBench bench;
    if (row.clear_filter) bench.page.FilterMemo.Clear();
    if (*row.added != '\0') bench.page.FilterMemo.AddLine(row.added);
    EXPECT_EQ(bench.Warnings(row.element, row.alarms), row.warned);
  }
}

TEST(Warnings, ManyAlarmsFromTheLogPaneSize) {
  WarningsBench bench;
  auto& page = bench.page;
  page.ListBoxdc.Add("BSC9");
  page.RecordResults = true;
  // The log holds `lines` lines once the alarm list's chunk has been added to it.
  auto scan_with_log = [&](std::size_t lines) {
    page.StopdcClick();
    page.Memoreportdc.Clear();
    page.StartdcClick();
    bench.LogIn();
    const std::string list = AlarmList("");
    const auto added = static_cast<std::size_t>(std::count(list.begin(), list.end(), '\n')) + 1;
    std::string log;
    for (std::size_t i = 0; i + added < lines; ++i) log += "x\r\n";
    page.Memodc.SetText(log);
    bench.telnet.Receive(list);
    return page.Memoreportdc.Lines();
  };
  EXPECT_THAT(scan_with_log(2500), IsEmpty());
  EXPECT_THAT(scan_with_log(2501), ElementsAre(Warning("BSC9", "MANY ALARMS")));
  // A warning of no alarm of the list: no class.
  ASSERT_EQ(page.Results.size(), 1u);
  const auto& result = page.Results[0];
  EXPECT_EQ(result.alarm_class + "|" + result.slogan + "|" + result.kind + "|" + result.line,
            "|MANY ALARMS|warning|" + Warning("BSC9", "MANY ALARMS"));
  page.FilterMemo.AddLine("BSC9 MANY ALARMS");
  EXPECT_THAT(scan_with_log(2501), IsEmpty());
}

// The element's recording then the alarm's, else the beep signal; a slogan that is no file
// name never reaches a file outside the folder; no sound with the box clear.
TEST(Warnings, SoundIsBothRecordingsOrTheBeepSignal) {
  const std::vector<std::string> beep = {"beep 500", "beep 600", "beep 500", "beep 600"};
  const struct {
    std::string alarms;
    bool sound;
    std::vector<std::string> played;
  } rows[] = {
      {Alarm("EXTERNAL ALARM") + Alarm("CP STATE NOT NORMAL"),
       true,
       {"/sounds/nods/BSC9.wav", "/sounds/faults/EXTERNAL ALARM.wav"}},
      {Alarm("SEIZURE SUPERVISION"), true, beep},  // no recording of that alarm
      {Alarm("../nods/BSC9"), true, beep},
      {Alarm("EXTERNAL ALARM"), false, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.alarms);
    WarningsBench bench;
    KnownAlarms known("../nods/BSC9\nEXTERNAL ALARM\nSEIZURE SUPERVISION\n");
    DailyCheckPage page{bench.telnet,
                        bench.properties,
                        {bench.time, bench.files, bench.sound, bench.dialogs},
                        "/share",
                        known,
                        "/sounds"};
    bench.files.written["/sounds/nods/BSC9.wav"] = "RIFF";
    bench.files.written["/sounds/faults/EXTERNAL ALARM.wav"] = "RIFF";
    page.SoundCheckBox.SetChecked(row.sound);
    page.ListBoxdc.Add("BSC9");
    page.StartdcClick();
    bench.telnet.Receive("NE: NE=BSC9\r\n<");
    bench.telnet.Receive(AlarmList(row.alarms));
    EXPECT_EQ(bench.sound.played, row.played);
  }
}

TEST(Warnings, FilterAddSaveAndLoad) {
  WarningsBench bench;
  auto& page = bench.page;
  auto& files = bench.files.written;
  page.ComboBox1.SetText("ALL");
  page.ComboBox2.SetText("  EXTERNAL ALARM  ");
  page.Button4Click();
  EXPECT_EQ(page.FilterMemo.Lines().back(), "ALL EXTERNAL ALARM");
  bench.dialogs.save = "/home/ops/filter.txt";
  page.Button5Click();
  EXPECT_EQ(files.at("/home/ops/filter.txt.txt"), page.FilterMemo.Text());
  bench.dialogs.save.clear();  // cancelled: nothing more written
  page.Button5Click();
  EXPECT_EQ(files.size(), 1u);
  files["/home/ops/night.txt"] = "BSC9 EXTERNAL ALARM\r\n";
  bench.dialogs.open = "/home/ops/night.txt";
  page.Button6Click();
  EXPECT_THAT(page.FilterMemo.Lines(), ElementsAre("BSC9 EXTERNAL ALARM"));
  bench.dialogs.open = "/home/ops/missing.txt";
  EXPECT_THROW(page.Button6Click(), std::runtime_error);
  EXPECT_EQ(page.FilterMemo.Text(), "");  // emptied before the read, as the engineers know it
}

TEST_F(DailyCheckTest, SoundPageListsPlaysAndTestsTheLocation) {
  files.written["/sounds/nods/BSC9.wav"] = "RIFF";
  files.written["/sounds/nods/notes.txt"] = "";
  files.written["/home/ops/voices/BSC15.wav"] = "RIFF";
  page.ShowSoundFolder("/sounds/nods");
  EXPECT_THAT(page.FileListBox1.Items(), ElementsAre("BSC9.wav"));
  page.FileListBox1.SetSelected(0, true);
  page.FileListBox1DblClick();
  page.Button8Click();  // no BSC15.wav in the sounds folder: no sound
  files.written["/sounds/nods/BSC15.wav"] = "RIFF";
  page.Button8Click();
  EXPECT_THAT(sound.played, ElementsAre("/sounds/nods/BSC9.wav", "start /sounds/nods/BSC15.wav"));
  dialogs.open = "/home/ops/voices/BSC15.wav";
  page.Button7Click();
  EXPECT_EQ(page.FileListFolder.Caption(), "/home/ops/voices");
  EXPECT_TRUE(page.FileListBox1.Selected(0));
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
