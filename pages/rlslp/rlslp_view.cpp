#include "pages/rlslp/rlslp_view.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/bindings.h"
#include "widgets/widgets.h"

namespace kestrel::rlslp {

QWidget* BuildRlslpView(RlslpPage& page, QWidget* parent) {
  using widgets::Bind;
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet6");
  auto named = [](auto* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
  };

  auto* combo = named(new QComboBox(sheet), "SlpComboBox");
  auto* queue = named(new QListWidget(sheet), "SlpListBox");
  auto* add = named(new QPushButton(sheet), "Button1");
  auto* remove = named(new QPushButton(sheet), "Button2");
  auto* start = named(new QPushButton(sheet), "SlpstartButton");
  auto* report = widgets::Widgets(sheet).Memo("SlpreportMemo", true);
  report->setFont(QFont("Arial", 10));

  auto* wait = named(new QWidget(sheet), "AnimationPanel");
  auto* wait_label = new QLabel(wait);
  auto* busy = named(new QProgressBar(wait), "Animate1");
  busy->setRange(0, 0);  // a busy animation
  busy->setTextVisible(false);
  busy->setMaximumHeight(10);
  auto* wait_layout = new QVBoxLayout(wait);
  wait_layout->setContentsMargins(0, 0, 0, 0);
  wait_layout->addWidget(wait_label);
  wait_layout->addWidget(busy);
  widgets::KeepRoomWhenHidden(wait);  // the buttons above it stay where they are

  auto* layout = new QGridLayout(sheet);
  layout->addWidget(combo, 0, 0);
  layout->addWidget(add, 1, 0);
  layout->addWidget(queue, 2, 0);
  layout->addWidget(remove, 3, 0);
  layout->addWidget(start, 4, 0);
  layout->addWidget(wait, 5, 0);
  layout->addWidget(report, 0, 1, 6, 1);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(2, 1);

  Bind(page.SlpComboBox, combo);
  Bind(page.SlpListBox, queue);
  Bind(page.Button1, add, [&page] { page.Button1Click(); });
  Bind(page.Button2, remove, [&page] { page.Button2Click(); });
  Bind(page.SlpstartButton, start, [&page] { page.SlpstartButtonClick(); });
  Bind(page.SlpreportMemo, report);
  Bind(page.AnimationPanel, wait);
  wait_label->setText(QString::fromStdString(page.AnimationPanel.Caption()));
  return sheet;
}

}  // namespace kestrel::rlslp
