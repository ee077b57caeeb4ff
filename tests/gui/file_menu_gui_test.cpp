// The File menu (a page's report saved as a text file, the session logs) and the site
// settings the window takes: logs, printout cap, Proses watchdog, password and warnings.
#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>

#include "app/log_viewer.h"
#include "tests/gui/app_fixture.h"

namespace kestrel::app::testing {
namespace {

using ::testing::HasSubstr;

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
  explicit FileMenuTest(const sim::Faults& faults = SlowFaults()) : AppTest(faults) { Enter(); }
  void Trigger(const char* action) { Find<QAction>(action)->trigger(); }
  QString SaveReportOf(int page, const QString& name) {
    ShowPage(page);
    answers.save_as = share.filePath(name);
    Trigger("SaveReport1");
    return ReadAll(share.filePath(name + ".txt"));
  }
};

// Every page's own pane, each under a name of its own.
TEST_F(FileMenuTest, SaveReportAsSavesTheCurrentPagesReport) {
  for (const PageJob& job : kJobs) {
    const std::string text = std::string("report of ") + job.name + "\r\nsecond line\r\n";
    job.report(*windows).SetText(text);
    EXPECT_EQ(SaveReportOf(job.page, job.name).toStdString(), text);
  }
}

// The viewer shows what the last writer left and saves its own text; closed, it comes back as
// it was from "Show script" on the Qonsuluq page.
TEST_F(FileMenuTest, TheReadViewerShowsAndSavesItsOwnText) {
  const QString script = "RLNRC:CELL=C09101A,CELLR=C09101B;\r\n";
  windows->read_form.Memo1.SetText(script.toStdString());
  windows->read_form.Show();
  ASSERT_TRUE(RunUntil([&] {
    return windows->Form2->Memo1->toPlainText() == "RLNRC:CELL=C09101A,CELLR=C09101B;\n";
  }));
  QApplication::setActiveWindow(windows->Form2.get());
  ASSERT_TRUE(RunUntil([&] { return windows->Form2->isActiveWindow(); }));
  ShowPage(kRlslp);  // the viewer's text, not the page's report, while it is active
  answers.save_as = share.filePath("script");
  QTest::keySequence(windows->Form2->Memo1, QKeySequence::Save);
  EXPECT_EQ(ReadAll(share.filePath("script.txt")), script);

  // Its context menu has "Save as..." too.
  auto* text = windows->Form2->Memo1;
  emit text->customContextMenuRequested(QPoint(5, 5));
  auto* menu = text->findChild<QMenu*>();
  ASSERT_NE(menu, nullptr);
  answers.save_as = share.filePath("script2.txt");
  Find<QAction>("SaveAs1", menu)->trigger();
  menu->close();
  EXPECT_EQ(ReadAll(share.filePath("script2.txt")), script);

  windows->Form2->close();
  EXPECT_FALSE(windows->read_form.Window.Visible());
  ShowPage(kQonsuluq);
  Find<QAbstractButton>("SpeedButton1")->click();
  EXPECT_TRUE(windows->Form2->isVisible());
  EXPECT_EQ(windows->Form2->Memo1->toPlainText(), "RLNRC:CELL=C09101A,CELLR=C09101B;\n");
}

// Cancelled, into a folder that is not there, or over a file that the dialog did not ask
// about: nothing is written.
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
  // A name without ".txt": the dialog asked whether to replace "report", so the report.txt
  // saved before is kept, and the box says how to replace it.
  EXPECT_EQ(SaveReportOf(kRlslp, "report").toStdString(), "Check: BSC9\r\n");
  Window()->rlslp.SlpreportMemo.SetText("Check: BSC12\r\n");
  EXPECT_EQ(SaveReportOf(kRlslp, "report").toStdString(), "Check: BSC9\r\n");
  ASSERT_TRUE(answers.Answered(2));
  EXPECT_THAT(answers.boxes[1].toStdString(), HasSubstr("report.txt exists already"));
}

TEST_F(FileMenuTest, TheLastLogInTheViewerAndTheFolderInTheFileManager) {
  ShowPage(kRlslp);
  Trigger("LastLog1");  // none yet
  ASSERT_TRUE(answers.Answered(1));
  EXPECT_THAT(answers.boxes[0].toStdString(), HasSubstr("No session log of the RLSLP_check page"));

  // The log goes to a viewer of its own: the READ viewer keeps a page's script.
  const std::string script = "RLNRC:CELL=C09101A,CELLR=C09101B;\r\n";
  windows->read_form.Memo1.SetText(script);
  ASSERT_TRUE(Run(kJobs[kRlslp], "BSC9"));
  Trigger("LastLog1");
  auto* viewer = Find<LogViewer>("LogViewer");
  ASSERT_NE(viewer, nullptr);
  ASSERT_TRUE(RunUntil([&] { return viewer->isVisible(); }));
  const std::string shown = viewer->Text->toPlainText().toStdString();
  for (const char* line : {" sent NE=BSC9\n", " sent RLSLP:CELL=ALL;\n", " note disconnected"}) {
    EXPECT_THAT(shown, HasSubstr(line));
  }
  const QFileInfo log(Window()->recorder->LastLog("rlslp"));
  EXPECT_EQ(viewer->windowTitle(), "Session log " + log.dir().dirName() + "/" + log.fileName());
  EXPECT_EQ(windows->read_form.Memo1.Text(), script);
  EXPECT_FALSE(windows->Form2->isVisible());

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
  Enter();
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(Run(kJobs[kRlslp], "BSC9"));
  ASSERT_TRUE(Run(kJobs[kRlslp], "BSC12"));
  const std::string said = ::testing::internal::GetCapturedStderr();
  const QString report = QString::fromStdString(Window()->rlslp.SlpreportMemo.Text());
  EXPECT_EQ(report.count("The session log cannot be written"), 1) << report.toStdString();
  EXPECT_EQ(report.count("Finish check"), 2);
  EXPECT_THAT(said, HasSubstr("kestrel: The session log cannot be written"));

  // The Qonsuluq page has no report pane: a box says it, once for both its sessions.
  ASSERT_TRUE(Run(kQonsuluq));
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
  Enter();
  EXPECT_EQ(Window()->recorder, nullptr);
  EXPECT_FALSE(Find<QAction>("LastLog1")->isEnabled());
  EXPECT_FALSE(Find<QAction>("LogFolder1")->isEnabled());
  const auto days = [&] {
    return QDir(share.filePath("sessions")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  };
  const QStringList before = days();
  ASSERT_TRUE(Run(kJobs[kRlslp], "BSC9"));
  EXPECT_EQ(days(), before);
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
  Enter();
  Window()->SlpSession.Host = "127.0.0.1";
  ASSERT_TRUE(Run(kJobs[kRlslp], "BSC9", [&] { return !kJobs[kRlslp].running(*Window()); }));
  EXPECT_THAT(Window()->rlslp.SlpreportMemo.Text(), HasSubstr("no password is configured"));
  const QString log = ReadAll(Window()->recorder->LastLog("rlslp"));
  ASSERT_TRUE(log.contains("Password: ")) << log.toStdString();
  EXPECT_FALSE(log.section("Password: ", 1).contains(" sent ")) << log.toStdString();
}

// A network whose BSC9 never answers and whose RLSLP printout never ends.
class FaultyNetworkTest : public FileMenuTest {
 protected:
  static sim::Faults Faulty() {
    sim::Faults faults;
    faults.silent = {"BSC9"};
    faults.endless_printout = {"RLSLP"};
    return faults;
  }
  FaultyNetworkTest() : FileMenuTest(Faulty()) {}
};

// The site's printout cap ends a session, and its Proses watchdog a silent one.
TEST_F(FaultyNetworkTest, TheSitesPrintoutCapAndProsesWatchdogEndSessions) {
  site.max_printout_mb = 1;
  site.proses_watchdog_s = 1;
  Restart();
  Enter();
  ASSERT_TRUE(Run(kJobs[kRlslp], "BSC10"));
  EXPECT_THAT(Window()->rlslp.SlpreportMemo.Text(), HasSubstr("passed the printout cap of 1 MB"));
  EXPECT_FALSE(Window()->SlpIdTelnet.Connected());
  Window()->proses.Necbox.SetText("BSC9");
  Find<QAbstractButton>("Startpnl")->click();
  ASSERT_TRUE(RunUntil([&] { return answers.Shown("no answer for 1 s"); }));
  EXPECT_EQ(Window()->proses.Startpnl.Caption(), "Start");
}

// "Cixis" while sessions are open (two pages at the silent element) ends the program, even
// with the main window open, and the end closes each session's log with the disconnect.
TEST_F(FaultyNetworkTest, CixisEndsTheProgramAndEachOpenLogWithTheDisconnect) {
  Window()->rlslp.SlpListBox.Add("BSC9");
  Find<QAbstractButton>("SlpstartButton")->click();
  Window()->proses.Necbox.SetText("BSC9");
  Find<QAbstractButton>("Startpnl")->click();
  const platform::FileSessionRecorder& logs = *Window()->recorder;
  ASSERT_TRUE(RunUntil([&] {
    return ReadAll(logs.LastLog("rlslp")).contains(" sent NE=BSC9\n") &&
           ReadAll(logs.LastLog("proses")).contains(" sent NE=BSC9\n");
  }));
  const QStringList open = {logs.LastLog("rlslp"), logs.LastLog("proses")};
  QTimer::singleShot(0, [&] { windows->Form1->SpeedButton2->click(); });
  // In case it does not end; gone with the test, so that it never ends a later one's loops.
  QObject guard;
  QTimer::singleShot(30000, &guard, [] { QApplication::exit(99); });
  EXPECT_EQ(QApplication::exec(), 0);
  windows.reset();  // what the program's end then does
  for (const QString& log : open) {
    EXPECT_TRUE(ReadAll(log).endsWith(" note disconnected\n")) << ReadAll(log).toStdString();
  }
}

}  // namespace
}  // namespace kestrel::app::testing

#include "file_menu_gui_test.moc"
