#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A bench whose solutions are all off: the report holds warnings only.
struct WarningsBench : PageBench {
  WarningsBench()
      : PageBench("/share",
                  "SEIZURE SUPERVISION\nEXTERNAL ALARM\nCP STATE NOT "
                  "NORMAL\nSYSTEM STATE\n"
                  "../nods/BSC9\n") {
    for (const char* box : {"SEQAR", "SETAR", "Near end", "Enum"}) Box(box).SetChecked(false);
  }
};

// Known alarms warn unless the filter silences them for all elements or for one, by substring,
// once per key; the sound is both recordings or the beep signal.
TEST(Warnings, KnownUnfilteredAlarmsWarnOncePerKeyWithTheirSound) {
  for (const DataCase& row : DataCases("dailycheck-warnings.txt")) {
    SCOPED_TRACE(row.name);
    WarningsBench bench;
    bench.files.written["/sounds/nods/BSC9.wav"] = "RIFF";
    bench.files.written["/sounds/faults/EXTERNAL ALARM.wav"] = "RIFF";
    RunScript(bench, row, row);
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
  EXPECT_EQ(page.FilterMemo.Text(),
            "");  // emptied before the read, as the engineers know it
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
