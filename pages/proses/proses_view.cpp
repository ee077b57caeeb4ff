#include "pages/proses/proses_view.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <vector>

#include "widgets/bindings.h"
#include "widgets/widgets.h"

namespace kestrel::proses {

namespace {

using widgets::Bind;

// `held` are the parts of the Proses sheet that a run disables: what would change the run.
// Not among them: the Start/Stop panel, so that a run can always be stopped, and the output
// pane, a read-only pane that the engineer scrolls and selects in while the run goes on.
QWidget* ProsesSheet(ProsesPage& page, QWidget* parent, std::vector<QWidget*>& held) {
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet3");
  auto* body = new QWidget(sheet);
  widgets::Widgets w(body);
  auto* label = w.Label("Label3", "Gueue:");
  auto* queue = w.List("ListBox1");
  auto* necbox = new QComboBox(body);
  necbox->setObjectName("Necbox");
  auto* add = w.Button("SpeedButton4", "");
  auto* add_all = w.Button("SpeedButton2", "");
  auto* remove = w.Button("SpeedButton5", "");
  auto* remove_all = w.Button("SpeedButton3", "");
  auto* out = w.Terminal("OutMemo");
  // The page's notes (what may still be blocked, above all) must be read whole, not past the
  // pane's right edge.
  out->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  out->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  auto* side = new QVBoxLayout;
  side->addWidget(label);
  side->addWidget(queue);
  side->addWidget(necbox);
  auto* edit = new QGridLayout;
  edit->addWidget(add, 0, 0);
  edit->addWidget(add_all, 0, 1);
  edit->addWidget(remove, 1, 0);
  edit->addWidget(remove_all, 1, 1);
  side->addLayout(edit);

  auto* body_layout = new QGridLayout(body);
  body_layout->setContentsMargins(0, 0, 0, 0);
  body_layout->addLayout(side, 0, 0);
  body_layout->addWidget(out, 0, 1);
  body_layout->setColumnStretch(1, 1);

  auto* bottom = new QWidget(sheet);
  bottom->setObjectName("Panel2");
  auto* connect_holder = new QWidget(bottom);
  widgets::Widgets b(connect_holder);
  auto* connect_button = b.Button("ConnectButton", "");
  auto* connect_row = new QHBoxLayout(connect_holder);
  connect_row->setContentsMargins(0, 0, 0, 0);
  connect_row->addWidget(connect_button);
  auto* start = widgets::Widgets(bottom).Button("Startpnl", "");
  start->setToolTip("Start");
  start->setCursor(Qt::PointingHandCursor);
  // What the run waits for, and until when.
  auto* status = widgets::Widgets(bottom).Label("StatusLabel", "");
  auto* bottom_row = new QHBoxLayout(bottom);
  bottom_row->setContentsMargins(0, 0, 0, 0);
  bottom_row->addWidget(connect_holder);
  bottom_row->addWidget(status, 1);
  bottom_row->addWidget(start);

  auto* layout = new QVBoxLayout(sheet);
  layout->addWidget(body, 1);
  layout->addWidget(bottom);
  held.insert(held.end(), {label, queue, necbox, add, add_all, remove, remove_all, connect_holder});

  Bind(page.ListBox1, queue);
  Bind(page.Necbox, necbox);
  Bind(page.SpeedButton4, add, [&page] { page.SpeedButton4Click(); });
  Bind(page.SpeedButton2, add_all, [&page] { page.SpeedButton2Click(); });
  Bind(page.SpeedButton5, remove, [&page] { page.SpeedButton5Click(); });
  Bind(page.SpeedButton3, remove_all, [&page] { page.SpeedButton3Click(); });
  Bind(page.OutMemo, out);
  Bind(page.StatusLabel, status);
  widgets::OnDoubleClick(out, [&page] { page.OutMemoDblClick(); });
  Bind(page.ConnectButton, connect_button, [&page] { page.ConnectButtonClick(); });
  Bind(page.Startpnl, start, [&page] { page.StartpnlClick(); });
  // Its colours (yellow while connecting, green once attached) must not change its size:
  // nothing on the page moves under the engineer's pointer.
  start->setFixedSize(start->sizeHint());
  return sheet;
}

QWidget* OptionsSheet(ProsesPage& page, QWidget* parent) {
  auto* sheet = new QWidget(parent);
  sheet->setObjectName("TabSheet4");
  widgets::Widgets w(sheet);
  auto* filter_list = w.List("FilterListBox");
  auto* add_edit = w.Edit("AddEdit", "", true);
  auto* add = w.Button("AddBtn", "");
  auto* remove = w.Button("DelBtn", "");
  auto* filter = new QVBoxLayout;
  filter->addWidget(w.Label("Label1", "Filter for Cells:"));
  filter->addWidget(filter_list);
  filter->addWidget(add_edit);
  auto* filter_buttons = new QHBoxLayout;
  filter_buttons->addWidget(add);
  filter_buttons->addWidget(remove);
  filter->addLayout(filter_buttons);

  auto* procedure = new QGroupBox("Procedure", sheet);
  procedure->setObjectName("GroupBox1");
  auto* rxtei = new QRadioButton(procedure);
  auto* rxlti = new QRadioButton(procedure);
  rxtei->setObjectName("Rxteirbtn");
  rxlti->setObjectName("Rxltirbtn");
  auto* choice = new QVBoxLayout(procedure);
  choice->addWidget(rxtei);
  choice->addWidget(rxlti);
  auto* group = new QButtonGroup(procedure);
  group->addButton(rxtei);
  group->addButton(rxlti);

  auto* cf = w.Check("Cfcbox", "", true);
  auto* interval = w.Edit("ReleaseTimerEdit", "");
  auto* update = w.Button("ReleaseTimerButton", "");
  auto* beep = w.Check("BeepCheckBox", "", true);
  auto* options = new QVBoxLayout;
  options->addWidget(cf);
  options->addWidget(procedure);
  options->addWidget(w.Label("Label2", "Release interval (msec)"));
  auto* release = new QHBoxLayout;
  release->addWidget(interval);
  release->addWidget(update);
  options->addLayout(release);
  options->addWidget(beep);
  options->addStretch();

  auto* layout = new QHBoxLayout(sheet);
  layout->addLayout(filter);
  layout->addLayout(options);

  Bind(page.FilterListBox, filter_list);
  Bind(page.AddEdit, add_edit);
  Bind(page.AddBtn, add, [&page] { page.AddBtnClick(); });
  Bind(page.DelBtn, remove, [&page] { page.DelBtnClick(); });
  Bind(page.Cfcbox, cf);
  Bind(page.Rxteirbtn, rxtei);
  Bind(page.Rxltirbtn, rxlti);
  Bind(page.ReleaseTimerEdit, interval);
  Bind(page.ReleaseTimerButton, update, [&page] { page.ReleaseTimerButtonClick(); });
  Bind(page.BeepCheckBox, beep);
  return sheet;
}

}  // namespace

QWidget* BuildProsesView(ProsesPage& page, QWidget* parent) {
  auto* tab = new QWidget(parent);
  tab->setObjectName("TabSheet1");
  auto* inner = new QTabWidget(tab);
  inner->setObjectName("PageControl1");
  inner->setDocumentMode(true);  // flat-button tabs
  std::vector<QWidget*> held;
  inner->addTab(ProsesSheet(page, inner, held), "Proses");
  QWidget* options = OptionsSheet(page, inner);
  inner->addTab(options, "Options");
  held.push_back(options);
  held.push_back(inner->tabBar());
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(inner);
  // The page is disabled during a run, all but its Start/Stop panel, which keeps its own
  // enabled state, and its output pane.
  auto follow = [&page, held] {
    for (QWidget* part : held) part->setEnabled(page.TabSheet1.Enabled());
  };
  widgets::Follow(tab, page.TabSheet1.changed, follow);
  follow();
  return tab;
}

}  // namespace kestrel::proses
