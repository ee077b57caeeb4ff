// The desktop program's windows under Qt's offscreen platform, with the gateway simulator
// running on the same event loop: start-up, the main window and each job from the window.
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "sim/ssh_front.h"
#include "tests/gui/app_fixture.h"

namespace kestrel::app::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

int MainWindows() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    count += qobject_cast<TKestreldlg*>(widget) != nullptr;
  return count;
}

class WindowTest : public AppTest {
 protected:
  QPushButton* SlpstartButton() { return Find<QPushButton>("SlpstartButton"); }
  QString Report() { return Find<QPlainTextEdit>("SlpreportMemo")->toPlainText(); }
};

TEST_F(WindowTest, StartsInOrderWithOnlyTheEntryWindowShown) {
  EXPECT_THAT(windows->created,
              ElementsAre("MscNames", "Form1", "PropertiesForm", "Kestreldlg", "Form2", "Form4"));
  EXPECT_TRUE(windows->Form1->isVisible());
  EXPECT_FALSE(windows->Kestreldlg->isVisible());
  EXPECT_FALSE(windows->PropertiesForm->isVisible());
  EXPECT_FALSE(windows->Form2->isVisible());
}

TEST_F(WindowTest, GirisTwiceShowsTheOneMainWindow) {
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

TEST_F(WindowTest, CloseLeavesTheCheckRunningAndGirisShowsItsProgress) {
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

// Over SSH, a host key not known yet is the engineer's to take: closing the box takes
// nothing and sends nothing; "Accept always" keeps it, and the next session asks no more.
TEST_F(WindowTest, AnUnknownHostKeyIsAskedForOverSsh) {
  QTemporaryDir keys;
  sim::SshFront front(gateway->Port(), {"kestrel", "kestrel", {}});
  std::string error;
  ASSERT_TRUE(front.Listen("127.0.0.1", 0, keys.filePath("host_key").toStdString(), error))
      << error;
  const std::string fingerprint = sim::HostKeyFingerprint(keys.filePath("host_key").toStdString());
  site.transport = "ssh";
  site.gateway_port = front.Port();
  site.ssh_known_hosts = keys.filePath("known_hosts").toStdString();
  Restart();
  EXPECT_EQ(Find<QLabel>("TransportLabel", windows->PropertiesForm.get())->text(), "ssh");
  windows->Kestreldlg->rlslp.SlpListBox.Add("BSC9");
  SlpstartButton()->click();
  ASSERT_TRUE(RunUntil([&] { return answers.Shown("was refused; nothing was sent"); }));
  EXPECT_TRUE(answers.Shown(QString::fromStdString(fingerprint)));
  EXPECT_FALSE(QFile::exists(keys.filePath("known_hosts")));

  answers.leave_boxes_open = true;
  windows->Kestreldlg->rlslp.SlpListBox.Add("BSC9");
  SlpstartButton()->click();
  QAbstractButton* always = nullptr;
  ASSERT_TRUE(RunUntil([&] {
    for (QMessageBox* box : ShownBoxes()) {
      for (QAbstractButton* button : box->buttons()) {
        if (button->text() == "Accept always") always = button;
      }
    }
    return always != nullptr;
  }));
  always->click();
  ASSERT_TRUE(RunUntil([&] { return Report().contains("Finish check"); }));
  QFile known(keys.filePath("known_hosts"));
  ASSERT_TRUE(known.open(QIODevice::ReadOnly));
  EXPECT_THAT(known.readAll().toStdString(), HasSubstr("ssh-ed25519"));

  const qsizetype boxes = answers.boxes.size();
  windows->Kestreldlg->rlslp.SlpListBox.Add("BSC9");
  SlpstartButton()->click();
  ASSERT_TRUE(RunUntil(
      [&] { return SlpstartButton()->text() == "Start" && Report().contains("Finish check"); }));
  EXPECT_EQ(answers.boxes.size(), boxes);

  // The SSH login is the user's as the settings window has it now.
  auto* user = Find<QLineEdit>("UserEdit", windows->PropertiesForm.get());
  user->clear();
  QTest::keyClicks(user, "intruder");
  windows->Kestreldlg->rlslp.SlpListBox.Add("BSC9");
  SlpstartButton()->click();
  EXPECT_TRUE(RunUntil([&] {
    return answers.Shown("over SSH took none of") && answers.Shown("; user intruder)");
  })) << answers.boxes.join(" | ").toStdString();
}

TEST_F(WindowTest, ProsesRunsFromTheWindowAndEndsWithItsMessage) {
  windows->Form1->SpeedButton1->click();
  auto& proses = Window()->proses;
  QWidget* broadcast_tab = Page(kBroadcast);
  // During the run: what would change it is disabled, with the Edge page; Start/Stop and the
  // output pane are not.
  bool checked_while_running = false;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (proses.Startpnl.Caption() != "Stop" || checked_while_running) return;
    checked_while_running = true;
    EXPECT_FALSE(Find<QWidget>("ListBox1")->isEnabled());
    EXPECT_FALSE(Find<QWidget>("Necbox")->isEnabled());
    EXPECT_FALSE(Find<QWidget>("ConnectButton")->isEnabled());
    EXPECT_FALSE(Find<QWidget>("ReleaseTimerEdit")->isEnabled());
    EXPECT_FALSE(broadcast_tab->isEnabled());
    EXPECT_TRUE(Find<QWidget>("Startpnl")->isEnabled());
    EXPECT_TRUE(Find<QWidget>("OutMemo")->isEnabled());
  });
  watcher.start(5);
  ASSERT_TRUE(RunProses());
  EXPECT_EQ(answers.boxes.back(), "Proses finish");
  EXPECT_TRUE(checked_while_running);
  EXPECT_TRUE(Find<QWidget>("ListBox1")->isEnabled());
  EXPECT_TRUE(broadcast_tab->isEnabled());
}

// A box of any page left open holds no page's job: each page runs its job to its end while a
// box of every page stands, and the Daily check's warning sound ends on time meanwhile.
TEST_F(WindowTest, ABoxOfAnyPageHoldsNoPagesJob) {
  windows->Form1->SpeedButton1->click();
  answers.leave_boxes_open = true;
  TKestreldlg& window = *Window();
  for (QtMessages* page : {&window.ProsesMessages, &window.BrMessages, &window.SlpMessages,
                           &window.QonMessages, &window.DcMessages, &window.DqonMessages}) {
    page->Warn("left open");
  }
  ASSERT_TRUE(answers.Answered(6));
  EXPECT_TRUE(RunRlslp());
  EXPECT_TRUE(RunBroadcast());
  EXPECT_TRUE(RunQonsuluq());
  EXPECT_TRUE(RunRelocation());
  EXPECT_TRUE(RunProses());
  auto& dailycheck = window.dailycheck;
  dailycheck.SoundCheckBox.SetChecked(true);
  dailycheck.Nedc.SetText("BSC9");
  Find<QToolButton>("Adddc")->click();
  Find<QToolButton>("Startdc")->click();
  bool sounded = false;
  EXPECT_TRUE(RunUntil(
      [&] {
        sounded = sounded || dailycheck.Sounding();
        return dailycheck.Memoreportdc.Text().find("BSC9: SETAR;") != std::string::npos;
      },
      20000));
  EXPECT_TRUE(sounded);
  Find<QToolButton>("Stopdc")->click();
  EXPECT_EQ(std::count(answers.boxes.begin(), answers.boxes.end(), "left open"), 6);
  EXPECT_GE(ShownBoxes().size(), 6);  // all still on the screen
  for (QMessageBox* box : ShownBoxes()) box->done(QMessageBox::Ok);
}

TEST_F(WindowTest, ReadViewerShowsWhatTheLastWriterLeft) {
  windows->read_form.Memo1.SetText("RLNRC:CELL=C09101A;\r\n");
  windows->read_form.Show();
  ASSERT_TRUE(
      RunUntil([&] { return windows->Form2->Memo1->toPlainText() == "RLNRC:CELL=C09101A;\n"; }));
  EXPECT_TRUE(windows->Form2->isVisible());
  windows->Form2->close();
  EXPECT_FALSE(windows->read_form.Window.Visible());
  // "Show script" on the Qonsuluq page brings it back as it was.
  windows->Form1->SpeedButton1->click();
  Find<QPushButton>("SpeedButton1")->click();
  EXPECT_TRUE(windows->Form2->isVisible());
  EXPECT_EQ(windows->Form2->Memo1->toPlainText(), "RLNRC:CELL=C09101A;\n");
}

TEST_F(WindowTest, CixisEndsTheProgramEvenWhileTheMainWindowIsOpen) {
  windows->Form1->SpeedButton1->click();
  QTimer::singleShot(0, [&] { windows->Form1->SpeedButton2->click(); });
  // In case it does not end; gone with the test, so that it never ends a later one's loops.
  QObject guard;
  QTimer::singleShot(5000, &guard, [] { QApplication::exit(99); });
  EXPECT_EQ(QApplication::exec(), 0);
}

}  // namespace
}  // namespace kestrel::app::testing
