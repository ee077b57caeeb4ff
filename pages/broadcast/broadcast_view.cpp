#include "pages/broadcast/broadcast_view.h"

#include <QGridLayout>

#include "app/widgets.h"
#include "mml/network_elements.h"

namespace kestrel::broadcast {

QWidget* BuildBroadcastView(QWidget* parent) {
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet2");
  app::Widgets w(sheet);
  const auto& bscs = mml::ShortBscPickList();
  auto* layout = new QGridLayout(sheet);
  layout->addWidget(w.Combo("BscComboBox", bscs, QString::fromStdString(bscs.front())), 0, 0);
  layout->addWidget(w.Button("StartButton", "Start", false), 0, 1);
  layout->addWidget(w.Memo("ReportMemo", true), 1, 0, 1, 3);
  layout->setColumnStretch(2, 1);
  return sheet;
}

}  // namespace kestrel::broadcast
