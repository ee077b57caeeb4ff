#include "tests/gui/app_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace kestrel::app::testing {

namespace {
bool Ended(bool ended, const char* what) {
  if (!ended) ADD_FAILURE() << what << " did not end";
  return ended;
}
}  // namespace

bool AppTest::RunProses(const std::string& bsc) {
  auto& proses = Window()->proses;
  proses.Timer1.SetInterval(20);  // the 30-second wait, shortened for the test
  auto* release = Find<QLineEdit>("ReleaseTimerEdit");
  release->clear();
  QTest::keyClicks(release, "20");
  Find<QPushButton>("ReleaseTimerButton")->click();
  proses.Necbox.SetText(bsc);
  proses.BeepCheckBox.SetChecked(false);
  const auto boxes = answers.boxes.size();
  Find<QPushButton>("Startpnl")->click();
  return Ended(RunUntil([&] { return answers.boxes.size() > boxes; }, 20000),
               "the Proses run (with its message)");
}

bool AppTest::RunRlslp(const std::string& bsc) {
  auto& rlslp = Window()->rlslp;
  rlslp.SlpListBox.Add(bsc);
  Find<QPushButton>("SlpstartButton")->click();
  return Ended(RunUntil([&] {
                 return rlslp.SlpstartButton.Caption() == "Start" && rlslp.SlpListBox.Empty();
               }),
               "the RLSLP check");
}

bool AppTest::RunBroadcast(const std::string& bsc) {
  Window()->broadcast.BscComboBox.SetText(bsc);
  Find<QPushButton>("StartButton")->click();
  return Ended(RunUntil([&] { return Window()->broadcast.StartButton.Caption() == "Start"; }),
               "the broadcast check");
}

bool AppTest::RunQonsuluq() {
  auto& neighbours = Window()->neighbours;
  neighbours.Memocell.SetText("C09101A\r\nC09102B");
  neighbours.Memocellr.SetText("C12101A\r\nC12102C");
  neighbours.CellbscComboBox.SetItemIndex(8);    // BSC9
  neighbours.CellrbscComboBox.SetItemIndex(11);  // BSC12
  Find<QPushButton>("StartqonButton")->click();
  return Ended(RunUntil([&] { return windows->Form2->isVisible(); }, 10000),
               "the Qonsuluq collection (with its script)");
}

bool AppTest::RunDailyCheck() {
  auto& dailycheck = Window()->dailycheck;
  dailycheck.SoundCheckBox.SetChecked(false);
  dailycheck.Nedc.SetText("BSC9");
  Find<QToolButton>("Adddc")->click();
  Find<QToolButton>("Startdc")->click();
  // The solution ran and the loop went on with the element's next visit.
  const bool passed = RunUntil([&] {
    return dailycheck.Memoreportdc.Text().find("BSC9: SETAR;") != std::string::npos &&
           dailycheck.Memokom.LineCount() == 0 && dailycheck.DcStep == "ALLIP;";
  });
  Find<QToolButton>("Stopdc")->click();
  return Ended(passed, "the Daily check's pass");
}

bool AppTest::RunRelocation(const std::string& present_bsc) {
  auto& relocation = Window()->relocation;
  relocation.DqonoComboBox.SetText(present_bsc);
  relocation.DqondComboBox.SetItemIndex(11);  // to BSC12
  relocation.DqonListMemo.SetText("C09101A");
  Find<QPushButton>("DqonstartButton")->click();
  // The script in the viewer; the session stays until the engineer presses Stop.
  const bool written = RunUntil([&] { return windows->Form2->isVisible(); });
  if (relocation.DqonstartButton.Caption() == "Stop") Find<QPushButton>("DqonstartButton")->click();
  return Ended(written, "the relocation check (with its script)");
}

}  // namespace kestrel::app::testing

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The Daily check's history and Qt's own settings (a file dialog's last folder) of the tests
  // go to folders of their own, not the user's.
  const QTemporaryDir data, config;
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
