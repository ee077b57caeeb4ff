#include "pages/relocation/relocation_view.h"

#include <QGridLayout>

#include "app/widgets.h"
#include "mml/network_elements.h"
#include "platform/dispatch.h"

namespace kestrel::relocation {

QWidget* BuildRelocationView(QWidget* parent, pages::ReadForm& read_form) {
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet12");
  app::Widgets w(sheet);
  const auto& elements = mml::NetworkElementPickList();
  std::vector<std::string> targets;
  for (int n = 1; n <= 18; ++n) targets.push_back(std::to_string(n));

  auto* show_script = w.Button("SpeedButton6", "Show script");
  QObject::connect(show_script, &QPushButton::clicked, show_script,
                   [&read_form] { platform::Dispatch([&read_form] { read_form.Show(); }); });

  auto* layout = new QGridLayout(sheet);
  layout->addWidget(w.Label("DqonListLabel", "Dasinasi cell-ler;"), 0, 0);
  layout->addWidget(w.Memo("DqonListMemo"), 1, 0, 5, 1);
  layout->addWidget(w.Label("DqonoLabel", "Oldugu BSC:"), 0, 1);
  layout->addWidget(w.Combo("DqonoComboBox", elements, QString::fromStdString(elements.front()), 0),
                    1, 1);
  layout->addWidget(w.Label("DqondLabel", "Dasinasi BSC:"), 2, 1);
  layout->addWidget(w.Combo("DqondComboBox", targets, "1", 0), 3, 1);
  layout->addWidget(w.Button("DqonstartButton", "Start", false), 4, 1);
  layout->addWidget(show_script, 5, 1);
  layout->addWidget(w.Label("DqonrepLabel", "Report:"), 0, 2);
  layout->addWidget(w.Memo("DqonrepMemo", true), 1, 2, 5, 1);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(2, 2);
  return sheet;
}

}  // namespace kestrel::relocation
