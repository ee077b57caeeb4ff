#include "app/history_views.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QInputDialog>
#include <QLineSeries>
#include <QMessageBox>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <set>

#include "mml/text.h"
#include "platform/dispatch.h"
#include "platform/qt_ports.h"

namespace kestrel::app {

using dailycheck::AlarmRecord;
using dailycheck::ElementState;
using dailycheck::TileState;

namespace {

QString Local(std::int64_t utc, const char* format = "yyyy-MM-dd HH:mm") {
  return QDateTime::fromSecsSinceEpoch(utc).toString(format);
}

// "3 min", "2 h", "4 d": how long ago.
QString Age(std::int64_t seconds) {
  if (seconds < 90) return QString::number(std::max<std::int64_t>(seconds, 0)) + " s";
  if (seconds < 90 * 60) return QString::number(seconds / 60) + " min";
  if (seconds < 36 * 3600) return QString::number(seconds / 3600) + " h";
  return QString::number(seconds / 86400) + " d";
}

// Text from a printout or a note, as one line with its control characters shown escaped.
QString Printed(const std::string& text) {
  return QString::fromStdString(dailycheck::Escaped(text));
}

struct Look {
  const char* colour;
  const char* meaning;
};
Look LookOf(TileState state) {
  switch (state) {
    case TileState::kUnchecked:
      return {"#9e9e9e", "could not be checked"};
    case TileState::kBlocked:
      return {"#b266d6", "objects may still be blocked"};
    case TileState::kWarned:
      return {"#e05545", "warned alarms"};
    case TileState::kFiltered:
      return {"#f2c14e", "alarms, none warned"};
    case TileState::kClear:
      break;
  }
  return {"#6cc070", "checked, no alarm"};
}

QTableWidget* MakeTable(QWidget* parent, const QStringList& headers, const char* name) {
  auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  table->setObjectName(name);
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& values) {
  for (int c = 0; c < values.size(); ++c) table->setItem(row, c, new QTableWidgetItem(values[c]));
}

QString Acknowledgement(const AlarmRecord& alarm) {
  if (alarm.ack_by.empty()) return "";
  QString text = Printed(alarm.ack_by) + " " + (alarm.ack_at ? Local(*alarm.ack_at) : "");
  if (!alarm.ack_note.empty()) text += ": " + Printed(alarm.ack_note);
  return text;
}

}  // namespace

BoardWidget::BoardWidget(HistoryUi& ui, bool compact, QWidget* parent)
    : QWidget(parent), ui_(ui), compact_(compact) {
  setObjectName(compact ? "BoardTab" : "Board");
  heartbeat_ = new QLabel(this);
  heartbeat_->setObjectName("BoardHeartbeat");
  heartbeat_->setWordWrap(true);
  heartbeat_->setTextFormat(Qt::RichText);
  tiles_ = new QWidget;
  grid_ = new QGridLayout(tiles_);
  grid_->setSpacing(4);
  grid_->setContentsMargins(2, 2, 2, 2);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(tiles_);
  scroll->setWidgetResizable(true);
  title_ = new QLabel("Click an element for its alarms and passes", this);
  title_->setObjectName("BoardTitle");
  alarms_ = MakeTable(this, {"Class", "Number", "Slogan", "Since", "Count", "Acknowledged"},
                      "BoardAlarms");
  passes_ =
      MakeTable(this, {"Started", "Ended", "Ending", "Alarms", "Warnings", "Solutions", "Blocked"},
                "BoardPasses");
  acknowledge_ = new QPushButton("Acknowledge...", this);
  acknowledge_->setObjectName("BoardAcknowledge");
  acknowledge_->setEnabled(false);
  connect(acknowledge_, &QPushButton::clicked, this,
          [this] { platform::Dispatch([this] { Acknowledge(); }); });
  connect(alarms_, &QTableWidget::itemSelectionChanged, this,
          [this] { acknowledge_->setEnabled(!alarms_->selectedItems().isEmpty()); });

  auto* detail = new QWidget(this);
  auto* detail_layout = new QVBoxLayout(detail);
  detail_layout->setContentsMargins(0, 0, 0, 0);
  auto* head = new QHBoxLayout;
  head->addWidget(title_, 1);
  head->addWidget(acknowledge_);
  detail_layout->addLayout(head);
  auto* tables = new QSplitter(compact ? Qt::Vertical : Qt::Horizontal, detail);
  tables->addWidget(alarms_);
  tables->addWidget(passes_);
  tables->setSizes({560, 440});
  detail_layout->addWidget(tables, 1);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(scroll);
  split->addWidget(detail);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(compact ? 2 : 8, compact ? 2 : 8, compact ? 2 : 8, compact ? 2 : 8);
  layout->addWidget(heartbeat_);
  layout->addWidget(split, 1);

  refresh_.setInterval(5000);
  connect(&refresh_, &QTimer::timeout, this, [this] {
    if (isVisible()) Refresh();
  });
  refresh_.start();
}

void BoardWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
}

void BoardWidget::Refresh() {
  dailycheck::HistoryStore* store = ui_.Store();
  const std::int64_t now = QDateTime::currentSecsSinceEpoch();
  std::vector<ElementState> board;
  dailycheck::Heartbeat beat;
  QString problem;
  if (store == nullptr) {
    problem = "The history is off ([history] enabled=false): the board has nothing to show.";
  } else {
    try {
      board = store->Board();
      beat = store->LastCycle();
    } catch (const std::exception& error) {
      problem = "The history cannot be read: " + QString::fromStdString(error.what());
    }
  }
  // The page's own list first, in its order, then what only the history knows.
  std::map<std::string, const ElementState*> known;
  for (const ElementState& state : board) known[state.element] = &state;
  std::vector<std::string> order;
  std::set<std::string> listed;
  for (const std::string& element : ui_.Page().ListBoxdc.Items()) {
    const std::string name = mml::Printable(element);
    if (listed.insert(name).second) order.push_back(name);
  }
  for (const ElementState& state : board) {
    if (listed.insert(state.element).second) order.push_back(state.element);
  }
  const std::int64_t cycle = dailycheck::CycleSeconds(beat, ui_.MinCycleSeconds());
  QString head = problem;
  if (head.isEmpty()) {
    if (dailycheck::WatcherSilent(beat, now, cycle)) {
      head = "<b style='color:#c62828'>watcher silent since " + Local(beat.last_cycle, "HH:mm") +
             "</b>";
    } else if (beat.last_cycle > 0) {
      head = "Last cycle " + Local(beat.last_cycle, "HH:mm:ss") + " (" +
             Age(now - beat.last_cycle) + " ago)";
    } else {
      head = "No cycle over the list has ended yet";
    }
    head += QString(" &middot; %1 element(s) &nbsp; ").arg(order.size());
    for (const TileState state : {TileState::kClear, TileState::kFiltered, TileState::kWarned,
                                  TileState::kBlocked, TileState::kUnchecked}) {
      const Look look = LookOf(state);
      head += QString("<span style='background:%1'>&nbsp;&nbsp;&nbsp;</span> %2 &nbsp;")
                  .arg(look.colour, look.meaning);
    }
  }
  heartbeat_->setText(head);

  while (QLayoutItem* item = grid_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  const int columns = compact_ ? 3 : 6;
  int i = 0;
  for (const std::string& element : order) {
    auto* tile = new QToolButton(tiles_);
    tile->setObjectName(QString::fromStdString("Tile_" + element));
    tile->setMinimumSize(compact_ ? 104 : 132, compact_ ? 50 : 62);
    tile->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const auto found = known.find(element);
    QString text = QString::fromStdString(element);
    QString colour = "#e0e0e0", tip = "no pass yet", border = "1px solid #707070";
    if (found != known.end()) {
      const ElementState& state = *found->second;
      const Look look = LookOf(dailycheck::StateOf(state));
      colour = look.colour;
      tip = look.meaning;
      text += QString("\n%1 active").arg(state.active);
      if (state.acknowledged > 0) text += QString(", %1 ack").arg(state.acknowledged);
      text += "\n" + Local(state.last_pass, "HH:mm") + " (" + Age(now - state.last_pass) + ")";
      if (dailycheck::Stale(state.last_pass, now, cycle)) {
        text += " stale";
        tip += "; stale: its last pass is older than three cycles";
        border = "3px dashed #424242";
      }
      if (!state.up)
        tip +=
            " (" + QString::fromStdString(std::string(dailycheck::EndingName(state.ending))) + ")";
    }
    tile->setText(text);
    tile->setToolTip(tip);
    tile->setStyleSheet(QString("QToolButton { background: %1; border: %2; border-radius: 4px; "
                                "font-weight: %3; }")
                            .arg(colour, border, element == shown_ ? "bold" : "normal"));
    connect(tile, &QToolButton::clicked, this,
            [this, element] { platform::Dispatch([this, element] { ShowElement(element); }); });
    grid_->addWidget(tile, i / columns, i % columns);
    ++i;
  }
  grid_->setRowStretch(i / columns + 1, 1);
  if (!shown_.empty()) ShowElement(shown_);
}

void BoardWidget::ShowElement(const std::string& element) {
  shown_ = element;
  dailycheck::HistoryStore* store = ui_.Store();
  alarms_->setRowCount(0);
  passes_->setRowCount(0);
  alarm_ids_.clear();
  if (store == nullptr) return;
  std::vector<AlarmRecord> alarms;
  std::vector<dailycheck::PassSummary> passes;
  try {
    dailycheck::AlarmQuery query;
    query.element = element;
    query.active_only = true;
    alarms = store->Alarms(query);
    passes = store->RecentPasses(element, 20);
  } catch (const std::exception& error) {
    title_->setText(QString::fromStdString(element) + ": " + error.what());
    return;
  }
  title_->setText(QString("<b>%1</b>: %2 active alarm(s)")
                      .arg(QString::fromStdString(element).toHtmlEscaped())
                      .arg(alarms.size()));
  alarms_->setRowCount(static_cast<int>(alarms.size()));
  for (int r = 0; r < static_cast<int>(alarms.size()); ++r) {
    const AlarmRecord& a = alarms[static_cast<std::size_t>(r)];
    alarm_ids_.push_back(a.id);
    SetRow(alarms_, r,
           {Printed(a.alarm_class), Printed(a.number), Printed(a.slogan), Local(a.first_seen),
            QString::number(a.count), Acknowledgement(a)});
  }
  passes_->setRowCount(static_cast<int>(passes.size()));
  for (int r = 0; r < static_cast<int>(passes.size()); ++r) {
    const auto& p = passes[static_cast<std::size_t>(r)];
    QString ending = QString::fromStdString(std::string(dailycheck::EndingName(p.ending)));
    if (!p.detail.empty()) ending += ": " + Printed(p.detail);
    SetRow(passes_, r,
           {Local(p.started, "MM-dd HH:mm:ss"), Local(p.ended, "HH:mm:ss"), ending,
            QString::number(p.alarms), QString::number(p.warnings), QString::number(p.solutions),
            Printed(p.blocked)});
  }
  alarms_->resizeColumnsToContents();
  passes_->resizeColumnsToContents();
}

void BoardWidget::Acknowledge() {
  const QString note = QInputDialog::getMultiLineText(
      this, "Acknowledge alarm",
      "Note (kept with the alarm, also after it clears; the Daily check's commands do not "
      "change):");
  if (note.isNull()) return;
  AcknowledgeSelected(note);
}

// Only the history changes: the page's commands, warnings and solutions are its own.
void BoardWidget::AcknowledgeSelected(const QString& note) {
  dailycheck::HistoryStore* store = ui_.Store();
  if (store == nullptr) return;
  std::set<int> rows;
  for (const QTableWidgetItem* item : alarms_->selectedItems()) rows.insert(item->row());
  const std::int64_t now = QDateTime::currentSecsSinceEpoch();
  for (const int row : rows) {
    if (row < 0 || row >= static_cast<int>(alarm_ids_.size())) continue;
    store->Acknowledge(alarm_ids_[static_cast<std::size_t>(row)], platform::LoggedInUser(), now,
                       note.toStdString());
  }
  Refresh();  // the tile counts it, the table shows it
}

HistoryWindow::HistoryWindow(HistoryUi& ui, QWidget* parent) : QWidget(parent), ui_(ui) {
  From = new QDateEdit(QDate::currentDate().addDays(-29), this);
  From->setObjectName("HistoryFrom");
  To = new QDateEdit(QDate::currentDate(), this);
  To->setObjectName("HistoryTo");
  for (QDateEdit* edit : {From, To}) {
    edit->setCalendarPopup(true);
    edit->setDisplayFormat("yyyy-MM-dd");
  }
  Element = new QComboBox(this);
  Element->setObjectName("HistoryElement");
  Element->setEditable(true);
  Element->setMinimumWidth(110);
  Text = new QLineEdit(this);
  Text->setObjectName("HistoryText");
  Text->setPlaceholderText("slogan, number, class or note");
  ActiveOnly = new QCheckBox("Active only", this);
  auto* show = new QPushButton("Show", this);
  show->setObjectName("HistoryShow");
  auto* export_csv = new QPushButton("Export CSV...", this);
  export_csv->setObjectName("HistoryExport");
  connect(show, &QPushButton::clicked, this, [this] { platform::Dispatch([this] { Refresh(); }); });
  connect(Text, &QLineEdit::returnPressed, this,
          [this] { platform::Dispatch([this] { Refresh(); }); });
  connect(export_csv, &QPushButton::clicked, this, [this] {
    platform::Dispatch([this] {
      const QString path = QFileDialog::getSaveFileName(this, "Export the alarms as CSV",
                                                        "alarms.csv", "CSV (*.csv)");
      if (!path.isEmpty()) Export(path);
    });
  });
  auto* filters = new QHBoxLayout;
  for (auto [label, widget] : std::initializer_list<std::pair<const char*, QWidget*>>{
           {"From", From}, {"to", To}, {"Element", Element}, {"Text", Text}}) {
    filters->addWidget(new QLabel(label, this));
    filters->addWidget(widget, widget == Text ? 1 : 0);
  }
  filters->addWidget(ActiveOnly);
  filters->addWidget(show);
  filters->addWidget(export_csv);

  Table = MakeTable(this,
                    {"Element", "Class", "Number", "Slogan", "First seen", "Last seen", "Cleared",
                     "Count", "Acknowledged by", "at", "Note"},
                    "HistoryTable");
  per_day_ = new QChartView(this);
  per_day_->setObjectName("HistoryPerDay");
  per_day_->setRenderHint(QPainter::Antialiasing);
  slogans_ = new QChartView(this);
  slogans_->setObjectName("HistorySlogans");
  status_ = new QLabel(this);
  auto* charts = new QSplitter(Qt::Horizontal, this);
  charts->addWidget(per_day_);
  charts->addWidget(slogans_);
  charts->setSizes({520, 480});
  per_day_->setMinimumHeight(300);
  slogans_->setMinimumHeight(300);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(Table);
  split->addWidget(charts);
  split->setSizes({260, 400});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(split, 1);
  layout->addWidget(status_);
}

void HistoryWindow::Refresh() {
  dailycheck::HistoryStore* store = ui_.Store();
  if (store == nullptr) {
    status_->setText("The history is off ([history] enabled=false)");
    return;
  }
  const std::int64_t since = QDateTime(From->date(), QTime(0, 0)).toSecsSinceEpoch();
  const std::int64_t until = QDateTime(To->date().addDays(1), QTime(0, 0)).toSecsSinceEpoch();
  dailycheck::AlarmQuery query;
  query.since = since;
  query.until = until;
  query.element = Element->currentText().trimmed().toStdString();
  query.text = Text->text().toStdString();
  query.active_only = ActiveOnly->isChecked();
  std::vector<AlarmRecord> alarms;
  try {
    alarms = store->Alarms(query);
    if (Element->count() == 0) {
      Element->addItem("");
      for (const ElementState& state : store->Board())
        Element->addItem(QString::fromStdString(state.element));
    }
  } catch (const std::exception& error) {
    status_->setText(QString("The history cannot be read: ") + error.what());
    return;
  }
  const std::int64_t now = QDateTime::currentSecsSinceEpoch();
  rows_.clear();
  Table->setRowCount(static_cast<int>(alarms.size()));
  for (int r = 0; r < static_cast<int>(alarms.size()); ++r) {
    const AlarmRecord& a = alarms[static_cast<std::size_t>(r)];
    auto iso = [](const std::optional<std::int64_t>& t) {
      return t ? dailycheck::IsoTime(*t) : std::string();
    };
    rows_.push_back({a.element, a.alarm_class, a.number, a.slogan, iso(a.first_seen),
                     iso(a.last_seen), iso(a.cleared), std::to_string(a.count), a.ack_by,
                     iso(a.ack_at), a.ack_note});
    SetRow(Table, r,
           {Printed(a.element), Printed(a.alarm_class), Printed(a.number), Printed(a.slogan),
            Local(a.first_seen), Local(a.last_seen), a.cleared ? Local(*a.cleared) : "active",
            QString::number(a.count), Printed(a.ack_by), a.ack_at ? Local(*a.ack_at) : "",
            Printed(a.ack_note)});
  }
  Table->resizeColumnsToContents();

  const auto offset = static_cast<std::int64_t>(QDateTime::currentDateTime().offsetFromUtc());
  const dailycheck::Trends trends = dailycheck::TrendsOf(alarms, since, until, now, offset, 10);
  // The elements with the most alarm-days, one line each; the others together.
  std::vector<std::pair<long, std::string>> weight;
  for (const auto& [element, days] : trends.active) {
    long total = 0;
    for (const int n : days) total += n;
    weight.emplace_back(-total, element);
  }
  std::sort(weight.begin(), weight.end());
  constexpr std::size_t kLines = 8;
  auto* chart = new QChart;
  chart->setTitle("Active alarms per element per day");
  auto* x = new QDateTimeAxis;
  x->setFormat("MM-dd");
  auto* y = new QValueAxis;
  y->setLabelFormat("%d");
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  std::vector<int> others(trends.days.size());
  int most = 1;
  for (std::size_t i = 0; i < weight.size(); ++i) {
    const std::vector<int>& days = trends.active.at(weight[i].second);
    if (i >= kLines) {
      for (std::size_t d = 0; d < days.size(); ++d) others[d] += days[d];
      continue;
    }
    auto* line = new QLineSeries;
    line->setName(Printed(weight[i].second));
    for (std::size_t d = 0; d < days.size(); ++d) {
      line->append(static_cast<double>(trends.days[d] + 43200) * 1000.0, days[d]);
      most = std::max(most, days[d]);
    }
    chart->addSeries(line);
    line->attachAxis(x);
    line->attachAxis(y);
  }
  if (weight.size() > kLines) {
    auto* line = new QLineSeries;
    line->setName("others");
    for (std::size_t d = 0; d < others.size(); ++d) {
      line->append(static_cast<double>(trends.days[d] + 43200) * 1000.0, others[d]);
      most = std::max(most, others[d]);
    }
    chart->addSeries(line);
    line->attachAxis(x);
    line->attachAxis(y);
  }
  if (!trends.days.empty()) {
    x->setRange(QDateTime::fromSecsSinceEpoch(trends.days.front()),
                QDateTime::fromSecsSinceEpoch(trends.days.back() + 86400));
  }
  y->setRange(0, most + 1);
  y->setTickCount(std::min(most + 2, 11));
  chart->legend()->setAlignment(Qt::AlignRight);
  QChart* old = per_day_->chart();
  per_day_->setChart(chart);
  delete old;

  auto* bars = new QChart;
  bars->setTitle("Most frequent slogans");
  auto* set = new QBarSet("alarms");
  QStringList names;
  for (auto it = trends.slogans.rbegin(); it != trends.slogans.rend(); ++it) {
    *set << it->second;
    names << Printed(it->first).left(36);
  }
  auto* series = new QHorizontalBarSeries;
  series->append(set);
  bars->addSeries(series);
  auto* categories = new QBarCategoryAxis;
  categories->append(names);
  bars->addAxis(categories, Qt::AlignLeft);
  series->attachAxis(categories);
  auto* count = new QValueAxis;
  count->setLabelFormat("%d");
  int top = 1;
  for (const auto& slogan : trends.slogans) top = std::max(top, slogan.second);
  count->setRange(0, top);
  count->setTickCount(std::min(top + 1, 11));
  bars->addAxis(count, Qt::AlignBottom);
  series->attachAxis(count);
  bars->legend()->hide();
  old = slogans_->chart();
  slogans_->setChart(bars);
  delete old;

  status_->setText(
      QString("%1 alarm(s) from %2 to %3")
          .arg(alarms.size())
          .arg(From->date().toString("yyyy-MM-dd"), To->date().toString("yyyy-MM-dd")));
}

bool HistoryWindow::Export(const QString& path) {
  std::string text =
      dailycheck::CsvRow({"element", "class", "number", "slogan", "first_seen", "last_seen",
                          "cleared", "count", "ack_by", "ack_at", "ack_note"});
  for (const auto& row : rows_) text += dailycheck::CsvRow(row);
  try {
    platform::DiskFiles().WriteWhole(path.toStdString(), text);
  } catch (const std::exception& error) {
    QMessageBox::warning(
        this, "Kestrel",
        "The alarms were not exported to " + path + ": " + QString::fromStdString(error.what()));
    return false;
  }
  status_->setText(QString("%1 alarm(s) exported to %2").arg(rows_.size()).arg(path));
  return true;
}

}  // namespace kestrel::app
