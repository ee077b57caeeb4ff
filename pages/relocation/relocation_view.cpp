#include "pages/relocation/relocation_view.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "widgets/bindings.h"
#include "widgets/widgets.h"

namespace kestrel::relocation {

QWidget* BuildRelocationView(RelocationPage& page, QWidget* parent) {
  using widgets::Bind;
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet12");
  widgets::Widgets w(sheet);
  auto* cells = w.Memo("DqonListMemo");
  auto* present = new QComboBox(sheet);
  present->setObjectName("DqonoComboBox");
  auto* target = new QComboBox(sheet);
  target->setObjectName("DqondComboBox");
  auto* report = w.Memo("DqonrepMemo", true);
  auto* start = w.Button("DqonstartButton", "");
  auto* show_script = w.Button("SpeedButton6", "");

  auto* list_side = new QVBoxLayout;
  list_side->addWidget(w.Label("DqonListLabel", "Dasinasi cell-ler;"));
  list_side->addWidget(cells);
  auto* choices = new QVBoxLayout;
  choices->addWidget(w.Label("DqonoLabel", "Oldugu BSC:"));
  choices->addWidget(present);
  choices->addWidget(w.Label("DqondLabel", "Dasinasi BSC:"));
  choices->addWidget(target);
  choices->addSpacing(8);
  choices->addWidget(start);
  choices->addWidget(show_script);
  choices->addStretch();
  auto* report_side = new QVBoxLayout;
  report_side->addWidget(w.Label("DqonrepLabel", "Report:"));
  report_side->addWidget(report);
  auto* layout = new QHBoxLayout(sheet);
  layout->addLayout(list_side, 1);
  layout->addLayout(choices);
  layout->addLayout(report_side, 2);

  Bind(page.DqonListMemo, cells);
  Bind(page.DqonListPanel, cells);
  Bind(page.DqonoComboBox, present);
  Bind(page.DqondComboBox, target);
  Bind(page.DqonrepMemo, report);
  Bind(page.DqonstartButton, start, [&page] { page.DqonstartButtonClick(); });
  // The same action as "Show script" on the Qonsuluq page: the viewer as its last writer left it.
  Bind(page.SpeedButton6, show_script, [&page] { page.SpeedButton6Click(); });
  return sheet;
}

}  // namespace kestrel::relocation
