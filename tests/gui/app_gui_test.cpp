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

// The program starts with the entry window alone; Close leaves a check running, and Giris,
// however often pressed, shows the one main window with the check's progress.
TEST_F(AppTest, GirisShowsTheOneMainWindowAndCloseLeavesTheCheckRunning) {
  EXPECT_TRUE(windows->Form1->isVisible());
  for (QWidget* hidden : QWidgetList{Window(), windows->Form2.get(), windows->PropertiesForm.get()})
    EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
  windows->Form1->SpeedButton1->click();
  auto& rlslp = Window()->rlslp;
  rlslp.SlpListBox.Add("BSC9");
  rlslp.SlpListBox.Add("BSC12");
  Find<QAbstractButton>("SlpstartButton")->click();
  Window()->Close1Click();
  EXPECT_FALSE(Window()->isVisible());
  ASSERT_TRUE(RunUntil([&] { return rlslp.SlpListBox.Empty(); }));
  windows->Form1->SpeedButton1->click();
  windows->Form1->SpeedButton1->click();
  EXPECT_TRUE(Window()->isVisible());
  int main_windows = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    main_windows += qobject_cast<TKestreldlg*>(widget) != nullptr;
  EXPECT_EQ(main_windows, 1);
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

}  // namespace
}  // namespace kestrel::app::testing
