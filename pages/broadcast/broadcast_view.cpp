#include "pages/broadcast/broadcast_view.h"

#include <QGridLayout>

#include "widgets/bindings.h"
#include "widgets/widgets.h"

namespace kestrel::broadcast {

QWidget* BuildBroadcastView(BroadcastPage& page, QWidget* parent) {
  using widgets::Bind;
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet2");
  widgets::Widgets w(sheet);
  auto* bsc = new QComboBox(sheet);
  bsc->setObjectName("BscComboBox");
  auto* start = w.Button("StartButton", "");
  auto* report = w.Memo("ReportMemo", true);

  auto* layout = new QGridLayout(sheet);
  layout->addWidget(bsc, 0, 0);
  layout->addWidget(start, 0, 1);
  layout->addWidget(report, 1, 0, 1, 4);
  layout->setColumnStretch(3, 1);
  layout->setRowStretch(1, 1);
  // The buffer and the three work lists, shown while a check runs (their models say when).
  int column = 0;
  const std::pair<const char*, controls::Memo*> working[] = {{"BrMemo", &page.BrMemo},
                                                             {"BrbufMemo1", &page.BrbufMemo1},
                                                             {"BrbufMemo2", &page.BrbufMemo2},
                                                             {"BrbufMemo3", &page.BrbufMemo3}};
  for (const auto& [name, model] : working) {
    auto* memo = w.Memo(name, true);
    memo->setEnabled(false);
    memo->setMaximumHeight(120);
    layout->addWidget(memo, 2, column++);
    Bind(*model, memo);
  }

  Bind(page.BscComboBox, bsc);
  Bind(page.StartButton, start, [&page] { page.StartButtonClick(); });
  Bind(page.ReportMemo, report);
  return sheet;
}

}  // namespace kestrel::broadcast
