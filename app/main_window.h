#pragma once

#include <QMainWindow>
#include <QTabWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qt_ports.h"
#include "controls/timer.h"
#include "mml/properties_form.h"
#include "mml/session_record.h"
#include "net/qt_client.h"
#include "pages/broadcast/broadcast_page.h"
#include "pages/dailycheck/dailycheck_page.h"
#include "pages/neighbours/neighbours_page.h"
#include "pages/proses/proses_page.h"
#include "pages/relocation/relocation_page.h"
#include "pages/rlslp/rlslp_page.h"
#include "pages/shared/read_form.h"
#include "platform/qt_ports.h"
#include "platform/qt_sound.h"
#include "platform/qt_timer.h"
#include "platform/session_log.h"
#include "platform/site_settings.h"

namespace kestrel::app {

class LogViewer;
class HistoryUi;

// The main window "Kestrel ver 2.2": the job pages, each with its own telnet client,
// timers and state. Closing it only hides it; its pages go on working.
class TKestreldlg : public QMainWindow {
  Q_OBJECT

  // First, as the members below take them.
  mml::PropertiesForm& properties_;
  pages::ReadForm& read_form_;

 public:
  TKestreldlg(const platform::SiteSettings& site, mml::PropertiesForm& properties,
              pages::ReadForm& read_form, QWidget* parent = nullptr);
  ~TKestreldlg() override;

  // One client per page (telnet or SSH as the site says); all but Proses carry the site's
  // gateway address and port.
  net::QtClient IdTelnet1, BrIdTelnet, CellIdTelnet, CellrIdTelnet, SlpIdTelnet, IdTelnetdc,
      DqonIdTelnet;
  // Where every session of every page is recorded; none when the site keeps no logs.
  std::unique_ptr<platform::FileSessionRecorder> recorder;
  // What the pages talk to: each page's client, recorded into the session log on the way.
  mml::RecordedTelnetClient ProsesSession, BrSession, CellSession, CellrSession, SlpSession,
      DcSession, DqonSession;

  // The Edge broadcast page, which a Proses run disables.
  controls::Panel TabSheet2{"Edge Broadcast check"};

  // Each page that plays sounds has its own, so that Stop on one cuts only its own; each box
  // is titled with the page it speaks for.
  platform::QtSound ProsesSound, DcSound;
  QtMessages messages{this};
  QtMessages ProsesMessages{this, "Kestrel - Proses"},
      BrMessages{this, "Kestrel - Edge Broadcast check"},
      SlpMessages{this, "Kestrel - RLSLP_check"}, QonMessages{this, "Kestrel - Qonsuluq"},
      DcMessages{this, "Kestrel - Daily check"},
      DqonMessages{this, "Kestrel - Dasinma ucun qonsuluq"};
  QtFileDialogs dialogs{this};
  platform::SystemClock clock;
  platform::DiskFiles files;
  // The recordings of the Daily check live in "sounds" under the working folder.
  QString SoundsFolder;
  proses::ProsesPage proses;
  rlslp::RlslpPage rlslp;
  dailycheck::DailyCheckPage dailycheck;
  neighbours::NeighboursPage neighbours;
  broadcast::BroadcastPage broadcast;
  relocation::RelocationPage relocation;

  QTabWidget* PageControl2;
  // The Daily check's history, its board and its history view.
  std::unique_ptr<HistoryUi> history;
  // Asks for the settings window and the About window, modally.
  std::function<void()> OnProperties, OnAbout;
  // True while the "READ" viewer is the active window: "Save report as..." then saves its text.
  std::function<bool()> ReadViewerActive;

  void Close1Click();
  // File menu: the current page's report into a text file; the session log folder in the
  // desktop's file manager; the current page's last session log in a viewer of its own.
  void SaveReport1Click();
  void LogFolder1Click();
  void LastLog1Click();

  // What "Save report as..." saves: the READ viewer's text while it is the active window,
  // otherwise the report pane of the current page.
  const controls::Memo& CurrentReport() const;
  // The name of the current page in the session logs' file names ("proses", "rlslp", ...).
  std::string CurrentLogPage() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // A page as the File menu sees it.
  struct Tab {
    QWidget* sheet;
    const char* log_page;
    const controls::Memo* report;
  };
  const Tab& CurrentTab() const;
  void AddTab(QWidget* sheet, const QString& caption, const char* log_page,
              const controls::Memo* report);
  void BuildMenu();
  // Aims every page's client as the site says: transport, SSH settings, direct elements.
  void SetUpClients(const platform::SiteSettings& site);
  // A host key the known-hosts file does not know: the engineer decides, in a box that
  // waits for nothing.
  void AskHostKey(const net::QtSshClient::HostKeyQuestion& question,
                  std::function<void(net::HostKeyAnswer)> reply);
  // A session log that cannot be written: said on standard error and in `pane`, or, for a
  // page without a report pane, in a message box once the running handler is done.
  void LogProblem(const std::string& message, controls::Memo* pane);
  mml::RecordedTelnetClient::Context LogContext(const char* page,
                                                std::function<std::string()> element,
                                                controls::Memo* pane);

  std::vector<Tab> tabs_;
  LogViewer* log_viewer_ = nullptr;  // made when first asked for; a window of ours
  bool log_box_pending_ = false;
  std::vector<std::unique_ptr<platform::QtTimerDriver>> timer_drivers_;
};

}  // namespace kestrel::app
