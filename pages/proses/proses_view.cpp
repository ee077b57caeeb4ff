#include "pages/proses/proses_view.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "mml/network_elements.h"

namespace kestrel::proses {

namespace {

QWidget* ProsesSheet(QWidget* parent) {
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet3");
  app::Widgets w(sheet);
  const auto& bscs = mml::BscPickList();
  auto* queue = new QVBoxLayout;
  queue->addWidget(w.Label("Label3", "Gueue:"));
  queue->addWidget(w.List("ListBox1"));
  queue->addWidget(w.Combo("Necbox", bscs, QString::fromStdString(bscs.front())));
  auto* edit = new QGridLayout;
  edit->addWidget(w.Button("SpeedButton4", "Add", false), 0, 0);
  edit->addWidget(w.Button("SpeedButton2", "Add all", false), 0, 1);
  edit->addWidget(w.Button("SpeedButton5", "Delete", false), 1, 0);
  edit->addWidget(w.Button("SpeedButton3", "Delete all", false), 1, 1);
  queue->addLayout(edit);

  auto* bottom = new QWidget(sheet);
  bottom->setObjectName("Panel2");
  app::Widgets b(bottom);
  auto* start = b.Button("Startpnl", "Start", false);
  start->setToolTip("Start");
  start->setCursor(Qt::PointingHandCursor);
  auto* bottom_row = new QHBoxLayout(bottom);
  bottom_row->setContentsMargins(0, 0, 0, 0);
  bottom_row->addWidget(b.Button("ConnectButton", "Connect", false));
  bottom_row->addStretch();
  bottom_row->addWidget(start);

  auto* layout = new QGridLayout(sheet);
  layout->addLayout(queue, 0, 0);
  layout->addWidget(w.Terminal("OutMemo"), 0, 1);
  layout->addWidget(bottom, 1, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  return sheet;
}

QWidget* OptionsSheet(QWidget* parent) {
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet4");
  app::Widgets w(sheet);
  auto* filter = new QVBoxLayout;
  filter->addWidget(w.Label("Label1", "Filter for Cells:"));
  filter->addWidget(w.List("FilterListBox"));
  filter->addWidget(w.Edit("AddEdit", "", true));
  auto* filter_buttons = new QHBoxLayout;
  filter_buttons->addWidget(w.Button("AddBtn", "Add", false));
  filter_buttons->addWidget(w.Button("DelBtn", "Delete", false));
  filter->addLayout(filter_buttons);

  auto* procedure = new QGroupBox("Procedure", sheet);
  procedure->setObjectName("GroupBox1");
  auto* rxtei = new QRadioButton("RXTEI", procedure);
  auto* rxlti = new QRadioButton("RXLTI", procedure);
  rxtei->setObjectName("Rxteirbtn");
  rxlti->setObjectName("Rxltirbtn");
  rxlti->setChecked(true);
  auto* choice = new QVBoxLayout(procedure);
  choice->addWidget(rxtei);
  choice->addWidget(rxlti);

  auto* options = new QVBoxLayout;
  options->addWidget(w.Check("Cfcbox", "Don't reset to DXU (CF)", true));
  options->addWidget(procedure);
  options->addWidget(w.Label("Label2", "Release interval (msec)"));
  auto* release = new QHBoxLayout;
  release->addWidget(w.Edit("ReleaseTimerEdit", "3000"));
  release->addWidget(w.Button("ReleaseTimerButton", "Update", false));
  options->addLayout(release);
  options->addWidget(w.Check("BeepCheckBox", "BEEP", true));
  options->addStretch();

  auto* layout = new QHBoxLayout(sheet);
  layout->addLayout(filter);
  layout->addLayout(options);
  return sheet;
}

}  // namespace

QWidget* BuildProsesView(QWidget* parent) {
  auto* tab = new QWidget(parent);
  tab->setObjectName("TabSheet1");
  auto* inner = new QTabWidget(tab);
  inner->setObjectName("PageControl1");
  inner->setDocumentMode(true);  // flat-button tabs
  inner->addTab(ProsesSheet(inner), "Proses");
  inner->addTab(OptionsSheet(inner), "Options");
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(inner);
  return tab;
}

}  // namespace kestrel::proses
