#include "pages/broadcast/broadcast_view.h"

#include <QGridLayout>
#include <QHBoxLayout>

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
  layout->addWidget(report, 1, 0, 1, 3);
  layout->setColumnStretch(2, 1);
  layout->setRowStretch(1, 1);
  // The buffer and the three work lists cover the report while a check runs (their models
  // say when), as they always did: nothing else on the page moves or changes its size. They
  // are disabled, and the pointer goes through to the report when they are hidden.
  auto* working = new QWidget(sheet);
  working->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* lists = new QHBoxLayout(working);
  lists->setContentsMargins(0, 0, 0, 0);
  lists->setSpacing(0);
  const std::pair<const char*, controls::Memo*> shown_while_checking[] = {
      {"BrMemo", &page.BrMemo},
      {"BrbufMemo1", &page.BrbufMemo1},
      {"BrbufMemo2", &page.BrbufMemo2},
      {"BrbufMemo3", &page.BrbufMemo3}};
  widgets::Widgets in_working(working);
  for (const auto& [name, model] : shown_while_checking) {
    auto* memo = in_working.Memo(name, true);
    memo->setEnabled(false);
    lists->addWidget(memo);
    Bind(*model, memo);
  }
  layout->addWidget(working, 1, 0, 1, 3);  // over the report

  Bind(page.BscComboBox, bsc);
  Bind(page.StartButton, start, [&page] { page.StartButtonClick(); });
  Bind(page.ReportMemo, report);
  return sheet;
}

}  // namespace kestrel::broadcast
