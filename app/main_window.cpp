#include "app/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <iostream>

#include "app/history_ui.h"
#include "pages/broadcast/broadcast_view.h"
#include "pages/dailycheck/dailycheck_view.h"
#include "pages/neighbours/neighbours_view.h"
#include "pages/proses/proses_view.h"
#include "pages/relocation/relocation_view.h"
#include "pages/rlslp/rlslp_view.h"
#include "platform/data_files.h"
#include "platform/dispatch.h"
#include "widgets/bindings.h"

namespace kestrel::app {

namespace {
// The site's known alarm list; without one the Daily check warns about nothing.
dailycheck::KnownAlarms LoadKnownAlarms() {
  QFile file(QString::fromStdString(platform::DataFile("known_alarms.txt")));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return dailycheck::KnownAlarms(file.readAll().toStdString());
}

}  // namespace

TKestreldlg::TKestreldlg(const platform::SiteSettings& site, mml::PropertiesForm& properties,
                         pages::ReadForm& read_form, QWidget* parent)
    : QMainWindow(parent),
      properties_(properties),
      read_form_(read_form),
      recorder(platform::FileSessionRecorder::ForSite(
          site.log_sessions, site.log_dir, site.log_keep_days, site.log_max_mb,
          [this](const std::string& notice) {
            std::cerr << "kestrel: " << notice << std::endl;
            // Said once the window stands (the first time may be while it is being made).
            QTimer::singleShot(0, this, [this, notice] { messages.Inform(notice); });
          })),
      ProsesSession(
          IdTelnet1, recorder.get(),
          LogContext(
              "proses", [this] { return std::string(proses.ListBox1.First()); }, &proses.OutMemo)),
      BrSession(
          BrIdTelnet, recorder.get(),
          LogContext(
              "broadcast", [this] { return broadcast.BscComboBox.Text(); }, &broadcast.ReportMemo)),
      CellSession(CellIdTelnet, recorder.get(),
                  LogContext(
                      "qonsuluq", [this] { return neighbours.CellbscComboBox.Text(); }, nullptr)),
      CellrSession(CellrIdTelnet, recorder.get(),
                   LogContext(
                       "qonsuluq", [this] { return neighbours.CellrbscComboBox.Text(); }, nullptr)),
      SlpSession(SlpIdTelnet, recorder.get(),
                 LogContext(
                     "rlslp", [this] { return std::string(rlslp.SlpListBox.First()); },
                     &rlslp.SlpreportMemo)),
      DcSession(IdTelnetdc, recorder.get(),
                LogContext(
                    "dailycheck", [this] { return std::string(dailycheck.ListBoxdc.First()); },
                    &dailycheck.Memoreportdc)),
      DqonSession(DqonIdTelnet, recorder.get(),
                  LogContext(
                      "relocation", [this] { return relocation.DqonoComboBox.Text(); },
                      &relocation.DqonrepMemo)),
      SoundsFolder(QDir::current().absoluteFilePath("sounds")),
      proses(ProsesSession, properties, read_form, TabSheet2, ProsesSound, ProsesMessages),
      rlslp(SlpSession, properties),
      dailycheck(DcSession, properties, {clock, files, DcSound, dialogs}, site.report_share_root,
                 LoadKnownAlarms(), SoundsFolder.toStdString()),
      neighbours(CellSession, CellrSession, properties, read_form),
      broadcast(BrSession, properties),
      relocation(DqonSession, properties, read_form, DqonMessages) {
  setObjectName("Kestreldlg");
  setWindowTitle("Kestrel ver 2.2");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(575, 451);
  // MS Sans Serif 8 pt where it exists; elsewhere a condensed face of that size (8 pt at the
  // usual 96 dpi), so that all six tabs fit the window.
  QFont font;
  font.setFamilies(
      {"MS Sans Serif", "Microsoft Sans Serif", "DejaVu Sans Condensed", "Liberation Sans Narrow"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  setFont(font);

  for (mml::TelnetClient* client : std::initializer_list<mml::TelnetClient*>{
           &BrSession, &CellSession, &CellrSession, &SlpSession, &DcSession, &DqonSession}) {
    client->Host = site.gateway_host;
    client->Port = site.gateway_port;
  }
  SetUpClients(site);
  ProsesSession.Port = 23;  // the Proses page takes host and port from the settings window
  // What ends a page's job early is also said in a box, besides the report.
  rlslp.SetMessages(SlpMessages);
  broadcast.SetMessages(BrMessages);
  neighbours.SetMessages(QonMessages);
  dailycheck.SetMessages(DcMessages);
  const std::size_t max_printout = site.MaxPrintoutBytes();
  proses.SetMaxPrintout(max_printout);
  rlslp.SetMaxPrintout(max_printout);
  dailycheck.SetMaxPrintout(max_printout);
  neighbours.SetMaxPrintout(max_printout);
  broadcast.SetMaxPrintout(max_printout);
  relocation.SetMaxPrintout(max_printout);
  proses.SetWatchdogSeconds(site.proses_watchdog_s);
  proses.SetClock(clock);
  dailycheck.SetPacing(site.dailycheck_min_cycle_s, site.dailycheck_retry_s);
  for (controls::Timer* timer : {&proses.Timer1, &proses.ReleaseTimer, &proses.BusyTimer,
                                 &proses.WatchdogTimer, &neighbours.Exqontime, &dailycheck.Timerdc,
                                 &dailycheck.Timerdc_release, &dailycheck.Timerdc_wait}) {
    timer_drivers_.push_back(std::make_unique<platform::QtTimerDriver>(*timer));
  }
  for (mml::RecordedTelnetClient* session :
       {&ProsesSession, &BrSession, &CellSession, &CellrSession, &SlpSession, &DcSession,
        &DqonSession}) {
    timer_drivers_.push_back(std::make_unique<platform::QtTimerDriver>(session->QuietTimer));
  }

  BuildMenu();

  auto* panel = new QWidget(this);
  auto* border = new QVBoxLayout(panel);
  border->setContentsMargins(5, 5, 5, 5);
  PageControl2 = new QTabWidget(panel);
  PageControl2->setObjectName("PageControl2");
  PageControl2->tabBar()->setStyleSheet(
      "QTabBar::tab { padding: 3px 5px; border: 1px solid #a8a8a8; border-bottom: none; "
      "background: #e4e4e4; margin-right: 1px; } QTabBar::tab:selected { background: #f7f7f7; }");
  border->addWidget(PageControl2);
  setCentralWidget(panel);

  AddTab(proses::BuildProsesView(proses, PageControl2), "Proses", "proses", &proses.OutMemo);
  QWidget* broadcast_tab = broadcast::BuildBroadcastView(broadcast, PageControl2);
  AddTab(broadcast_tab, "Edge Broadcast check", "broadcast", &broadcast.ReportMemo);
  widgets::Bind(TabSheet2, broadcast_tab);  // a tab page: only its enabled state follows
  AddTab(rlslp::BuildRlslpView(rlslp, PageControl2), "RLSLP_check", "rlslp", &rlslp.SlpreportMemo);
  // The Qonsuluq page's report is its script, in the viewer.
  AddTab(neighbours::BuildNeighboursView(neighbours, PageControl2), "Qonsuluq", "qonsuluq",
         &read_form_.Memo1);
  QWidget* dailycheck_tab = dailycheck::BuildDailyCheckView(dailycheck, PageControl2);
  AddTab(dailycheck_tab, "Daily check", "dailycheck", &dailycheck.Memoreportdc);
  AddTab(relocation::BuildRelocationView(relocation, PageControl2), "Dasinma ucun qonsuluq",
         "relocation", &relocation.DqonrepMemo);
  history = std::make_unique<HistoryUi>(site, dailycheck, files, DcMessages, this);
  history->Install(dailycheck_tab->findChild<QTabWidget*>("PageControl3"), menuBar());
}

// The page widgets are bound to the models below; they go first.
TKestreldlg::~TKestreldlg() {
  history.reset();
  delete takeCentralWidget();
}

void TKestreldlg::AddTab(QWidget* sheet, const QString& caption, const char* log_page,
                         const controls::Memo* report) {
  PageControl2->addTab(sheet, caption);
  tabs_.push_back({sheet, log_page, report});
}

mml::RecordedTelnetClient::Context TKestreldlg::LogContext(const char* page,
                                                           std::function<std::string()> element,
                                                           controls::Memo* pane) {
  return {page, std::move(element), [this] { return properties_.PasswordEdit.Text(); },
          [this, pane](const std::string& message) { LogProblem(message, pane); }};
}

void TKestreldlg::LogProblem(const std::string& message, controls::Memo* pane) {
  std::cerr << "kestrel: " << message << std::endl;
  if (pane != nullptr) {
    pane->AddLine(message);
    return;
  }
  // Not inside the session's own handler: a box there would hold the other side's session.
  // Both sides of the Qonsuluq page say it at once: one box.
  if (log_box_pending_) return;
  log_box_pending_ = true;
  QTimer::singleShot(0, this, [this, message] {
    platform::Dispatch([this, &message] {
      log_box_pending_ = false;
      messages.Warn(message);
    });
  });
}

void TKestreldlg::SetUpClients(const platform::SiteSettings& site) {
  std::map<std::string, net::DirectElement> elements;
  for (const auto& [name, address] : site.elements) {
    try {
      elements[name] = net::ParseElementAddress(address);
    } catch (const std::invalid_argument& error) {
      // The settings reader has checked the form; what is left is said, not fatal.
      std::cerr << "kestrel: elements/" << name << ": " << error.what() << std::endl;
    }
  }
  const std::pair<net::QtClient*, std::function<std::string()>> clients[] = {
      {&IdTelnet1, [this] { return std::string(proses.ListBox1.First()); }},
      {&BrIdTelnet, [this] { return broadcast.BscComboBox.Text(); }},
      {&CellIdTelnet, [this] { return neighbours.CellbscComboBox.Text(); }},
      {&CellrIdTelnet, [this] { return neighbours.CellrbscComboBox.Text(); }},
      {&SlpIdTelnet, [this] { return std::string(rlslp.SlpListBox.First()); }},
      {&IdTelnetdc, [this] { return std::string(dailycheck.ListBoxdc.First()); }},
      {&DqonIdTelnet, [this] { return relocation.DqonoComboBox.Text(); }},
  };
  for (const auto& [client, element] : clients) {
    client->Via = site.transport == "ssh" ? net::Transport::kSsh : net::Transport::kTelnet;
    client->Elements = elements;
    client->Element = element;
    client->Ssh.Ssh = {site.ssh_identity, site.KnownHostsPath(), site.ssh_host_key,
                       site.ssh_keepalive_s};
    client->Ssh.User = [this] { return properties_.UserEdit.Text(); };
    client->Ssh.Password = [this] { return properties_.PasswordEdit.Text(); };
    client->Ssh.OnUnknownHostKey = [this](const net::QtSshClient::HostKeyQuestion& question,
                                          std::function<void(net::HostKeyAnswer)> reply) {
      AskHostKey(question, std::move(reply));
    };
  }
}

void TKestreldlg::AskHostKey(const net::QtSshClient::HostKeyQuestion& question,
                             std::function<void(net::HostKeyAnswer)> reply) {
  // Shown as every box of the program is (without a nested loop), with its own buttons.
  QMessageBox* box =
      ShowBox(this, "Kestrel - unknown host key",
              QString::fromStdString("The host key of " + question.host + " is not known yet:\n\n" +
                                     question.fingerprint +
                                     "\n\nCompare it with the fingerprint the gateway's "
                                     "administrators give. Nothing is sent until it is taken."),
              QMessageBox::Question);
  box->setStandardButtons(QMessageBox::NoButton);
  QPushButton* once = box->addButton("Accept once", QMessageBox::AcceptRole);
  QPushButton* always = box->addButton("Accept always", QMessageBox::AcceptRole);
  QPushButton* refuse = box->addButton("Refuse", QMessageBox::RejectRole);
  box->setDefaultButton(refuse);
  box->setEscapeButton(refuse);
  auto answered = std::make_shared<bool>(false);
  connect(box, &QMessageBox::buttonClicked, box,
          [reply, answered, once, always](QAbstractButton* button) {
            if (std::exchange(*answered, true)) return;
            reply(button == always ? net::HostKeyAnswer::kAcceptAlways
                  : button == once ? net::HostKeyAnswer::kAcceptOnce
                                   : net::HostKeyAnswer::kRefuse);
          });
  // A box closed without a choice, or gone with the window, takes nothing.
  const auto unanswered = [reply, answered] {
    if (!std::exchange(*answered, true)) reply(net::HostKeyAnswer::kRefuse);
  };
  connect(box, &QDialog::finished, box, unanswered);
  connect(box, &QObject::destroyed, this, unanswered);
}

void TKestreldlg::Close1Click() { close(); }

void TKestreldlg::closeEvent(QCloseEvent* event) {
  hide();  // not the main form: closing only hides the window
  event->ignore();
}

}  // namespace kestrel::app
