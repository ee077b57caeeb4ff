// The desktop program's windows under Qt's offscreen platform, with the gateway simulator
// running on the same event loop: what the GUI tests share.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
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
#include "tests/run_until.h"

namespace kestrel::app::testing {

using kestrel::testing::RunUntil;

inline QString ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Answers the windows the program puts up: a message box is read and closed (or left open);
// a file dialog, also from inside a handler that waits for it, gets `save_as`, or is
// cancelled when that is empty.
class ModalAnswers {
 public:
  ModalAnswers();
  QStringList boxes;
  bool leave_boxes_open = false;  // as an engineer away from the desk leaves them
  QString save_as;
  int dialogs = 0;

  // Turns the event loop until `count` boxes were answered in all; true when exactly they were.
  bool Answered(qsizetype count) const {
    return RunUntil([&] { return boxes.size() >= count; }) && boxes.size() == count;
  }
  // Reads the boxes on the screen first: one put up in the same turn of the event loop as the
  // state a test waited for is not left to the next tick of the timer.
  bool Shown(const QString& part) {
    Answer();
    return !boxes.filter(part).isEmpty();
  }

 private:
  void Answer();
  QTimer timer_;
  QList<QPointer<QMessageBox>> read_;
};

class AppTest;

// A page's job as an engineer runs it from the window: a row of the tables over the pages.
struct PageJob {
  const char* name;
  int page;
  const char* log;      // the page's name in its session logs
  const char* element;  // the element its rows run on
  const char *start, *stop;
  void (*prepare)(AppTest&, const std::string& element);  // fills in what the job takes
  bool (*running)(TKestreldlg&);
  bool (*done)(AppTest&, const std::string& element);  // its happy end
  controls::Memo& (*report)(Application&);             // what "Save report as..." saves on the page
};

// The pages in tab order, and their jobs in that order.
enum PageIndex { kProses, kBroadcast, kRlslp, kQonsuluq, kDailyCheck, kRelocation, kPages };
extern const PageJob kJobs[kPages];

class AppTest : public ::testing::Test {
 protected:
  AppTest() : AppTest(SlowFaults()) {}
  explicit AppTest(const sim::Faults& faults);

 public:
  // Chunks of the gateway's output as a network cuts them.
  static sim::Faults SlowFaults() {
    sim::Faults slow;
    slow.chunk_max = 200;
    slow.chunk_delay_ms = 2;
    return slow;
  }
  // The windows made afresh for `site` as it now stands.
  void Restart();
  // "Giris": the main window, without the viewer.
  void Enter() {
    windows->Form1->SpeedButton1->click();
    windows->Form2->hide();
  }
  TKestreldlg* Window() { return windows->Kestreldlg.get(); }
  template <typename T>
  T* Find(const char* name, QWidget* window = nullptr) {
    T* found = (window != nullptr ? window : Window())->findChild<T*>(name);
    if (found == nullptr) ADD_FAILURE() << "no control " << name;
    return found;
  }
  QWidget* Page(int index) { return Window()->PageControl2->widget(index); }
  void ShowPage(int index) {
    Window()->PageControl2->setCurrentIndex(index);
    QApplication::processEvents();
  }
  // Runs `job` on `element` until `until` (by default its happy end), then stops it if it still
  // runs; false (and a test failure) when `until` did not come.
  bool Run(const PageJob& job, const std::string& element, const std::function<bool()>& until = {});
  bool Run(int page) { return Run(kJobs[page], kJobs[page].element); }
  // No page's session is open.
  bool AllClosed();

  QTemporaryDir share;
  platform::SiteSettings site;
  std::unique_ptr<sim::GatewayServer> gateway;
  std::unique_ptr<Application> windows;
  ModalAnswers answers;
};

}  // namespace kestrel::app::testing
