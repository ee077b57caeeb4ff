#include "pages/neighbours/neighbours_view.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QProgressBar>

#include "widgets/bindings.h"
#include "widgets/widgets.h"

namespace kestrel::neighbours {

QWidget* BuildNeighboursView(NeighboursPage& page, QWidget* parent) {
  using widgets::Bind;
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet5");

  auto* cells = new QWidget(sheet);
  cells->setObjectName("Panel4");
  widgets::Widgets c(cells);
  auto* cell_bsc = new QComboBox(cells);
  cell_bsc->setObjectName("CellbscComboBox");
  auto* cellr_bsc = new QComboBox(cells);
  cellr_bsc->setObjectName("CellrbscComboBox");
  auto* cell_count = c.Label("Label8", "");
  auto* cellr_count = c.Label("Label9", "");
  auto* cell_list = c.Memo("Memocell");
  auto* cellr_list = c.Memo("Memocellr");
  auto* cell_grid = new QGridLayout(cells);
  cell_grid->setContentsMargins(0, 0, 0, 0);
  cell_grid->addWidget(c.Label("CellbscLabel", "BSC(Cell):"), 0, 0, 1, 2);
  cell_grid->addWidget(c.Label("CellrbscLabel", "BSC(Cellr):"), 0, 2, 1, 2);
  cell_grid->addWidget(cell_bsc, 1, 0, 1, 2);
  cell_grid->addWidget(cellr_bsc, 1, 2, 1, 2);
  cell_grid->addWidget(c.Label("CellsLabel", "Cells:"), 2, 0);
  cell_grid->addWidget(cell_count, 2, 1);
  cell_grid->addWidget(c.Label("CellrsLabel", "Cellrs:"), 2, 2);
  cell_grid->addWidget(cellr_count, 2, 3);
  cell_grid->addWidget(cell_list, 3, 0, 1, 2);
  cell_grid->addWidget(cellr_list, 3, 2, 1, 2);

  auto* parameters = new QWidget(sheet);
  parameters->setObjectName("Panel6");
  widgets::Widgets p(parameters);
  auto* form = new QFormLayout(parameters);
  form->setContentsMargins(0, 0, 0, 0);
  auto* extpen = p.Combo("Extpen", {}, "", -1, true);
  auto* cand = p.Combo("Cand", {}, "", -1, true);
  form->addRow("EXTPEN:", extpen);
  form->addRow("CAND:", cand);
  Bind(page.Extpen, extpen);
  Bind(page.Cand, cand);
  const std::pair<const char*, controls::Edit*> fields[] = {
      {"Trhyst", &page.Trhyst},     {"Troffsetp", &page.Troffsetp}, {"Lhyst", &page.Lhyst},
      {"Awoffset", &page.Awoffset}, {"Hihyst", &page.Hihyst},       {"Khyst", &page.Khyst},
      {"Mbcr", &page.Mbcr}};
  for (const auto& [name, model] : fields) {
    auto* edit = p.Edit(name, "", true);
    form->addRow(QString(name).toUpper() + ":", edit);
    Bind(*model, edit);
  }
  auto* show_script = p.Button("SpeedButton1", "");
  show_script->setFlat(true);
  form->addRow(show_script);

  widgets::Widgets w(sheet);
  auto* progress = new QProgressBar(sheet);
  progress->setObjectName("ProgressBar1");
  auto* activity = w.Label("Label16", "");
  activity->setStyleSheet("font-size: 16px;");
  auto* start = w.Button("StartqonButton", "");
  widgets::KeepRoomWhenHidden(progress);  // shown during a collection only
  widgets::KeepRoomWhenHidden(activity);

  auto* layout = new QGridLayout(sheet);
  layout->addWidget(cells, 0, 0);
  layout->addWidget(parameters, 0, 1);
  layout->addWidget(progress, 1, 0);
  layout->addWidget(start, 1, 1);
  layout->addWidget(activity, 2, 0);
  layout->setColumnStretch(0, 1);

  Bind(page.CellbscComboBox, cell_bsc);
  Bind(page.CellrbscComboBox, cellr_bsc);
  Bind(page.Label8, cell_count);
  Bind(page.Label9, cellr_count);
  Bind(page.Memocell, cell_list);
  Bind(page.Memocellr, cellr_list);
  Bind(page.SpeedButton1, show_script, [&page] { page.SpeedButton1Click(); });
  Bind(page.StartqonButton, start, [&page] { page.StartqonButtonClick(); });
  Bind(page.ProgressBar1, progress);
  Bind(page.Label16, activity);
  Bind(page.Panel4, cells);
  Bind(page.Panel6, parameters);
  return sheet;
}

}  // namespace kestrel::neighbours
