#include "pages/neighbours/neighbours_view.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QProgressBar>

#include "app/widgets.h"
#include "mml/network_elements.h"
#include "platform/dispatch.h"

namespace kestrel::neighbours {

QWidget* BuildNeighboursView(QWidget* parent, pages::ReadForm& read_form) {
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet5");

  auto* cells = new QWidget(sheet);
  cells->setObjectName("Panel4");
  app::Widgets c(cells);
  const auto& bscs = mml::BscPickList();
  auto* cell_grid = new QGridLayout(cells);
  cell_grid->setContentsMargins(0, 0, 0, 0);
  cell_grid->addWidget(c.Combo("CellbscComboBox", bscs, "ALTBSC1_X29,PROT=V24"), 0, 0, 1, 2);
  cell_grid->addWidget(c.Combo("CellrbscComboBox", bscs, "ALTBSC1_X29,PROT=V24"), 0, 2, 1, 2);
  cell_grid->addWidget(c.Label("CellsLabel", "Cells:"), 1, 0);
  cell_grid->addWidget(c.Label("Label8", "0"), 1, 1);
  cell_grid->addWidget(c.Label("CellrsLabel", "Cellrs:"), 1, 2);
  cell_grid->addWidget(c.Label("Label9", "0"), 1, 3);
  cell_grid->addWidget(c.Memo("Memocell"), 2, 0, 1, 2);
  cell_grid->addWidget(c.Memo("Memocellr"), 2, 2, 1, 2);

  auto* parameters = new QWidget(sheet);
  parameters->setObjectName("Panel6");
  app::Widgets p(parameters);
  auto* form = new QFormLayout(parameters);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow("EXTPEN:", p.Combo("Extpen", {"ON", "OFF"}, "ON", -1, true));
  form->addRow("CAND:", p.Combo("Cand", {"AWN", "NHN", "BOTH"}, "BOTH", -1, true));
  const std::pair<const char*, const char*> fields[] = {
      {"Trhyst", "2"}, {"Troffsetp", "0"}, {"Lhyst", "6"}, {"Awoffset", "3"},
      {"Hihyst", "3"}, {"Khyst", "3"},     {"Mbcr", "2"}};
  for (const auto& [name, value] : fields) {
    form->addRow(QString(name).toUpper() + ":", p.Edit(name, value, true));
  }
  auto* show_script = p.Button("SpeedButton1", "Show script");
  show_script->setFlat(true);
  QObject::connect(show_script, &QPushButton::clicked, show_script,
                   [&read_form] { platform::Dispatch([&read_form] { read_form.Show(); }); });
  form->addRow(show_script);

  app::Widgets w(sheet);
  auto* progress = new QProgressBar(sheet);
  progress->setObjectName("ProgressBar1");
  progress->setRange(0, 100);
  progress->hide();
  auto* activity = w.Label("Label16", "");
  activity->setStyleSheet("font-size: 16px;");
  activity->hide();

  auto* layout = new QGridLayout(sheet);
  layout->addWidget(cells, 0, 0);
  layout->addWidget(parameters, 0, 1);
  layout->addWidget(w.Button("StartqonButton", "Start", false), 1, 1);
  layout->addWidget(progress, 1, 0);
  layout->addWidget(activity, 2, 0);
  layout->setColumnStretch(0, 1);
  return sheet;
}

}  // namespace kestrel::neighbours
