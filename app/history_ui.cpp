#include "app/history_ui.h"

#include <QAction>
#include <QTimer>
#include <iostream>

#include "app/history_views.h"
#include "platform/dispatch.h"

namespace kestrel::app {

HistoryUi::HistoryUi(const platform::SiteSettings& site, dailycheck::DailyCheckPage& page,
                     platform::Files& files, platform::Messages& messages, QWidget* window)
    : QObject(window),
      page_(page),
      messages_(messages),
      window_(window),
      watch_(wall_, files, [this](const std::string& text) { Say(text); }),
      min_cycle_s_(site.dailycheck_min_cycle_s) {
  platform::HistorySettings settings;
  try {
    settings = platform::HistorySettings::Load(site.source_path);
  } catch (const std::exception& error) {
    Say(std::string(error.what()) + "; the history is kept with its defaults");
  }
  watch_.SetStore(settings.Open("", [this](const std::string& text) { Say(text); }));
  watch_.SetMetricsFile(settings.metrics_file);
  page_.SetPassWatch(&watch_);
}

HistoryUi::~HistoryUi() { page_.SetPassWatch(nullptr); }

// Said on standard error at once, and in a box once the handler that met it is done: a box
// inside the page's handler would hold its session.
void HistoryUi::Say(const std::string& text) {
  std::cerr << "kestrel: " << text << std::endl;
  QTimer::singleShot(0, window_,
                     [this, text] { platform::Dispatch([this, &text] { messages_.Warn(text); }); });
}

void HistoryUi::Install(QTabWidget* pages, QMenuBar* menu) {
  if (pages != nullptr) pages->addTab(new BoardWidget(*this, true, pages), "Board");
  QAction* last = menu->actions().isEmpty() ? nullptr : menu->actions().back();
  auto* view = new QMenu("View", menu);
  view->setObjectName("View1");
  view->addAction("Board", this, [this] { platform::Dispatch([this] { ShowBoard(); }); })
      ->setObjectName("Board1");
  view->addAction("History", this, [this] { platform::Dispatch([this] { ShowHistory(); }); })
      ->setObjectName("History1");
  menu->insertMenu(last, view);
}

void HistoryUi::ShowBoard() {
  if (board_window_ == nullptr) {
    board_window_ = new BoardWidget(*this, false, window_);
    board_window_->setWindowFlag(Qt::Window);
    board_window_->setWindowTitle("Kestrel - Daily check board");
    board_window_->setObjectName("BoardWindow");
    board_window_->resize(900, 640);
  }
  board_window_->show();
  board_window_->raise();
  board_window_->Refresh();
}

void HistoryUi::ShowHistory() {
  if (history_window_ == nullptr) {
    history_window_ = new HistoryWindow(*this, window_);
    history_window_->setWindowFlag(Qt::Window);
    history_window_->setWindowTitle("Kestrel - Daily check history");
    history_window_->setObjectName("HistoryWindow");
    history_window_->resize(1000, 700);
  }
  history_window_->show();
  history_window_->raise();
  history_window_->Refresh();
}

}  // namespace kestrel::app
