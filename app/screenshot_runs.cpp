#include "app/screenshot_runs.h"

#include "app/history_views.h"
#include "app/qt_ports.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <iostream>

namespace kestrel::app {

namespace {

bool Wait(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// Runs a page's handler as a click would, saying why when it fails.
bool Click(const char* what, const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    std::cerr << "screenshots: " << what << ": " << error.what() << std::endl;
    return false;
  }
}

// Closes the message boxes the jobs put up, as the engineer would, and prints their text.
class BoxCloser {
 public:
  BoxCloser() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [] {
      for (QMessageBox* box : ShownBoxes()) {
        std::cout << "screenshots: message: " << box->text().toStdString() << std::endl;
        box->done(QMessageBox::Ok);
      }
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

enum Page { kProses, kBroadcast, kRlslp, kQonsuluq, kDailyCheck, kRelocation };

}  // namespace

int TakePicturesAfterRuns(
    Application& windows,
    const std::function<bool(QWidget* window, const QString& name)>& picture) {
  BoxCloser boxes;
  TKestreldlg& main = *windows.Kestreldlg;
  QTabWidget* pages = main.PageControl2;
  int taken = 0;
  auto after = [&](Page page, const QString& name, const std::function<bool()>& done, int ms) {
    if (!Wait(done, ms)) {
      std::cerr << "screenshots: " << name.toStdString() << " did not finish" << std::endl;
      return;
    }
    pages->setCurrentIndex(page);
    taken += picture(&main, name) ? 1 : 0;
  };

  // RLSLP first, while the demo network still has its faults.
  pages->setCurrentIndex(kRlslp);
  main.rlslp.SlpListBox.Add("BSC9");
  main.rlslp.SlpListBox.Add("BSC12");
  if (Click("RLSLP check", [&] { main.rlslp.SlpstartButtonClick(); })) {
    after(
        kRlslp, "12-after-rlslp-check",
        [&] {
          return main.rlslp.SlpstartButton.Caption() == "Start" && main.rlslp.SlpListBox.Empty();
        },
        30000);
  }

  pages->setCurrentIndex(kBroadcast);
  main.broadcast.BscComboBox.SetText("BSC9");
  if (Click("Edge broadcast check", [&] { main.broadcast.StartButtonClick(); })) {
    after(
        kBroadcast, "13-after-edge-broadcast-check",
        [&] { return main.broadcast.StartButton.Caption() == "Start"; }, 30000);
  }

  pages->setCurrentIndex(kQonsuluq);
  main.neighbours.Memocell.SetText("C09101A\r\nC09102B\r\nC09104C");
  main.neighbours.Memocellr.SetText("C12101A\r\nC12102C\r\nC12104A");
  main.neighbours.CellbscComboBox.SetItemIndex(8);    // BSC9
  main.neighbours.CellrbscComboBox.SetItemIndex(11);  // BSC12
  if (Click("Qonsuluq", [&] { main.neighbours.StartqonButtonClick(); })) {
    // The script in the viewer; the engineer then presses Stop.
    if (Wait([&] { return windows.Form2->isVisible(); }, 30000)) {
      taken += picture(windows.Form2.get(), "15-after-qonsuluq-script") ? 1 : 0;
      windows.Form2->hide();
    }
    if (main.neighbours.StartqonButton.Caption() == "Stop") {
      Click("Qonsuluq", [&] { main.neighbours.StartqonButtonClick(); });
    }
    after(
        kQonsuluq, "14-after-qonsuluq",
        [&] { return main.neighbours.StartqonButton.Caption() == "Start"; }, 1000);
  }

  pages->setCurrentIndex(kRelocation);
  main.relocation.DqonoComboBox.SetItemIndex(8);   // BSC9
  main.relocation.DqondComboBox.SetItemIndex(11);  // to BSC12
  main.relocation.DqonListMemo.SetText("C09101A\r\nC09102A");
  if (Click("Dasinma ucun qonsuluq", [&] { main.relocation.DqonstartButtonClick(); })) {
    // The script in the viewer; the engineer then presses Stop.
    Wait([&] { return windows.Form2->isVisible(); }, 30000);
    windows.Form2->hide();
    if (main.relocation.DqonstartButton.Caption() == "Stop") {
      Click("Dasinma ucun qonsuluq", [&] { main.relocation.DqonstartButtonClick(); });
    }
    after(
        kRelocation, "16-after-dasinma-ucun-qonsuluq",
        [&] { return main.relocation.DqonstartButton.Caption() == "Start"; }, 1000);
  }

  // One pass over two elements, then Stop; the pictures show the report and the work pane.
  pages->setCurrentIndex(kDailyCheck);
  auto& dailycheck = main.dailycheck;
  dailycheck.SoundCheckBox.SetChecked(false);  // pictures need no sound
  for (const char* element : {"BSC12", "BSC9"}) {
    dailycheck.Nedc.SetText(element);
    dailycheck.AdddcClick();
  }
  if (Click("Daily check", [&] { dailycheck.StartdcClick(); })) {
    // Both elements visited: the report while the loop goes on; the work pane while a visit
    // runs the solution its alarm list called for; then Stop.
    after(
        kDailyCheck, "17-after-daily-check-report",
        [&] { return dailycheck.Memoreportdc.Text().find("BSC9: SETAR;") != std::string::npos; },
        60000);
    auto* inner = pages->widget(kDailyCheck)->findChild<QTabWidget*>("PageControl3");
    if (inner != nullptr) {
      inner->setCurrentIndex(1);
      after(
          kDailyCheck, "18-after-daily-check-work",
          [&] {
            return dailycheck.Memokom.LineCount() > 0 &&
                   dailycheck.Memodc.Text().find("\r\nEND\r\n") != std::string::npos;
          },
          30000);
      inner->setCurrentIndex(0);
    }
    Click("Daily check", [&] { dailycheck.StopdcClick(); });
  }
  // Several passes over more elements (one the gateway does not know), then the board, an
  // acknowledgement and the history of what the passes kept.
  if (main.history != nullptr && main.history->Store() != nullptr) {
    for (const char* element : {"MSC9", "BSC15", "BSC77"}) {
      dailycheck.Nedc.SetText(element);
      dailycheck.AdddcClick();
    }
    dailycheck.SetPacing(0, 0);
    // One alarm silenced by the filter, so that the board shows alarms none warned of.
    const std::string filter = dailycheck.FilterMemo.Text();
    dailycheck.FilterMemo.AddLine("MSC9 APPLICATION DETECTED SOFTWARE ERROR");
    auto passes = [&](const char* element) {
      try {
        return main.history->Store()->RecentPasses(element, 3).size();
      } catch (const std::exception&) {
        return std::size_t{0};
      }
    };
    if (Click("Daily check", [&] { dailycheck.StartdcClick(); })) {
      Wait([&] { return passes("BSC9") >= 3 && passes("BSC77") >= 2; }, 90000);
      Click("Daily check", [&] { dailycheck.StopdcClick(); });
    }
    dailycheck.FilterMemo.SetText(filter);
    main.history->ShowBoard();
    if (auto* board = main.findChild<BoardWidget*>("BoardWindow")) {
      board->ShowElement("BSC9");
      board->Refresh();
      Wait([] { return false; }, 300);
      taken += picture(board, "20-daily-check-board") ? 1 : 0;
      if (auto* alarms = board->findChild<QTableWidget*>("BoardAlarms");
          alarms != nullptr && alarms->rowCount() > 0) {
        alarms->selectRow(0);
        board->AcknowledgeSelected("Site visit booked for 14:00; the door alarm is known");
        Wait([] { return false; }, 300);
        taken += picture(board, "21-daily-check-board-acknowledged") ? 1 : 0;
      }
      board->hide();
    }
    main.history->ShowHistory();
    if (auto* history = main.findChild<HistoryWindow*>("HistoryWindow")) {
      history->Refresh();
      Wait([] { return false; }, 500);
      taken += picture(history, "22-daily-check-history") ? 1 : 0;
      history->hide();
    }
  }
  dailycheck.SoundCheckBox.SetChecked(true);

  // Proses last: it repairs what the other pictures show as faulty. Its 30-second wait is
  // shortened for the pictures.
  pages->setCurrentIndex(kProses);
  auto& proses = main.proses;
  proses.Timer1.SetInterval(1000);
  proses.ReleaseTimerEdit.SetText("500");
  Click("Proses release interval", [&] { proses.ReleaseTimerButtonClick(); });
  proses.BeepCheckBox.SetChecked(false);
  proses.Necbox.SetText("BSC9");
  if (Click("Proses", [&] { proses.StartpnlClick(); })) {
    after(
        kProses, "19-after-proses-run",
        [&] { return proses.Startpnl.Caption() == "Start" && proses.ListBox1.Empty(); }, 120000);
  }
  proses.BeepCheckBox.SetChecked(true);
  proses.Timer1.SetInterval(30000);
  proses.ReleaseTimerEdit.SetText("3000");
  Click("Proses release interval", [&] { proses.ReleaseTimerButtonClick(); });
  pages->setCurrentIndex(kProses);
  return taken;
}

}  // namespace kestrel::app
