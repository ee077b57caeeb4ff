#include "tests/gui/app_fixture.h"

#include <QElapsedTimer>
#include <QTest>

namespace kestrel::app::testing {

ModalAnswers::ModalAnswers() {
  timer_.setInterval(5);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
  timer_.start();
}

void ModalAnswers::Answer() {
  for (QMessageBox* box : ShownBoxes()) {
    if (!read_.contains(box)) {
      read_ << box;
      boxes << box->text();
    }
    if (!leave_boxes_open) box->done(QMessageBox::Ok);
  }
  // Looked for among the windows, not as the active modal widget: which window is active is up
  // to the platform and may lag behind the dialog's exec.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QFileDialog*>(window);
    if (dialog == nullptr || !dialog->isVisible()) continue;
    ++dialogs;
    if (save_as.isEmpty()) {
      dialog->reject();
      continue;
    }
    // Typed into its name field, as an engineer does: selectFile leaves that field alone once
    // it has the focus, which the platform gives it at a time of its own.
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
      name->setText(save_as);
    } else {
      dialog->selectFile(save_as);
    }
    static_cast<QDialog*>(dialog)->accept();  // as its Save button does
  }
}

AppTest::AppTest(const sim::Faults& faults) {
  gateway = std::make_unique<sim::GatewayServer>(
      sim::Scenario::Demo(), faults, sim::Transcripts{sim::Transcripts::Kind::kNone, {}});
  gateway->Listen(QHostAddress::LocalHost, 0);
  site.gateway_port = gateway->Port();
  QDir(share.path()).mkdir("Kestreldailycheck");
  site.report_share_root = share.path().toStdString();
  site.log_dir = share.filePath("sessions").toStdString();
  // The demo network answers at once: the Daily check goes round it without its pace.
  site.dailycheck_min_cycle_s = 0;
  site.dailycheck_retry_s = 0;
  Restart();
}

void AppTest::Restart() {
  windows.reset();
  windows = std::make_unique<Application>(site);
  windows->Start();
  Window()->proses.BeepCheckBox.SetChecked(false);
  Window()->dailycheck.SoundCheckBox.SetChecked(false);
}

bool AppTest::Run(const PageJob& job, const std::string& element,
                  const std::function<bool()>& until) {
  windows->Form2->hide();  // a script shown before is not this job's
  job.prepare(*this, element);
  Find<QAbstractButton>(job.start)->click();
  const bool came = RunUntil(until ? until : [&] { return job.done(*this, element); });
  if (job.running(*Window())) Find<QAbstractButton>(job.stop)->click();
  if (!came) ADD_FAILURE() << job.name << " on " << element << " did not end";
  return came;
}

bool AppTest::AllClosed() {
  for (const net::QtClient* client :
       {&Window()->IdTelnet1, &Window()->BrIdTelnet, &Window()->SlpIdTelnet,
        &Window()->CellIdTelnet, &Window()->CellrIdTelnet, &Window()->IdTelnetdc,
        &Window()->DqonIdTelnet}) {
    if (client->Connected()) return false;
  }
  return true;
}

namespace {
bool Has(const controls::Memo& memo, const std::string& text) {
  return memo.Text().find(text) != std::string::npos;
}
bool Stop(const controls::Control& button) { return button.Caption() == "Stop"; }
}  // namespace

const PageJob kJobs[kPages] = {
    {"Proses", kProses, "proses", "BSC9", "Startpnl", "Startpnl",
     [](AppTest& app, const std::string& element) {
       auto& proses = app.Window()->proses;
       proses.Timer1.SetInterval(20);  // the 30-second wait, shortened for the test
       auto* release = app.Find<QLineEdit>("ReleaseTimerEdit");
       release->clear();
       QTest::keyClicks(release, "20");
       app.Find<QAbstractButton>("ReleaseTimerButton")->click();
       proses.ListBox1.Clear();
       proses.Necbox.SetText(element);
     },
     [](TKestreldlg& w) { return Stop(w.proses.Startpnl); },
     [](AppTest& app, const std::string&) { return app.answers.Shown("Proses finish"); },
     [](Application& a) -> controls::Memo& { return a.Kestreldlg->proses.OutMemo; }},
    {"Broadcast", kBroadcast, "broadcast", "BSC12", "StartButton", "StartButton",
     [](AppTest& app, const std::string& element) {
       app.Window()->broadcast.BscComboBox.SetText(element);
     },
     [](TKestreldlg& w) { return Stop(w.broadcast.StartButton); },
     [](AppTest& app, const std::string&) { return !Stop(app.Window()->broadcast.StartButton); },
     [](Application& a) -> controls::Memo& { return a.Kestreldlg->broadcast.ReportMemo; }},
    {"Rlslp", kRlslp, "rlslp", "BSC10", "SlpstartButton", "SlpstartButton",
     [](AppTest& app, const std::string& element) {
       app.Window()->rlslp.SlpListBox.Clear();
       app.Window()->rlslp.SlpListBox.Add(element);
     },
     [](TKestreldlg& w) { return Stop(w.rlslp.SlpstartButton); },
     [](AppTest& app, const std::string&) {
       return !Stop(app.Window()->rlslp.SlpstartButton) && app.Window()->rlslp.SlpListBox.Empty();
     },
     [](Application& a) -> controls::Memo& { return a.Kestreldlg->rlslp.SlpreportMemo; }},
    // No report pane: its report is its script, in the viewer.
    {"Qonsuluq", kQonsuluq, "qonsuluq", "BSC9", "StartqonButton", "StartqonButton",
     [](AppTest& app, const std::string& element) {
       auto& neighbours = app.Window()->neighbours;
       neighbours.Memocell.SetText("C09101A\r\nC09102B");
       neighbours.Memocellr.SetText("C12101A\r\nC12102C");
       neighbours.CellbscComboBox.SetText(element);
       neighbours.CellrbscComboBox.SetItemIndex(11);  // BSC12
     },
     [](TKestreldlg& w) { return Stop(w.neighbours.StartqonButton); },
     [](AppTest& app, const std::string&) { return app.windows->Form2->isVisible(); },
     [](Application& a) -> controls::Memo& { return a.read_form.Memo1; }},
    // One pass of the element (its alarm list and the solutions it calls for), then Stop.
    {"DailyCheck", kDailyCheck, "dailycheck", "BSC9", "Startdc", "Stopdc",
     [](AppTest& app, const std::string& element) {
       app.Window()->dailycheck.ListBoxdc.Clear();
       app.Window()->dailycheck.Nedc.SetText(element);
       app.Find<QAbstractButton>("Adddc")->click();
     },
     [](TKestreldlg& w) { return w.dailycheck.Animate2.Visible(); },
     [](AppTest& app, const std::string& element) {
       const auto& dailycheck = app.Window()->dailycheck;
       return Has(dailycheck.Memoreportdc, element + ": SETAR;") &&
              dailycheck.Memokom.LineCount() == 0 && dailycheck.DcStep == "ALLIP;";
     },
     [](Application& a) -> controls::Memo& { return a.Kestreldlg->dailycheck.Memoreportdc; }},
    // Until the script is in the viewer; the session stays until the engineer presses Stop.
    {"Relocation", kRelocation, "relocation", "BSC9", "DqonstartButton", "DqonstartButton",
     [](AppTest& app, const std::string& element) {
       auto& relocation = app.Window()->relocation;
       relocation.DqonoComboBox.SetText(element);
       relocation.DqondComboBox.SetItemIndex(11);  // to BSC12
       relocation.DqonListMemo.SetText("C09101A");
     },
     [](TKestreldlg& w) { return Stop(w.relocation.DqonstartButton); },
     [](AppTest& app, const std::string&) { return app.windows->Form2->isVisible(); },
     [](Application& a) -> controls::Memo& { return a.Kestreldlg->relocation.DqonrepMemo; }},
};

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
