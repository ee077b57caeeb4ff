// The windows with the gateway simulator on the same event loop: start-up, the main window,
// and what every page's job does from the window.
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include "sim/ssh_front.h"
#include "tests/gui/app_fixture.h"

namespace kestrel::app::testing {
namespace {

using ::testing::HasSubstr;

TEST_F(AppTest, StartsWithTheEntryWindowAndGirisShowsTheOneMainWindow) {
  EXPECT_TRUE(windows->Form1->isVisible());
  for (QWidget* hidden :
       {static_cast<QWidget*>(Window()), static_cast<QWidget*>(windows->Form2.get()),
        static_cast<QWidget*>(windows->PropertiesForm.get())}) {
    EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
  }
  windows->Form1->SpeedButton1->click();
  windows->Form1->SpeedButton1->click();
  EXPECT_TRUE(Window()->isVisible());
  int main_windows = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    main_windows += qobject_cast<TKestreldlg*>(widget) != nullptr;
  EXPECT_EQ(main_windows, 1);
}

TEST_F(AppTest, CloseLeavesTheCheckRunningAndGirisShowsItsProgress) {
  Enter();
  auto& rlslp = Window()->rlslp;
  rlslp.SlpListBox.Add("BSC9");
  rlslp.SlpListBox.Add("BSC12");
  Find<QAbstractButton>("SlpstartButton")->click();
  Window()->Close1Click();
  EXPECT_FALSE(Window()->isVisible());
  ASSERT_TRUE(RunUntil([&] { return rlslp.SlpListBox.Empty(); }));
  windows->Form1->SpeedButton1->click();
  EXPECT_TRUE(Window()->isVisible());
  const auto* report = Find<QPlainTextEdit>("SlpreportMemo");
  ASSERT_TRUE(RunUntil([&] { return report->toPlainText().count("Finish check") == 2; }));
  EXPECT_THAT(report->toPlainText().toStdString(), HasSubstr("Check: BSC12\nC12102C: ACTIVE=NO\n"));
  EXPECT_EQ(Find<QAbstractButton>("SlpstartButton")->text(), "Start");
}

// Over SSH, a host key not known yet is the engineer's to take: closing the box takes nothing
// and sends nothing; "Accept always" keeps it, and the next session asks no more.
TEST_F(AppTest, AnUnknownHostKeyIsAskedForOverSsh) {
  QTemporaryDir keys;
  sim::SshFront front(gateway->Port(), {"kestrel", "kestrel", {}});
  std::string error;
  ASSERT_TRUE(front.Listen("127.0.0.1", 0, keys.filePath("host_key").toStdString(), error))
      << error;
  site.transport = "ssh";
  site.gateway_port = front.Port();
  site.ssh_known_hosts = keys.filePath("known_hosts").toStdString();
  Restart();
  EXPECT_EQ(Find<QLabel>("TransportLabel", windows->PropertiesForm.get())->text(), "ssh");
  const PageJob& rlslp = kJobs[kRlslp];
  ASSERT_TRUE(Run(rlslp, "BSC9", [&] { return answers.Shown("was refused; nothing was sent"); }));
  EXPECT_TRUE(answers.Shown(
      QString::fromStdString(sim::HostKeyFingerprint(keys.filePath("host_key").toStdString()))));
  EXPECT_FALSE(QFile::exists(keys.filePath("known_hosts")));

  answers.leave_boxes_open = true;
  QAbstractButton* always = nullptr;
  rlslp.prepare(*this, "BSC9");
  Find<QAbstractButton>(rlslp.start)->click();
  ASSERT_TRUE(RunUntil([&] {
    for (QMessageBox* box : ShownBoxes()) {
      for (QAbstractButton* button : box->buttons()) {
        if (button->text() == "Accept always") always = button;
      }
    }
    return always != nullptr;
  }));
  always->click();
  ASSERT_TRUE(RunUntil([&] { return rlslp.done(*this, "BSC9"); }));
  EXPECT_THAT(ReadAll(keys.filePath("known_hosts")).toStdString(), HasSubstr("ssh-ed25519"));
  EXPECT_THAT(Window()->rlslp.SlpreportMemo.Text(), HasSubstr("Finish check"));

  const qsizetype boxes = answers.boxes.size();
  ASSERT_TRUE(Run(rlslp, "BSC9"));
  EXPECT_EQ(answers.boxes.size(), boxes);

  // The SSH login is the user's as the settings window has it now.
  auto* user = Find<QLineEdit>("UserEdit", windows->PropertiesForm.get());
  user->clear();
  QTest::keyClicks(user, "intruder");
  EXPECT_TRUE(Run(rlslp, "BSC9", [&] {
    return answers.Shown("over SSH took none of") && answers.Shown("; user intruder)");
  })) << answers.boxes.join(" | ").toStdString();
}

TEST_F(AppTest, AProsesRunDisablesWhatWouldChangeItAndEndsWithItsMessage) {
  Enter();
  // During the run: what would change it is disabled, with the Edge page; Start/Stop and the
  // output pane are not.
  int looked = 0;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (!kJobs[kProses].running(*Window()) || looked > 0) return;
    ++looked;
    for (const char* name : {"ListBox1", "Necbox", "ConnectButton", "ReleaseTimerEdit"}) {
      EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(Page(kBroadcast)->isEnabled());
    EXPECT_TRUE(Find<QWidget>("Startpnl")->isEnabled());
    EXPECT_TRUE(Find<QWidget>("OutMemo")->isEnabled());
  });
  watcher.start(5);
  ASSERT_TRUE(Run(kProses));
  EXPECT_EQ(answers.boxes.back(), "Proses finish");
  EXPECT_EQ(looked, 1);
  EXPECT_TRUE(Find<QWidget>("ListBox1")->isEnabled());
  EXPECT_TRUE(Page(kBroadcast)->isEnabled());
}

// A box of any page left open holds no page's job: each page runs its job to its end while a
// box of every page stands, and the Daily check's warning sound ends on time meanwhile.
TEST_F(AppTest, ABoxOfAnyPageHoldsNoPagesJob) {
  Enter();
  answers.leave_boxes_open = true;
  TKestreldlg& window = *Window();
  for (QtMessages* page : {&window.ProsesMessages, &window.BrMessages, &window.SlpMessages,
                           &window.QonMessages, &window.DcMessages, &window.DqonMessages}) {
    page->Warn("left open");
  }
  ASSERT_TRUE(answers.Answered(6));
  window.dailycheck.SoundCheckBox.SetChecked(true);
  bool sounded = false;
  for (const PageJob& job : kJobs) {
    EXPECT_TRUE(Run(job, job.element, [&] {
      sounded = sounded || window.dailycheck.Sounding();
      return job.done(*this, job.element);
    }));
  }
  EXPECT_TRUE(sounded);
  EXPECT_EQ(answers.boxes.count("left open"), 6);
  EXPECT_GE(ShownBoxes().size(), 6);  // all still on the screen
  for (QMessageBox* box : ShownBoxes()) box->done(QMessageBox::Ok);
}

// A refused login, on every page: in the page's report, and (on all but the Daily check,
// which runs unattended) in a box naming the element; no session stays open.
TEST_F(AppTest, ARefusedLoginIsShownOnEveryPage) {
  Enter();
  auto* user = Find<QLineEdit>("UserEdit", windows->PropertiesForm.get());
  user->clear();
  QTest::keyClicks(user, "intruder");
  const QString refused = "LOGIN INCORRECT";
  for (const PageJob& job : kJobs) {
    ShowPage(job.page);
    answers.boxes.clear();
    const bool box = job.page != kDailyCheck;
    EXPECT_TRUE(Run(job, "BSC9", [&] {
      // The Qonsuluq page has no report pane: its box names the side and its BSC.
      const std::string text =
          job.page == kQonsuluq ? "BSC9 LOGIN INCORRECT" : job.report(*windows).Text();
      return text.find("BSC9") != std::string::npos &&
             text.find("LOGIN INCORRECT") != std::string::npos && (!box || answers.Shown(refused));
    }));
    if (box) {
      const QStringList named = answers.boxes.filter(refused);
      EXPECT_TRUE(!named.isEmpty() && named.first().contains("BSC9")) << job.name;
    } else {
      EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(" | ").toStdString();
    }
    EXPECT_TRUE(RunUntil([&] { return AllClosed(); })) << job.name << " left a session open";
  }
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
  Find<QAbstractButton>("SpeedButton1")->click();
  EXPECT_TRUE(windows->Form2->isVisible());
  EXPECT_EQ(windows->Form2->Memo1->toPlainText(), "RLNRC:CELL=C09101A;\n");
}

}  // namespace
}  // namespace kestrel::app::testing
