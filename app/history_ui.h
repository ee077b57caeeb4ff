#pragma once

#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QTabWidget>
#include <memory>
#include <string>

#include "pages/dailycheck/dailycheck_page.h"
#include "pages/dailycheck/history.h"
#include "platform/history_settings.h"
#include "platform/ports.h"
#include "platform/site_settings.h"

namespace kestrel::app {

class BoardWidget;
class HistoryWindow;

// The Daily check's history in the program: the watch its page reports each pass to, the
// board (a tab beside the page's own and a window of the View menu) and the history view.
class HistoryUi : public QObject {
  Q_OBJECT

 public:
  HistoryUi(const platform::SiteSettings& site, dailycheck::DailyCheckPage& page,
            platform::Files& files, platform::Messages& messages, QWidget* window);
  ~HistoryUi() override;

  // The board as a tab of `pages`, and the View menu before the menu bar's last entry.
  void Install(QTabWidget* pages, QMenuBar* menu);
  void ShowBoard();
  void ShowHistory();

  dailycheck::PassWatch& Watch() { return watch_; }
  dailycheck::HistoryStore* Store() { return watch_.Store(); }
  const dailycheck::DailyCheckPage& Page() const { return page_; }
  std::int64_t MinCycleSeconds() const { return min_cycle_s_; }
  // The notice of a failing store, shown once in a box after the running handler.
  void Say(const std::string& text);

 private:
  dailycheck::DailyCheckPage& page_;
  platform::Messages& messages_;
  QWidget* window_;
  dailycheck::SystemWallClock wall_;
  dailycheck::PassWatch watch_;
  std::int64_t min_cycle_s_ = 0;
  QPointer<BoardWidget> board_window_;
  QPointer<HistoryWindow> history_window_;
};

}  // namespace kestrel::app
