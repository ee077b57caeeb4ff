#include "pages/dailycheck/dailycheck_view.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMovie>
#include <QProgressBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "mml/network_elements.h"

namespace kestrel::dailycheck {

namespace {

// Alarms that are warned about only where the engineer removes them from this filter.
constexpr const char* kDefaultFilter[] = {
    "ALL CELL RESTRICTION ACTIVATED",
    "ALL RADIO X-CEIVER ADMINISTRATION",
    "ALL DIGITAL PATH FAULT SUPERVISION",
    "ALL DIGITAL PATH QUALITY SUPERVISION",
    "ALL CELL LOGICAL CHANNEL AVAILABILITY SUPERVISION",
    "ALL SYNCHRONOUS DIGITAL PATH QUALITY SUPERVISION",
    "ALL SYNCHRONOUS DIGITAL PATH FAULT SUPERVISION",
    "ALL CCITT7 SIGNALLING LINK MANUALLY DEACTIVATED",
    "ALL COMMON CHARGING OUTPUT USER FILE MANUALLY BLOCKED",
    "ALL SWITCHING NETWORK TERMINAL MANUALLY BLOCKED",
    "ALL SYSTEM STATE",
    "ALL BACKUP INFORMATION FAULT",
    "ALL MT FAILED AUTHENTICATION",
    "ALL MT IMEI SUPERVISION LOG FAULT",
    "ALL DIGITAL PATH UNAVAILABLE STATE FAULT",
    "ALL FILE NOTIFICATION, AP CDH, ACKNOWLEDGEMENT NOT RECEIVED",
    "ALL DATA OUTPUT, AP COMMON DESTINATION HANDLING, DESTINATION FAULT",
    "ALL ROUTE RESTRICTION ACTIVATED",
    "ALL CP STATE NOT NORMAL",
    "ALL SEMIPERMANENT CONNECTION FAULT",
    "ALL BLOCKING SUPERVISION",
    "ALL HLR SUBSCRIBERS WITH INCOMPATIBLE DATA SUPERVISION",
    "ALL EVENT REPORTING THRESHOLD REACHED",
    "ALL URC BLOCKED",
    "ALL CCITT7 DISTURBANCE SUPERVISION LIMIT REACHED",
};

QToolButton* PictureButton(QWidget* parent, const char* name, const QString& hint,
                           QStyle::StandardPixmap picture) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setIcon(parent->style()->standardIcon(picture));
  button->setEnabled(false);
  return button;
}

QWidget* AutoSolutionSheet(QWidget* parent) {
  auto* sheet = new QWidget(parent);
  app::Widgets w(sheet);
  auto* checks = new QVBoxLayout;
  const std::tuple<const char*, const char*, bool> boxes[] = {
      {"SeqarCheckBox", "SEQAR", true},
      {"SetarCheckBox", "SETAR", true},
      {"SoftErrorCheckBox", "SoftwareError (xususi hal ucun)", false},
      {"PermanentCheckBox", "Pemanent fault: DXU", false},
      {"NearendCheckBox", "Near end", true},
      {"EnumCheckBox", "Enum", true},
      {"SaeCheckBox", "SAE", false},
      {"SoundCheckBox", "Sound", true}};
  for (const auto& [name, caption, checked] : boxes)
    checks->addWidget(w.Check(name, caption, checked));
  checks->addStretch();
  auto* layout = new QHBoxLayout(sheet);
  layout->addWidget(w.Memo("Memokom"), 1);
  layout->addLayout(checks);
  return sheet;
}

QWidget* WarningSheet(QWidget* parent) {
  auto* sheet = new QWidget(parent);
  app::Widgets w(sheet);
  auto* filter_memo = w.Memo("FilterMemo");
  for (const char* line : kDefaultFilter) filter_memo->appendPlainText(line);
  filter_memo->moveCursor(QTextCursor::Start);
  std::vector<std::string> scopes = {"ALL"};
  const auto& elements = mml::NetworkElementPickList();
  scopes.insert(scopes.end(), elements.begin(), elements.end());

  auto* box = new QGroupBox(" Filter ", sheet);
  app::Widgets b(box);
  auto* controls = new QGridLayout(box);
  controls->addWidget(b.Combo("ComboBox1", scopes, "ALL"), 0, 0);
  controls->addWidget(b.Combo("ComboBox2", {}, "", -1, true), 0, 1);
  controls->addWidget(b.Button("Button4", "Add", false), 1, 0);
  controls->addWidget(b.Button("Button5", "Save as.. Filter", false), 1, 1);
  controls->addWidget(b.Button("Button6", "Load Filter", false), 1, 2);
  auto* layout = new QVBoxLayout(sheet);
  layout->addWidget(filter_memo);
  layout->addWidget(box);
  return sheet;
}

QWidget* SoundSheet(QWidget* parent, const QString& sounds_folder) {
  auto* sheet = new QWidget(parent);
  auto* box = new QGroupBox("GroupBox4", sheet);
  app::Widgets b(box);
  auto* files = b.List("FileListBox1");
  const QDir nods(sounds_folder + "/nods");
  for (const QString& file : nods.entryList({"*.wav"}, QDir::Files, QDir::Name))
    files->addItem(file);
  auto* inner = new QGridLayout(box);
  inner->addWidget(files, 0, 0, 3, 1);
  inner->addWidget(b.Button("Button7", "Open", false), 0, 1);
  inner->addWidget(b.Button("Button8", "Test location", false), 1, 1);
  auto* layout = new QVBoxLayout(sheet);
  layout->addWidget(box);
  return sheet;
}

}  // namespace

QWidget* BuildDailyCheckView(QWidget* parent, const QString& sounds_folder) {
  auto* tab = new QWidget(parent);
  tab->setObjectName("TabSheet7");
  app::Widgets w(tab);
  const auto& elements = mml::NetworkElementPickList();

  auto* list_side = new QVBoxLayout;
  list_side->addWidget(w.Combo("Nedc", elements, QString::fromStdString(elements.front())));
  auto* list = w.List("ListBoxdc");
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_side->addWidget(list);
  auto* edit = new QHBoxLayout;
  edit->addWidget(PictureButton(tab, "Adddc", "Add", QStyle::SP_FileDialogNewFolder));
  edit->addWidget(PictureButton(tab, "Button3", "Add all", QStyle::SP_FileDialogListView));
  edit->addWidget(PictureButton(tab, "Deletedc", "Delete", QStyle::SP_TrashIcon));
  edit->addWidget(PictureButton(tab, "Deletealldc", "Delete all", QStyle::SP_DialogResetButton));
  list_side->addLayout(edit);
  auto* run = new QHBoxLayout;
  run->addWidget(PictureButton(tab, "Startdc", "Start", QStyle::SP_MediaPlay));
  run->addWidget(PictureButton(tab, "Stopdc", "Stop", QStyle::SP_MediaStop));
  auto* busy = new QProgressBar(tab);
  busy->setObjectName("Animate2");
  busy->setRange(0, 0);
  busy->setMaximumHeight(10);
  busy->hide();
  run->addWidget(busy);
  list_side->addLayout(run);

  auto* pages = new QTabWidget(tab);
  pages->setObjectName("PageControl3");
  app::Widgets p(pages);
  pages->addTab(p.Memo("Memoreportdc", true), "Report");
  pages->addTab(p.Terminal("Memodc"), "Work");
  pages->addTab(AutoSolutionSheet(pages), "Auto solution");
  pages->addTab(WarningSheet(pages), "Warning");
  pages->addTab(SoundSheet(pages, sounds_folder), "Sound");

  auto* buffer = w.Memo("Memobufdc", true);
  buffer->setFixedSize(49, 49);
  buffer->setEnabled(false);

  auto* layout = new QGridLayout(tab);
  layout->addLayout(list_side, 0, 0);
  layout->addWidget(pages, 0, 1, 2, 1);
  layout->addWidget(buffer, 1, 0, Qt::AlignRight | Qt::AlignBottom);
  layout->setColumnStretch(1, 1);
  return tab;
}

}  // namespace kestrel::dailycheck
