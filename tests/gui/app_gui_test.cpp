// The desktop program's windows under Qt's offscreen platform, with the gateway simulator
// running on the same event loop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/application.h"
#include "sim/gateway_server.h"

namespace kestrel::app {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

bool RunUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

int MainWindows() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    count += qobject_cast<TKestreldlg*>(widget) != nullptr;
  return count;
}

class AppTest : public ::testing::Test {
 protected:
  AppTest() : gateway(sim::Scenario::Demo(), faults(), {sim::Transcripts::Kind::kNone, {}}) {
    gateway.Listen(QHostAddress::LocalHost, 0);
    site.gateway_port = gateway.Port();
    QDir(share.path()).mkdir("Kestreldailycheck");
    site.report_share_root = share.path().toStdString();
    site.log_dir = share.filePath("sessions").toStdString();
    windows = std::make_unique<Application>(site);
    windows->Start();
  }
  ~AppTest() override { windows.reset(); }
  static sim::Faults faults() {
    sim::Faults slow;
    slow.chunk_max = 200;
    slow.chunk_delay_ms = 2;
    return slow;
  }
  template <typename T>
  T* Find(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(name);
    if (found == nullptr) ADD_FAILURE() << "no control " << name;
    return found;
  }
  QPushButton* SlpstartButton() {
    return Find<QPushButton>(windows->Kestreldlg.get(), "SlpstartButton");
  }
  QString Report() {
    return Find<QPlainTextEdit>(windows->Kestreldlg.get(), "SlpreportMemo")->toPlainText();
  }

  QTemporaryDir share;
  platform::SiteSettings site;
  sim::GatewayServer gateway;
  std::unique_ptr<Application> windows;
};

TEST_F(AppTest, StartsInOrderWithOnlyTheEntryWindowShown) {
  EXPECT_THAT(windows->created,
              ElementsAre("MscNames", "Form1", "PropertiesForm", "Kestreldlg", "Form2", "Form4"));
  EXPECT_TRUE(windows->Form1->isVisible());
  EXPECT_FALSE(windows->Kestreldlg->isVisible());
  EXPECT_FALSE(windows->PropertiesForm->isVisible());
  EXPECT_FALSE(windows->Form2->isVisible());
  EXPECT_EQ(windows->Form1->windowTitle(), "Kestrel");
  EXPECT_EQ(windows->Kestreldlg->windowTitle(), "Kestrel ver 2.2");
  EXPECT_EQ(windows->Kestreldlg->size(), QSize(575, 451));
  EXPECT_EQ(windows->Form1->size(), QSize(335, 127));
}

TEST_F(AppTest, GirisTwiceShowsTheOneMainWindow) {
  windows->Form1->SpeedButton1->click();
  windows->Form1->SpeedButton1->click();
  EXPECT_TRUE(windows->Kestreldlg->isVisible());
  EXPECT_EQ(MainWindows(), 1);
  QStringList tabs;
  for (int i = 0; i < windows->Kestreldlg->PageControl2->count(); ++i) {
    tabs << windows->Kestreldlg->PageControl2->tabText(i);
  }
  EXPECT_EQ(tabs, QStringList({"Proses", "Edge Broadcast check", "RLSLP_check", "Qonsuluq",
                               "Daily check", "Dasinma ucun qonsuluq"}));
}

TEST_F(AppTest, CloseLeavesTheCheckRunningAndGirisShowsItsProgress) {
  windows->Form1->SpeedButton1->click();
  windows->Kestreldlg->rlslp.SlpListBox.Add("BSC9");
  windows->Kestreldlg->rlslp.SlpListBox.Add("BSC12");
  SlpstartButton()->click();
  EXPECT_EQ(SlpstartButton()->text(), "Stop");
  windows->Kestreldlg->Close1Click();
  EXPECT_FALSE(windows->Kestreldlg->isVisible());
  ASSERT_TRUE(RunUntil([&] { return windows->Kestreldlg->rlslp.SlpListBox.Empty(); }));
  windows->Form1->SpeedButton1->click();
  EXPECT_TRUE(windows->Kestreldlg->isVisible());
  ASSERT_TRUE(RunUntil([&] { return Report().count("Finish check") == 2; }));
  EXPECT_THAT(Report().toStdString(), HasSubstr("Check: BSC12\nC12102C: ACTIVE=NO\n"));
  EXPECT_EQ(SlpstartButton()->text(), "Start");
}

TEST_F(AppTest, SettingsFieldsAreReadLive) {
  auto* user = Find<QLineEdit>(windows->PropertiesForm.get(), "UserEdit");
  EXPECT_EQ(Find<QLineEdit>(windows->PropertiesForm.get(), "PasswordEdit")->echoMode(),
            QLineEdit::Password);
  user->clear();
  QTest::keyClicks(user, "intruder");
  windows->Kestreldlg->rlslp.SlpListBox.Add("BSC9");
  SlpstartButton()->click();
  // The gateway refuses the user three times and hangs up: no "Finish check".
  ASSERT_TRUE(RunUntil([&] { return SlpstartButton()->text() == "Start"; }));
  EXPECT_FALSE(Report().contains("Finish check"));

  user->clear();
  QTest::keyClicks(user, "kestrel");
  SlpstartButton()->click();
  ASSERT_TRUE(RunUntil([&] { return Report().contains("Finish check"); }));
}

TEST_F(AppTest, RefusedConnectionShowsTheErrorBoxAndLeavesStart) {
  windows.reset();
  site.gateway_port = 1;  // nothing listens there
  windows = std::make_unique<Application>(site);
  windows->Start();
  windows->Form1->SpeedButton1->click();
  QString shown;
  QTimer::singleShot(0, [&] {
    RunUntil(
        [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; });
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  SlpstartButton()->click();  // returns once the error box is closed
  EXPECT_THAT(shown.toStdString(), HasSubstr("Cannot connect to 127.0.0.1:1"));
  EXPECT_EQ(SlpstartButton()->text(), "Start");
  EXPECT_TRUE(windows->Kestreldlg->isVisible());  // the program goes on
}

TEST_F(AppTest, ProsesRunsFromTheWindowAndEndsWithItsMessage) {
  windows->Form1->SpeedButton1->click();
  auto& proses = windows->Kestreldlg->proses;
  proses.Timer1.SetInterval(20);  // the 30-second wait, shortened for the test
  Find<QLineEdit>(windows->Kestreldlg.get(), "ReleaseTimerEdit")->clear();
  QTest::keyClicks(Find<QLineEdit>(windows->Kestreldlg.get(), "ReleaseTimerEdit"), "20");
  Find<QPushButton>(windows->Kestreldlg.get(), "ReleaseTimerButton")->click();
  proses.Necbox.SetText("BSC9");
  proses.BeepCheckBox.SetChecked(false);
  QWidget* proses_tab = windows->Kestreldlg->PageControl2->widget(0);
  QWidget* broadcast_tab = windows->Kestreldlg->PageControl2->widget(1);

  QString shown;
  bool disabled_while_running = false;
  auto* watcher = new QTimer(windows->Kestreldlg.get());
  QObject::connect(watcher, &QTimer::timeout, [&] {
    if (proses.Startpnl.Caption() == "Stop") {
      disabled_while_running = !proses_tab->isEnabled() && !broadcast_tab->isEnabled();
    }
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  watcher->start(5);
  Find<QPushButton>(windows->Kestreldlg.get(), "Startpnl")->click();
  ASSERT_TRUE(RunUntil([&] { return !shown.isEmpty(); }, 20000));
  EXPECT_EQ(shown, "Proses finish");
  EXPECT_TRUE(disabled_while_running);
  EXPECT_TRUE(proses_tab->isEnabled());
  EXPECT_TRUE(broadcast_tab->isEnabled());
  EXPECT_TRUE(Find<QPlainTextEdit>(windows->Kestreldlg.get(), "OutMemo")
                  ->toPlainText()
                  .contains("RXBLE:MO=RXOTRX-91-1;"));
  EXPECT_TRUE(proses.ListBox1.Empty());
}

TEST_F(AppTest, DailyCheckSupervisesFromTheWindowUntilStopped) {
  windows->Form1->SpeedButton1->click();
  auto& dailycheck = windows->Kestreldlg->dailycheck;
  dailycheck.SoundCheckBox.SetChecked(false);
  dailycheck.Nedc.SetText("BSC9");
  Find<QToolButton>(windows->Kestreldlg.get(), "Adddc")->click();
  Find<QToolButton>(windows->Kestreldlg.get(), "Startdc")->click();
  auto* report = Find<QPlainTextEdit>(windows->Kestreldlg.get(), "Memoreportdc");
  ASSERT_TRUE(RunUntil([&] { return report->toPlainText().contains("BSC9: SETAR;"); }));
  EXPECT_TRUE(report->toPlainText().contains("Warning: BSC9: EXTERNAL ALARM;"));
  // The solution ran and the loop went on with the element's next visit.
  ASSERT_TRUE(RunUntil(
      [&] { return dailycheck.Memokom.LineCount() == 0 && dailycheck.DcStep == "ALLIP;"; }));
  EXPECT_FALSE(Find<QProgressBar>(windows->Kestreldlg.get(), "Animate2")->isHidden());
  Find<QToolButton>(windows->Kestreldlg.get(), "Stopdc")->click();
  EXPECT_FALSE(dailycheck.Timerdc.Enabled());
  EXPECT_TRUE(Find<QProgressBar>(windows->Kestreldlg.get(), "Animate2")->isHidden());
}

TEST_F(AppTest, QonsuluqCollectsFromTheWindowAndShowsTheScript) {
  windows->Form1->SpeedButton1->click();
  auto& neighbours = windows->Kestreldlg->neighbours;
  auto* cells = Find<QPlainTextEdit>(windows->Kestreldlg.get(), "Memocell");
  QTest::keyClicks(cells, "C09101A");
  QTest::keyClick(cells, Qt::Key_Return);
  QTest::keyClicks(cells, "C09102B");
  EXPECT_EQ(Find<QLabel>(windows->Kestreldlg.get(), "Label8")->text(), "2");
  auto* cellrs = Find<QPlainTextEdit>(windows->Kestreldlg.get(), "Memocellr");
  QTest::keyClicks(cellrs, "C12101A");
  QTest::keyClick(cellrs, Qt::Key_Return);
  QTest::keyClicks(cellrs, "C12102C");
  neighbours.CellbscComboBox.SetItemIndex(8);    // BSC9
  neighbours.CellrbscComboBox.SetItemIndex(11);  // BSC12
  Find<QPushButton>(windows->Kestreldlg.get(), "StartqonButton")->click();
  EXPECT_FALSE(Find<QWidget>(windows->Kestreldlg.get(), "Panel4")->isEnabled());
  ASSERT_TRUE(RunUntil([&] { return windows->Form2->isVisible(); }, 10000));
  const QString script = windows->Form2->Memo1->toPlainText();
  EXPECT_TRUE(script.startsWith("BSC12 ucun script:\n"));
  EXPECT_TRUE(script.contains("RLNRI:CELL=C12102C,CELLR=C09102B,SINGLE;"));
  EXPECT_TRUE(script.contains("MGOCI:CELL=C09101A,CGI="));
  EXPECT_TRUE(Find<QWidget>(windows->Kestreldlg.get(), "Panel4")->isEnabled());
  Find<QPushButton>(windows->Kestreldlg.get(), "StartqonButton")
      ->click();  // Stop: both sessions end
  EXPECT_FALSE(windows->Kestreldlg->CellIdTelnet.Connected());
}

TEST_F(AppTest, BroadcastAndRelocationFromTheWindow) {
  windows->Form1->SpeedButton1->click();
  windows->Kestreldlg->broadcast.BscComboBox.SetText("BSC9");
  Find<QPushButton>(windows->Kestreldlg.get(), "StartButton")->click();
  auto* report = Find<QPlainTextEdit>(windows->Kestreldlg.get(), "ReportMemo");
  ASSERT_TRUE(RunUntil([&] { return windows->Kestreldlg->broadcast.CheckFinished; }));
  ASSERT_TRUE(RunUntil([&] { return report->toPlainText().contains("CODE=77"); }));
  EXPECT_TRUE(report->toPlainText().startsWith(
      "CELL: C09101A\nRLMBC:ID=50,CODE=123,GS=0,PAGE=1,TEXT=\"ICERISHEHER\";"));

  auto& relocation = windows->Kestreldlg->relocation;
  relocation.DqonoComboBox.SetItemIndex(8);   // BSC9
  relocation.DqondComboBox.SetItemIndex(11);  // to BSC12
  QTest::keyClicks(Find<QPlainTextEdit>(windows->Kestreldlg.get(), "DqonListMemo"), "c09101a");
  Find<QPushButton>(windows->Kestreldlg.get(), "DqonstartButton")->click();
  ASSERT_TRUE(RunUntil([&] { return windows->Form2->isVisible(); }));
  const QString script = windows->Form2->Memo1->toPlainText();
  EXPECT_TRUE(script.startsWith("@COMMENT C09101A CELL INTERNAL NEIGHBOUR RELATIONS\n"));
  EXPECT_TRUE(script.contains("RLNRI:CELL=C09101A,CELLR=C12101A;"));
  EXPECT_TRUE(script.contains("@COMMENT C09101B BSC9\n"));
  Find<QPushButton>(windows->Kestreldlg.get(), "DqonstartButton")->click();  // Stop
}

TEST_F(AppTest, ReadViewerShowsWhatTheLastWriterLeft) {
  windows->read_form.Memo1.SetText("RLNRC:CELL=C09101A;\r\n");
  windows->read_form.Show();
  ASSERT_TRUE(
      RunUntil([&] { return windows->Form2->Memo1->toPlainText() == "RLNRC:CELL=C09101A;\n"; }));
  EXPECT_TRUE(windows->Form2->isVisible());
  windows->Form2->close();
  EXPECT_FALSE(windows->read_form.Window.Visible());
  // "Show script" on the Qonsuluq page brings it back as it was.
  windows->Form1->SpeedButton1->click();
  Find<QPushButton>(windows->Kestreldlg.get(), "SpeedButton1")->click();
  EXPECT_TRUE(windows->Form2->isVisible());
  EXPECT_EQ(windows->Form2->Memo1->toPlainText(), "RLNRC:CELL=C09101A;\n");
}

TEST_F(AppTest, CixisEndsTheProgramEvenWhileTheMainWindowIsOpen) {
  windows->Form1->SpeedButton1->click();
  QTimer::singleShot(0, [&] { windows->Form1->SpeedButton2->click(); });
  QTimer::singleShot(5000, [] { QApplication::exit(99); });  // in case it does not end
  EXPECT_EQ(QApplication::exec(), 0);
}

}  // namespace
}  // namespace kestrel::app

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
