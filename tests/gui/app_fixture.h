// The desktop program's windows under Qt's offscreen platform, with the gateway simulator
// running on the same event loop: what the GUI tests share.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/application.h"
#include "app/qt_ports.h"
#include "sim/gateway_server.h"

namespace kestrel::app::testing {

// Turns the event loop until `done` or `ms` have passed; returns `done()`.
inline bool RunUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// Answers the windows the program puts up: a message box is read and closed; a file dialog
// (modal, also from inside a handler that waits for it) gets `save_as`, or is cancelled when
// that is empty.
class ModalAnswers {
 public:
  ModalAnswers() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
    timer_.start();
  }

  QStringList boxes, titles;
  // Boxes are read but left on the screen, as an engineer away from the desk leaves them.
  bool leave_boxes_open = false;
  QString save_as;
  int dialogs = 0;

  // Turns the event loop until `count` boxes were answered in all; true when they were.
  bool Answered(qsizetype count, int ms = 5000) const {
    return RunUntil([&] { return boxes.size() >= count; }, ms) && boxes.size() == count;
  }

  // Reads the boxes on the screen first: a box put up in the same turn of the event loop as
  // the state a test waited for is not left to the next tick of the timer.
  bool Shown(const QString& part) {
    Answer();
    for (const QString& box : boxes) {
      if (box.contains(part)) return true;
    }
    return false;
  }

 private:
  void Answer() {
    for (QMessageBox* box : ShownBoxes()) {
      if (!read_.contains(box)) {
        read_ << box;
        boxes << box->text();
        titles << box->windowTitle();
      }
      if (!leave_boxes_open) box->done(QMessageBox::Ok);
    }
    // Looked for among the windows, not as the active modal widget: which window is active is
    // up to the platform and may lag behind the dialog's exec.
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(window);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      ++dialogs;
      if (save_as.isEmpty()) {
        dialog->reject();
      } else {
        // Typed into its name field, as an engineer does: selectFile leaves that field alone
        // once it has the focus, which the platform gives it at a time of its own.
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
          name->setText(save_as);
        } else {
          dialog->selectFile(save_as);
        }
        static_cast<QDialog*>(dialog)->accept();  // as its Save button does
      }
    }
  }

  QTimer timer_;
  QList<QPointer<QMessageBox>> read_;
};

class AppTest : public ::testing::Test {
 protected:
  AppTest() : AppTest(SlowFaults()) {}
  explicit AppTest(const sim::Faults& faults) {
    gateway = std::make_unique<sim::GatewayServer>(
        sim::Scenario::Demo(), faults, sim::Transcripts{sim::Transcripts::Kind::kNone, {}});
    gateway->Listen(QHostAddress::LocalHost, 0);
    site.gateway_port = gateway->Port();
    QDir(share.path()).mkdir("Kestreldailycheck");
    site.report_share_root = share.path().toStdString();
    site.log_dir = share.filePath("sessions").toStdString();
    // The demo network answers at once: the Daily check goes round it without its pace.
    site.dailycheck_min_cycle_s = 0;
    site.dailycheck_retry_s = 0;
    windows = std::make_unique<Application>(site);
    windows->Start();
  }
  ~AppTest() override { windows.reset(); }

 public:
  // Chunks of the gateway's output as a network cuts them.
  static sim::Faults SlowFaults() {
    sim::Faults slow;
    slow.chunk_max = 200;
    slow.chunk_delay_ms = 2;
    return slow;
  }

  // The windows made afresh for `site` as it now stands.
  void Restart() {
    windows.reset();
    windows = std::make_unique<Application>(site);
    windows->Start();
  }

  TKestreldlg* Window() { return windows->Kestreldlg.get(); }
  template <typename T>
  T* Find(const char* name, QWidget* window = nullptr) {
    T* found = (window != nullptr ? window : Window())->findChild<T*>(name);
    if (found == nullptr) ADD_FAILURE() << "no control " << name;
    return found;
  }
  QWidget* Page(int index) { return Window()->PageControl2->widget(index); }

  // Each job of the window run to its end as an engineer runs it, with the waits of the
  // Proses page shortened; false (and a test failure) when it did not end.
  bool RunProses(const std::string& bsc = "BSC9");
  bool RunRlslp(const std::string& bsc = "BSC9");
  bool RunBroadcast(const std::string& bsc = "BSC9");
  bool RunQonsuluq();
  // One pass of BSC9 (its alarm list and the solutions it calls for), then Stop.
  bool RunDailyCheck();
  // Until the script is in the viewer, then Stop.
  bool RunRelocation(const std::string& present_bsc = "BSC9");
  void ShowPage(int index) {
    Window()->PageControl2->setCurrentIndex(index);
    QApplication::processEvents();
  }

  QTemporaryDir share;
  platform::SiteSettings site;
  std::unique_ptr<sim::GatewayServer> gateway;
  std::unique_ptr<Application> windows;
  ModalAnswers answers;
};

// The pages in tab order.
enum PageIndex { kProses, kBroadcast, kRlslp, kQonsuluq, kDailyCheck, kRelocation, kPages };

}  // namespace kestrel::app::testing
