#pragma once

#include <QMainWindow>
#include <QTabWidget>
#include <memory>
#include <vector>

#include "app/qt_ports.h"
#include "controls/timer.h"
#include "mml/properties_form.h"
#include "net/qt_telnet_client.h"
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
#include "platform/site_settings.h"

namespace kestrel::app {

// The main window "Kestrel ver 2.2": the job pages, each with its own telnet client,
// timers and state. Closing it only hides it; its pages go on working.
class TKestreldlg : public QMainWindow {
  Q_OBJECT

 public:
  TKestreldlg(const platform::SiteSettings& site, mml::PropertiesForm& properties,
              pages::ReadForm& read_form, QWidget* parent = nullptr);
  ~TKestreldlg() override;

  // One telnet client per page; all but Proses carry the site's gateway address and port.
  net::QtTelnetClient IdTelnet1, BrIdTelnet, CellIdTelnet, CellrIdTelnet, SlpIdTelnet, IdTelnetdc,
      DqonIdTelnet;

  // The Edge broadcast page, which a Proses run disables.
  controls::Panel TabSheet2{"Edge Broadcast check"};

  platform::QtSound sound;
  QtMessages messages{this};
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
  // Asks for the settings window and the About window, modally.
  std::function<void()> OnProperties, OnAbout;

  void Close1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::vector<std::unique_ptr<platform::QtTimerDriver>> timer_drivers_;
};

}  // namespace kestrel::app
