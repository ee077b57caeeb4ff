// The File menu (a page's report saved as a text file, the session logs) and the site
// settings the window takes: logs, printout cap, Proses watchdog, password and warnings.
#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "app/log_viewer.h"
#include "tests/gui/app_fixture.h"

namespace kestrel::app::testing {
namespace {

using ::testing::HasSubstr;

QString ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Where "Open session log folder" sends the desktop's file manager.
class FileManager : public QObject {
  Q_OBJECT

 public:
  FileManager() { QDesktopServices::setUrlHandler("file", this, "open"); }
  ~FileManager() override { QDesktopServices::unsetUrlHandler("file"); }
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened << url; }
};

class FileMenuTest : public AppTest {
 protected:
  explicit FileMenuTest(const sim::Faults& faults = SlowFaults()) : AppTest(faults) {
    windows->Form1->SpeedButton1->click();
    windows->Form2->hide();
  }
  void Trigger(const char* action) {
    QAction* found = Window()->findChild<QAction*>(action);
    ASSERT_NE(found, nullptr) << action;
    found->trigger();
  }
  QString SaveReportOf(int page, const QString& name) {
    ShowPage(page);
    answers.save_as = share.filePath(name);
    Trigger("SaveReport1");
    return ReadAll(share.filePath(name + ".txt"));
  }
};

TEST_F(FileMenuTest, SaveReportAsSavesTheCurrentPagesReport) {
  ASSERT_TRUE(RunRlslp("BSC12"));
  // Saved once: a second save under the same name would meet the dialog's overwrite question.
  const QString saved = SaveReportOf(kRlslp, "rlslp");
  EXPECT_EQ(saved, QString::fromStdString(Window()->rlslp.SlpreportMemo.Text()));
  EXPECT_THAT(saved.toStdString(), HasSubstr("Check: BSC12\r\nC12102C: ACTIVE=NO\r\n"));

  // Every page's own pane (the Qonsuluq page's is its script, in the viewer).
  const std::pair<int, controls::Memo*> panes[] = {
      {kProses, &Window()->proses.OutMemo},
      {kBroadcast, &Window()->broadcast.ReportMemo},
      {kQonsuluq, &windows->read_form.Memo1},
      {kDailyCheck, &Window()->dailycheck.Memoreportdc},
      {kRelocation, &Window()->relocation.DqonrepMemo}};
  for (const auto& [page, pane] : panes) {
    const std::string text = "report of page " + std::to_string(page) + "\r\nsecond line\r\n";
    pane->SetText(text);
    EXPECT_EQ(SaveReportOf(page, "page" + QString::number(page)).toStdString(), text);
  }
}

TEST_F(FileMenuTest, TheReadViewerSavesItsOwnText) {
  windows->read_form.Memo1.SetText("RLNRC:CELL=C09101A,CELLR=C09101B;\r\n");
  windows->read_form.Show();
  QApplication::setActiveWindow(windows->Form2.get());
  ASSERT_TRUE(RunUntil([&] { return windows->Form2->isActiveWindow(); }));
  ShowPage(kRlslp);  // the viewer's text, not the page's report, while it is active
  answers.save_as = share.filePath("script");
  QTest::keySequence(windows->Form2->Memo1, QKeySequence::Save);
  EXPECT_EQ(ReadAll(share.filePath("script.txt")), "RLNRC:CELL=C09101A,CELLR=C09101B;\r\n");

  // Its context menu has "Save as..." too.
  auto* text = windows->Form2->Memo1;
  emit text->customContextMenuRequested(QPoint(5, 5));
  auto* menu = text->findChild<QMenu*>();
  ASSERT_NE(menu, nullptr);
  QAction* save = menu->findChild<QAction*>("SaveAs1");
  ASSERT_NE(save, nullptr);
  answers.save_as = share.filePath("script2.txt");
  save->trigger();
  menu->close();
  EXPECT_EQ(ReadAll(share.filePath("script2.txt")), "RLNRC:CELL=C09101A,CELLR=C09101B;\r\n");
}

TEST_F(FileMenuTest, ACancelledOrFailedSaveWritesNothing) {
  Window()->rlslp.SlpreportMemo.SetText("Check: BSC9\r\n");
  ShowPage(kRlslp);
  answers.save_as.clear();  // the engineer cancels the dialog
  Trigger("SaveReport1");
  EXPECT_EQ(answers.dialogs, 1);
  EXPECT_TRUE(answers.boxes.isEmpty());
  // A folder that is not there: the box says so, and no file appears.
  answers.save_as = share.filePath("no-such-folder/report");
  Trigger("SaveReport1");
  ASSERT_TRUE(answers.Answered(1));
  EXPECT_THAT(answers.boxes[0].toStdString(), HasSubstr("Not saved: "));
  EXPECT_THAT(answers.boxes[0].toStdString(), HasSubstr("no-such-folder/report.txt"));
  EXPECT_FALSE(QFile::exists(share.filePath("no-such-folder/report.txt")));
}

TEST_F(FileMenuTest, TheLastLogInTheViewerAndTheFolderInTheFileManager) {
  ShowPage(kRlslp);
  Trigger("LastLog1");  // none yet
  ASSERT_TRUE(answers.Answered(1));
  EXPECT_THAT(answers.boxes[0].toStdString(), HasSubstr("No session log of the RLSLP_check page"));

  // The log goes to a viewer of its own: the READ viewer keeps a page's script.
  const std::string script = "RLNRC:CELL=C09101A,CELLR=C09101B;\r\n";
  windows->read_form.Memo1.SetText(script);
  ASSERT_TRUE(RunRlslp("BSC9"));
  Trigger("LastLog1");
  auto* viewer = Window()->findChild<LogViewer*>("LogViewer");
  ASSERT_NE(viewer, nullptr);
  ASSERT_TRUE(RunUntil([&] { return viewer->isVisible(); }));
  const QString shown = viewer->Text->toPlainText();
  EXPECT_THAT(shown.toStdString(), HasSubstr(" sent NE=BSC9\n"));
  EXPECT_THAT(shown.toStdString(), HasSubstr(" sent RLSLP:CELL=ALL;\n"));
  EXPECT_THAT(shown.toStdString(), HasSubstr(" note disconnected"));
  const QFileInfo log(Window()->recorder->LastLog("rlslp"));
  EXPECT_EQ(viewer->windowTitle(), "Session log " + log.dir().dirName() + "/" + log.fileName());
  EXPECT_EQ(windows->read_form.Memo1.Text(), script);
  EXPECT_FALSE(windows->Form2->isVisible());
  ShowPage(kQonsuluq);
  answers.save_as = share.filePath("script");
  Trigger("SaveReport1");  // the Qonsuluq page's report is still its script
  EXPECT_EQ(ReadAll(share.filePath("script.txt")).toStdString(), script);

  FileManager file_manager;
  Trigger("LogFolder1");
  ASSERT_EQ(file_manager.opened.size(), 1);
  EXPECT_EQ(file_manager.opened[0], QUrl::fromLocalFile(share.filePath("sessions")));
}

TEST_F(FileMenuTest, ALogThatCannotBeWrittenIsSaidOnceInThePane) {
  QFile blocker(share.filePath("not-a-folder"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  site.log_dir = share.filePath("not-a-folder/sessions").toStdString();
  Restart();
  windows->Form1->SpeedButton1->click();
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(RunRlslp("BSC9"));
  ASSERT_TRUE(RunRlslp("BSC12"));
  const std::string said = ::testing::internal::GetCapturedStderr();
  const QString report = QString::fromStdString(Window()->rlslp.SlpreportMemo.Text());
  EXPECT_EQ(report.count("The session log cannot be written"), 1) << report.toStdString();
  EXPECT_EQ(report.count("Finish check"), 2);
  EXPECT_THAT(said, HasSubstr("kestrel: The session log cannot be written"));

  // The Qonsuluq page has no report pane: a box says it, once for both its sessions.
  ASSERT_TRUE(RunQonsuluq());
  EXPECT_EQ(answers.boxes.filter("The session log cannot be written").size(), 1)
      << answers.boxes.join(" | ").toStdString();
}

TEST_F(FileMenuTest, NoLogsWhenTheSiteKeepsNoneAndOldDaysArePruned) {
  QDir(share.path()).mkpath("sessions/2001-02-03");
  QDir(share.path()).mkpath("sessions/not-a-day");
  site.log_keep_days = 30;
  Restart();
  EXPECT_FALSE(QDir(share.filePath("sessions/2001-02-03")).exists());
  EXPECT_TRUE(QDir(share.filePath("sessions/not-a-day")).exists());

  site.log_sessions = false;
  Restart();
  windows->Form1->SpeedButton1->click();
  EXPECT_EQ(Window()->recorder, nullptr);
  EXPECT_FALSE(Window()->findChild<QAction*>("LastLog1")->isEnabled());
  EXPECT_FALSE(Window()->findChild<QAction*>("LogFolder1")->isEnabled());
  const int days =
      QDir(share.filePath("sessions")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
  ASSERT_TRUE(RunRlslp("BSC9"));
  EXPECT_EQ(QDir(share.filePath("sessions")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
            days);
}

// The printout cap of the site ends a session whose answer never ends.
class PrintoutCapTest : public FileMenuTest {
 protected:
  static sim::Faults Endless() {
    sim::Faults faults;
    faults.endless_printout = {"RLSLP"};
    return faults;
  }
  PrintoutCapTest() : FileMenuTest(Endless()) {
    site.max_printout_mb = 1;
    Restart();
    windows->Form1->SpeedButton1->click();
  }
};

TEST_F(PrintoutCapTest, ASessionPastTheSitesCapIsEnded) {
  Window()->rlslp.SlpListBox.Add("BSC9");
  Find<QPushButton>("SlpstartButton")->click();
  ASSERT_TRUE(RunUntil([&] { return Window()->rlslp.SlpstartButton.Caption() == "Start"; }, 20000));
  EXPECT_THAT(Window()->rlslp.SlpreportMemo.Text(), HasSubstr("passed the printout cap of 1 MB"));
  EXPECT_FALSE(Window()->SlpIdTelnet.Connected());
}

class ProsesWatchdogTest : public FileMenuTest {
 protected:
  static sim::Faults Silent() {
    sim::Faults faults;
    faults.silent = {"BSC9"};
    return faults;
  }
  ProsesWatchdogTest() : FileMenuTest(Silent()) {
    site.proses_watchdog_s = 1;
    Restart();
    windows->Form1->SpeedButton1->click();
  }
};

TEST_F(ProsesWatchdogTest, ASilentSessionEndsAfterTheSitesWatchdog) {
  Window()->proses.Necbox.SetText("BSC9");
  Find<QPushButton>("Startpnl")->click();
  ASSERT_TRUE(RunUntil([&] { return answers.Shown("no answer for 1 s"); }, 10000));
  EXPECT_EQ(Window()->proses.Startpnl.Caption(), "Start");
}

// "Cixis" while sessions are open (two pages at a silent element): the program's end closes
// each session's log with the note of the disconnect.
// "Cixis" while sessions are open (two pages at a silent element): the program's end closes
// each session's log with the note of the disconnect.
class OpenSessionsAtTheEndTest : public FileMenuTest {
 protected:
  static sim::Faults Silent() {
    sim::Faults faults;
    faults.silent = {"BSC9"};
    return faults;
  }
  OpenSessionsAtTheEndTest() : FileMenuTest(Silent()) {}
};

TEST_F(OpenSessionsAtTheEndTest, EachLogEndsWithTheDisconnect) {
  Window()->rlslp.SlpListBox.Add("BSC9");
  Find<QPushButton>("SlpstartButton")->click();
  Window()->proses.Necbox.SetText("BSC9");
  Find<QPushButton>("Startpnl")->click();
  const platform::FileSessionRecorder& logs = *Window()->recorder;
  ASSERT_TRUE(RunUntil([&] {
    return ReadAll(logs.LastLog("rlslp")).contains(" sent NE=BSC9\n") &&
           ReadAll(logs.LastLog("proses")).contains(" sent NE=BSC9\n");
  }));
  const QStringList open = {logs.LastLog("rlslp"), logs.LastLog("proses")};
  windows->Form1->SpeedButton2->click();  // "Cixis"
  windows.reset();                        // what the program's end then does
  for (const QString& log : open) {
    EXPECT_TRUE(ReadAll(log).endsWith(" note disconnected\n")) << ReadAll(log).toStdString();
  }
}

TEST_F(FileMenuTest, SettingsWarningsAndAPasswordThatMayNotBeSentAreShownAtStart) {
  site.warnings = {"/etc/kestrel/site.ini can be read by other users"};
  site.gateway_host = "192.0.2.7";  // not this machine; the demo password is not for it
  ::testing::internal::CaptureStderr();
  Restart();
  const std::string said = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(answers.Answered(2));
  EXPECT_EQ(answers.boxes[0], "/etc/kestrel/site.ini can be read by other users");
  EXPECT_THAT(answers.boxes[1].toStdString(), HasSubstr("No password is configured"));
  EXPECT_THAT(said, HasSubstr("kestrel: /etc/kestrel/site.ini can be read by other users"));
  EXPECT_THAT(said, HasSubstr("kestrel: No password is configured"));
  EXPECT_EQ(Find<QLineEdit>("PasswordEdit", windows->PropertiesForm.get())->text(), "");

  // A page then answers nothing at the password prompt, and says so.
  windows->Form1->SpeedButton1->click();
  Window()->SlpSession.Host = "127.0.0.1";
  Window()->rlslp.SlpListBox.Add("BSC9");
  Find<QPushButton>("SlpstartButton")->click();
  ASSERT_TRUE(RunUntil([&] { return Window()->rlslp.SlpstartButton.Caption() == "Start"; }));
  EXPECT_THAT(Window()->rlslp.SlpreportMemo.Text(), HasSubstr("no password is configured"));
  const QString log = ReadAll(Window()->recorder->LastLog("rlslp"));
  ASSERT_TRUE(log.contains("Password: ")) << log.toStdString();
  EXPECT_FALSE(log.section("Password: ", 1).contains(" sent ")) << log.toStdString();
}

}  // namespace
}  // namespace kestrel::app::testing

#include "file_menu_gui_test.moc"
