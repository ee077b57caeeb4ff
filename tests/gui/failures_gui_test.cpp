// Failures shown where the engineer looks: a refused login on every page, in the page's report
// and (on all but the Daily check, which runs unattended) in a box naming the element.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "tests/gui/app_fixture.h"

namespace kestrel::app::testing {
namespace {

class FailuresTest : public AppTest {
 protected:
  FailuresTest() {
    windows->Form1->SpeedButton1->click();
    Window()->proses.BeepCheckBox.SetChecked(false);
    Window()->dailycheck.SoundCheckBox.SetChecked(false);
  }

  // Starts the job of `page` on `element` and waits until `shown` is in its report pane (and,
  // when `box`, in a message box); the job is stopped if it still runs.
  void ExpectShown(int page, const std::string& element, const QString& shown, bool box = true) {
    ShowPage(page);
    answers.boxes.clear();
    const controls::Memo* report = nullptr;
    switch (page) {
      case kProses:
        Window()->proses.ListBox1.Clear();
        Window()->proses.Necbox.SetText(element);
        Find<QPushButton>("Startpnl")->click();
        report = &Window()->proses.OutMemo;
        break;
      case kBroadcast:
        Window()->broadcast.BscComboBox.SetText(element);
        Find<QPushButton>("StartButton")->click();
        report = &Window()->broadcast.ReportMemo;
        break;
      case kRlslp:
        Window()->rlslp.SlpListBox.Clear();
        Window()->rlslp.SlpListBox.Add(element);
        Find<QPushButton>("SlpstartButton")->click();
        report = &Window()->rlslp.SlpreportMemo;
        break;
      case kQonsuluq:
        Window()->neighbours.Memocell.SetText("C09101A");
        Window()->neighbours.Memocellr.SetText("C12101A");
        Window()->neighbours.CellbscComboBox.SetText(element);
        Window()->neighbours.CellrbscComboBox.SetItemIndex(11);  // BSC12
        Find<QPushButton>("StartqonButton")->click();
        break;  // no report pane: the box names the side and its BSC
      case kDailyCheck:
        Window()->dailycheck.ListBoxdc.Clear();
        Window()->dailycheck.Nedc.SetText(element);
        Find<QToolButton>("Adddc")->click();
        Find<QToolButton>("Startdc")->click();
        report = &Window()->dailycheck.Memoreportdc;
        break;
      case kRelocation:
        Window()->relocation.DqonoComboBox.SetText(element);
        Window()->relocation.DqonListMemo.SetText("C09101A");
        Find<QPushButton>("DqonstartButton")->click();
        report = &Window()->relocation.DqonrepMemo;
        break;
    }
    auto in_report = [&] {
      if (report == nullptr) return true;
      const QString text = QString::fromStdString(report->Text());
      return text.contains(element.c_str()) && text.contains(shown);
    };
    EXPECT_TRUE(RunUntil([&] { return in_report() && (!box || answers.Shown(shown)); }))
        << "page " << page << ": \"" << shown.toStdString() << "\" in its report " << in_report()
        << ", in a box " << answers.Shown(shown)
        << "; boxes: " << answers.boxes.join(" | ").toStdString();
    if (box) {
      const QStringList named = answers.boxes.filter(shown);
      EXPECT_TRUE(!named.isEmpty() && named.first().contains(element.c_str()))
          << "the box names the element";
    } else {
      EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(" | ").toStdString();
    }
    if (page == kDailyCheck) Find<QToolButton>("Stopdc")->click();
    EXPECT_FALSE(Window()->IdTelnet1.Connected() || Window()->BrIdTelnet.Connected() ||
                 Window()->SlpIdTelnet.Connected() || Window()->CellIdTelnet.Connected() ||
                 Window()->CellrIdTelnet.Connected() || Window()->IdTelnetdc.Connected() ||
                 Window()->DqonIdTelnet.Connected())
        << "page " << page << " left a session open";
  }
};

TEST_F(FailuresTest, ARefusedLoginOnEveryPage) {
  auto* user = Find<QLineEdit>("UserEdit", windows->PropertiesForm.get());
  user->clear();
  QTest::keyClicks(user, "intruder");
  for (int page = 0; page < kPages; ++page) {
    ExpectShown(page, "BSC9", "LOGIN INCORRECT", page != kDailyCheck);
  }
}

}  // namespace
}  // namespace kestrel::app::testing
