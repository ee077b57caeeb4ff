#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class WarningsTest : public DailyCheckTest {
 protected:
  WarningsTest() {
    for (auto* box :
         {&page.SeqarCheckBox, &page.SetarCheckBox, &page.NearendCheckBox, &page.EnumCheckBox}) {
      box->SetChecked(false);
    }
  }
  std::vector<std::string> Warnings(const std::string& element, const std::string& alarms) {
    page.StopdcClick();  // a session is for the element it was opened for
    page.ListBoxdc.Clear();
    page.Memoreportdc.Clear();
    Start({element.c_str()});
    telnet.Receive(AlarmList(alarms));
    return page.Memoreportdc.Lines();
  }
};

TEST_F(WarningsTest, KnownUnfilteredAlarmsAreWarnedOncePerKey) {
  page.FilterMemo.Clear();
  EXPECT_THAT(Warnings("BSC9", Alarm("EXTERNAL ALARM") + Alarm("EXTERNAL ALARM") +
                                   Alarm("CP STATE NOT NORMAL") + Alarm("EXTERNAL ALARM") +
                                   Alarm("UNKNOWN ALARM") + Alarm("")),
              ElementsAre("Warning: BSC9: EXTERNAL ALARM; 05.12.2026 14:07:30",
                          "Warning: BSC9: CP STATE NOT NORMAL; 05.12.2026 14:07:30",
                          "Warning: BSC9: EXTERNAL ALARM; 05.12.2026 14:07:30"));
}

TEST_F(WarningsTest, FilterSilencesByScopeAndBySubstring) {
  // The default filter holds "ALL CP STATE NOT NORMAL" and "ALL SYSTEM STATE".
  EXPECT_THAT(
      Warnings("BSC9", Alarm("CP STATE NOT NORMAL") + Alarm("SYSTEM STATE") + Alarm("SYSTEM")),
      IsEmpty());
  // "ALL SYSTEM STATE" holds "ALL SYSTEM" but not "ALL STATE".
  EXPECT_THAT(Warnings("BSC9", Alarm("STATE")),
              ElementsAre("Warning: BSC9: STATE; 05.12.2026 14:07:30"));
  page.FilterMemo.AddLine("BSC9 EXTERNAL ALARM");
  EXPECT_THAT(Warnings("BSC9", Alarm("EXTERNAL ALARM")), IsEmpty());
  EXPECT_THAT(Warnings("BSC10", Alarm("EXTERNAL ALARM")),
              ElementsAre("Warning: BSC10: EXTERNAL ALARM; 05.12.2026 14:07:30"));
}

TEST_F(WarningsTest, AlarmTextComesFromBelowAPageHeader) {
  EXPECT_THAT(
      Warnings("BSC9", "A1/EXT \"BSC9\" 7 261205 1407\r\nWO      BSC9\r\nEXTERNAL ALARM\r\n"),
      ElementsAre("Warning: BSC9: EXTERNAL ALARM; 05.12.2026 14:07:30"));
}

TEST_F(WarningsTest, ManyAlarmsFromTheLogPaneSize) {
  page.ListBoxdc.Add("BSC9");
  page.RecordResults = true;
  // The log holds `lines` lines once the alarm list's chunk has been added to it.
  auto scan_with_log = [&](std::size_t lines) {
    page.StopdcClick();
    page.Memoreportdc.Clear();
    page.StartdcClick();
    LogIn();
    const std::string list = AlarmList("");
    const std::size_t added =
        static_cast<std::size_t>(std::count(list.begin(), list.end(), '\n')) + 1;
    std::string log;
    for (std::size_t i = 0; i + added < lines; ++i) log += "x\r\n";
    page.Memodc.SetText(log);
    telnet.Receive(list);
    return page.Memoreportdc.Lines();
  };
  EXPECT_THAT(scan_with_log(2500), IsEmpty());
  EXPECT_THAT(scan_with_log(2501), ElementsAre("Warning: BSC9: MANY ALARMS; 05.12.2026 14:07:30"));
  // A warning of no alarm of the list: no class.
  ASSERT_EQ(page.Results.size(), 1u);
  EXPECT_EQ(page.Results[0].alarm_class, "");
  EXPECT_EQ(page.Results[0].slogan, "MANY ALARMS");
  EXPECT_EQ(page.Results[0].kind, "warning");
  EXPECT_EQ(page.Results[0].line, "Warning: BSC9: MANY ALARMS; 05.12.2026 14:07:30");
  page.FilterMemo.AddLine("BSC9 MANY ALARMS");
  EXPECT_THAT(scan_with_log(2501), IsEmpty());
  EXPECT_EQ(page.Results.size(), 1u);
}

TEST_F(WarningsTest, SoundIsBothRecordingsOrTheBeepSignal) {
  files.written["/sounds/nods/BSC9.wav"] = "RIFF";
  files.written["/sounds/faults/EXTERNAL ALARM.wav"] = "RIFF";
  Warnings("BSC9", Alarm("EXTERNAL ALARM") + Alarm("CP STATE NOT NORMAL"));
  EXPECT_THAT(sound.played,
              ElementsAre("/sounds/nods/BSC9.wav", "/sounds/faults/EXTERNAL ALARM.wav"));
  sound.played.clear();
  page.FilterMemo.Clear();  // now the second alarm warns too, with no recording of its own
  Warnings("BSC9", Alarm("CP STATE NOT NORMAL"));
  EXPECT_THAT(sound.played, ElementsAre("beep 500", "beep 600", "beep 500", "beep 600"));
  sound.played.clear();
  page.SoundCheckBox.SetChecked(false);
  Warnings("BSC9", Alarm("EXTERNAL ALARM"));
  EXPECT_THAT(sound.played, IsEmpty());
}

TEST_F(WarningsTest, AlarmTextsThatAreNoFileNamesNeverLeaveTheFolder) {
  KnownAlarms known("../nods/BSC9\n");
  files.written["/sounds/nods/BSC9.wav"] = "RIFF";
  DailyCheckPage other{telnet,   properties, {time, files, sound, dialogs},
                       "/share", known,      "/sounds"};
  other.FilterMemo.Clear();
  other.ListBoxdc.Add("BSC9");
  other.StartdcClick();
  telnet.Receive("NE: NE=BSC9\r\n<");
  telnet.Receive(AlarmList(Alarm("../nods/BSC9")));
  EXPECT_THAT(sound.played, ElementsAre("beep 500", "beep 600", "beep 500", "beep 600"));
}

TEST_F(WarningsTest, FilterAddSaveAndLoad) {
  page.ComboBox1.SetText("ALL");
  page.ComboBox2.SetText("  EXTERNAL ALARM  ");
  page.Button4Click();
  EXPECT_EQ(page.FilterMemo.Lines().back(), "ALL EXTERNAL ALARM");
  dialogs.save = "/home/ops/filter.txt";
  page.Button5Click();
  ASSERT_TRUE(files.written.contains("/home/ops/filter.txt.txt"));
  EXPECT_EQ(files.written["/home/ops/filter.txt.txt"], page.FilterMemo.Text());
  dialogs.save.clear();  // cancelled: nothing more written
  page.Button5Click();
  EXPECT_EQ(files.written.size(), 1u);

  files.written["/home/ops/night.txt"] = "BSC9 EXTERNAL ALARM\r\n";
  dialogs.open = "/home/ops/night.txt";
  page.Button6Click();
  EXPECT_THAT(page.FilterMemo.Lines(), ElementsAre("BSC9 EXTERNAL ALARM"));
  dialogs.open = "/home/ops/missing.txt";
  EXPECT_THROW(page.Button6Click(), std::runtime_error);
  EXPECT_EQ(page.FilterMemo.Text(), "");  // emptied before the read, as the engineers know it
}

TEST_F(WarningsTest, DefaultFilterHasItsTwentyFiveLines) {
  EXPECT_EQ(page.FilterMemo.LineCount(), 25u);
  EXPECT_EQ(page.FilterMemo.Line(0), "ALL CELL RESTRICTION ACTIVATED");
  EXPECT_EQ(page.ComboBox1.Text(), "ALL");
  EXPECT_EQ(page.ComboBox2.Text(), "SEIZURE SUPERVISION");
}

}  // namespace
}  // namespace kestrel::dailycheck::testing

namespace kestrel::dailycheck::testing {
namespace {

TEST_F(DailyCheckTest, SoundPageListsPlaysAndTestsTheLocation) {
  files.written["/sounds/nods/BSC9.wav"] = "RIFF";
  files.written["/sounds/nods/notes.txt"] = "";
  files.written["/home/ops/voices/BSC15.wav"] = "RIFF";
  page.ShowSoundFolder("/sounds/nods");  // as the page does at start-up
  EXPECT_THAT(page.FileListBox1.Items(), ::testing::ElementsAre("BSC9.wav"));
  page.FileListBox1.SetSelected(0, true);
  page.FileListBox1DblClick();
  EXPECT_THAT(sound.played, ::testing::ElementsAre("/sounds/nods/BSC9.wav"));

  page.Button8Click();  // no BSC15.wav in the sounds folder: no sound
  EXPECT_EQ(sound.played.size(), 1u);
  files.written["/sounds/nods/BSC15.wav"] = "RIFF";
  page.Button8Click();
  EXPECT_EQ(sound.played.back(), "start /sounds/nods/BSC15.wav");

  dialogs.open = "/home/ops/voices/BSC15.wav";
  page.Button7Click();
  EXPECT_EQ(page.FileListFolder.Caption(), "/home/ops/voices");
  EXPECT_TRUE(page.FileListBox1.Selected(0));
}

}  // namespace
}  // namespace kestrel::dailycheck::testing

namespace kestrel::dailycheck::testing {
namespace {

// The abandoned session's lines are no part of the next element's count: only an element's
// own long session is many alarms.
TEST_F(DailyCheckTest, WatchdogRestartLeavesNothingToTheNextElementsManyAlarmsTest) {
  Start({"BSC9", "BSC10"});
  std::string long_session;
  for (int i = 0; i < 2500; ++i) long_session += "ALARM LIST LINE\r\n";
  telnet.Receive(long_session);  // then nothing more
  clock.Advance(60000);          // the watchdog moves on to BSC10
  ASSERT_THAT(page.ListBoxdc.Items(), ElementsAre("BSC10", "BSC9"));
  LogIn();
  telnet.Receive(AlarmList(""));
  const std::string silent =
      "BSC9: silent, ended by the watchdog while ALLIP; was in flight 14:07:30";
  EXPECT_THAT(page.Memoreportdc.Lines(), ElementsAre(silent));
  LogIn();  // BSC9 again, with its own long session
  telnet.Receive(long_session + AlarmList(""));
  EXPECT_THAT(page.Memoreportdc.Lines(),
              ElementsAre(silent, "Warning: BSC9: MANY ALARMS; 05.12.2026 14:07:30"));
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
