#include "pages/dailycheck/dailycheck_view.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "widgets/bindings.h"
#include "widgets/widgets.h"

namespace kestrel::dailycheck {

namespace {

using widgets::Bind;

QToolButton* PictureButton(QWidget* parent, const char* name, const QString& hint,
                           QStyle::StandardPixmap picture) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setIcon(parent->style()->standardIcon(picture));
  return button;
}

QWidget* AutoSolutionSheet(DailyCheckPage& page, QWidget* parent) {
  auto* sheet = new QWidget(parent);
  widgets::Widgets w(sheet);
  auto* queue = w.Memo("Memokom");
  auto* checks = new QVBoxLayout;
  const std::pair<const char*, controls::CheckBox*> boxes[] = {
      {"SeqarCheckBox", &page.SeqarCheckBox},
      {"SetarCheckBox", &page.SetarCheckBox},
      {"SoftErrorCheckBox", &page.SoftErrorCheckBox},
      {"PermanentCheckBox", &page.PermanentCheckBox},
      {"NearendCheckBox", &page.NearendCheckBox},
      {"EnumCheckBox", &page.EnumCheckBox},
      {"SaeCheckBox", &page.SaeCheckBox},
      {"SoundCheckBox", &page.SoundCheckBox}};
  for (const auto& [name, model] : boxes) {
    auto* box = w.Check(name, "", model->Checked());
    Bind(*model, box);
    checks->addWidget(box);
  }
  checks->addStretch();
  auto* layout = new QHBoxLayout(sheet);
  layout->addWidget(queue, 1);
  layout->addLayout(checks);
  Bind(page.Memokom, queue);
  return sheet;
}

QWidget* WarningSheet(DailyCheckPage& page, QWidget* parent) {
  auto* sheet = new QWidget(parent);
  widgets::Widgets w(sheet);
  auto* filter = w.Memo("FilterMemo");
  auto* box = new QGroupBox(" Filter ", sheet);
  widgets::Widgets b(box);
  auto* scope = new QComboBox(box);
  scope->setObjectName("ComboBox1");
  auto* alarm = b.Combo("ComboBox2", {}, "", -1, true);  // typed alarm texts are upper case
  auto* add = b.Button("Button4", "");
  auto* save = b.Button("Button5", "");
  auto* load = b.Button("Button6", "");
  auto* controls = new QGridLayout(box);
  controls->addWidget(scope, 0, 0);
  controls->addWidget(alarm, 0, 1, 1, 2);
  controls->addWidget(add, 1, 0);
  controls->addWidget(save, 1, 1);
  controls->addWidget(load, 1, 2);
  auto* layout = new QVBoxLayout(sheet);
  layout->addWidget(filter);
  layout->addWidget(box);

  Bind(page.FilterMemo, filter);
  Bind(page.ComboBox1, scope);
  Bind(page.ComboBox2, alarm);
  Bind(page.Button4, add, [&page] { page.Button4Click(); });
  Bind(page.Button5, save, [&page] { page.Button5Click(); });
  Bind(page.Button6, load, [&page] { page.Button6Click(); });
  return sheet;
}

QWidget* SoundSheet(DailyCheckPage& page, QWidget* parent) {
  auto* sheet = new QWidget(parent);
  auto* box = new QGroupBox("GroupBox4", sheet);
  widgets::Widgets b(box);
  auto* files = b.List("FileListBox1");
  auto* folder = b.Label("FileListFolder", "");
  auto* open = b.Button("Button7", "");
  auto* test = b.Button("Button8", "");
  auto* inner = new QGridLayout(box);
  inner->addWidget(folder, 0, 0, 1, 2);
  inner->addWidget(files, 1, 0, 3, 1);
  inner->addWidget(open, 1, 1);
  inner->addWidget(test, 2, 1);
  auto* layout = new QVBoxLayout(sheet);
  layout->addWidget(box);
  Bind(page.FileListBox1, files);
  Bind(page.FileListFolder, folder);
  widgets::OnDoubleClick(files, [&page] { page.FileListBox1DblClick(); });
  Bind(page.Button7, open, [&page] { page.Button7Click(); });
  Bind(page.Button8, test, [&page] { page.Button8Click(); });
  return sheet;
}

}  // namespace

QWidget* BuildDailyCheckView(DailyCheckPage& page, QWidget* parent) {
  auto* tab = new QWidget(parent);
  tab->setObjectName("TabSheet7");
  widgets::Widgets w(tab);

  auto* nedc = new QComboBox(tab);
  nedc->setObjectName("Nedc");
  auto* list = w.List("ListBoxdc");
  auto* add = PictureButton(tab, "Adddc", "Add", QStyle::SP_FileDialogNewFolder);
  auto* add_all = PictureButton(tab, "Button3", "Add all", QStyle::SP_FileDialogListView);
  auto* remove = PictureButton(tab, "Deletedc", "Delete", QStyle::SP_TrashIcon);
  auto* remove_all = PictureButton(tab, "Deletealldc", "Delete all", QStyle::SP_DialogResetButton);
  auto* start = PictureButton(tab, "Startdc", "Start", QStyle::SP_MediaPlay);
  auto* stop = PictureButton(tab, "Stopdc", "Stop", QStyle::SP_MediaStop);
  auto* busy = new QProgressBar(tab);
  busy->setObjectName("Animate2");
  busy->setRange(0, 0);
  busy->setMaximumHeight(10);
  widgets::KeepRoomWhenHidden(busy);  // Start and Stop stay where the engineer aims at them

  auto* list_side = new QVBoxLayout;
  list_side->addWidget(nedc);
  list_side->addWidget(list);
  auto* edit = new QHBoxLayout;
  for (QToolButton* button : {add, add_all, remove, remove_all}) edit->addWidget(button);
  list_side->addLayout(edit);
  auto* run = new QHBoxLayout;
  run->addWidget(start);
  run->addWidget(stop);
  run->addWidget(busy);
  list_side->addLayout(run);

  auto* pages = new QTabWidget(tab);
  pages->setObjectName("PageControl3");
  widgets::Widgets p(pages);
  auto* report = p.Memo("Memoreportdc", true);
  auto* work = p.Terminal("Memodc");
  pages->addTab(report, "Report");
  pages->addTab(work, "Work");
  pages->addTab(AutoSolutionSheet(page, pages), "Auto solution");
  pages->addTab(WarningSheet(page, pages), "Warning");
  pages->addTab(SoundSheet(page, pages), "Sound");

  auto* buffer = w.Memo("Memobufdc", true);
  buffer->setFixedSize(49, 49);
  buffer->setEnabled(false);

  // What the loop does or waits for, and until when: a wait is never a silent page.
  auto* status = w.Label("Statusdc", "");
  status->setWordWrap(true);

  auto* layout = new QGridLayout(tab);
  layout->addLayout(list_side, 0, 0);
  layout->addWidget(pages, 0, 1, 2, 1);
  layout->addWidget(buffer, 1, 0, Qt::AlignRight | Qt::AlignBottom);
  layout->addWidget(status, 2, 0, 1, 2);
  layout->setColumnStretch(1, 1);

  Bind(page.Nedc, nedc);
  Bind(page.ListBoxdc, list);
  Bind(page.Adddc, add, [&page] { page.AdddcClick(); });
  Bind(page.Button3, add_all, [&page] { page.Button3Click(); });
  Bind(page.Deletedc, remove, [&page] { page.DeletedcClick(); });
  Bind(page.Deletealldc, remove_all, [&page] { page.DeletealldcClick(); });
  Bind(page.Startdc, start, [&page] { page.StartdcClick(); });
  Bind(page.Stopdc, stop, [&page] { page.StopdcClick(); });
  Bind(page.Animate2, busy);
  Bind(page.Statusdc, status);
  Bind(page.Memoreportdc, report);
  Bind(page.Memodc, work);
  Bind(page.Memobufdc, buffer);
  return tab;
}

}  // namespace kestrel::dailycheck
