#include "app/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QTabBar>
#include <QVBoxLayout>

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
      SoundsFolder(QDir::current().absoluteFilePath("sounds")),
      proses(IdTelnet1, properties, read_form, TabSheet2, sound, messages),
      rlslp(SlpIdTelnet, properties),
      dailycheck(IdTelnetdc, properties, {clock, files, sound, dialogs}, site.report_share_root,
                 LoadKnownAlarms(), SoundsFolder.toStdString()),
      neighbours(CellIdTelnet, CellrIdTelnet, properties, read_form),
      broadcast(BrIdTelnet, properties),
      relocation(DqonIdTelnet, properties, read_form, messages) {
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

  for (net::QtTelnetClient* client :
       {&BrIdTelnet, &CellIdTelnet, &CellrIdTelnet, &SlpIdTelnet, &IdTelnetdc, &DqonIdTelnet}) {
    client->Host = site.gateway_host;
    client->Port = site.gateway_port;
  }
  IdTelnet1.Port = 23;  // the Proses page takes host and port from the settings window
  for (controls::Timer* timer :
       {&proses.Timer1, &proses.ReleaseTimer, &proses.BusyTimer, &neighbours.Exqontime,
        &dailycheck.Timerdc, &dailycheck.Timerdc_release}) {
    timer_drivers_.push_back(std::make_unique<platform::QtTimerDriver>(*timer));
  }

  auto* file = menuBar()->addMenu("File");
  file->setObjectName("File1");
  file->addAction("Close", this, [this] { platform::Dispatch([this] { Close1Click(); }); })
      ->setObjectName("Close1");
  auto* options = menuBar()->addMenu("Options");
  options->setObjectName("Options1");
  options->menuAction()->setVisible(false);  // the settings stay as the site built them
  options->addAction("Properties", this, [this] { platform::Dispatch(OnProperties); })
      ->setObjectName("Properties1");
  menuBar()
      ->addAction("About", this, [this] { platform::Dispatch(OnAbout); })
      ->setObjectName("About1");

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

  PageControl2->addTab(proses::BuildProsesView(proses, PageControl2), "Proses");
  QWidget* broadcast_tab = broadcast::BuildBroadcastView(broadcast, PageControl2);
  widgets::Bind(TabSheet2, broadcast_tab);
  PageControl2->addTab(broadcast_tab, "Edge Broadcast check");
  PageControl2->addTab(rlslp::BuildRlslpView(rlslp, PageControl2), "RLSLP_check");
  PageControl2->addTab(neighbours::BuildNeighboursView(neighbours, PageControl2), "Qonsuluq");
  PageControl2->addTab(dailycheck::BuildDailyCheckView(dailycheck, PageControl2), "Daily check");
  PageControl2->addTab(relocation::BuildRelocationView(relocation, PageControl2),
                       "Dasinma ucun qonsuluq");
}

// The page widgets are bound to the models below; they go first.
TKestreldlg::~TKestreldlg() { delete takeCentralWidget(); }

void TKestreldlg::Close1Click() { close(); }

void TKestreldlg::closeEvent(QCloseEvent* event) {
  hide();  // not the main form: closing only hides the window
  event->ignore();
}

}  // namespace kestrel::app
