// What the engineer sees of the pages: only the current page is drawn and takes the keyboard
// focus, whatever ran before; and nothing moves when a job starts.
#include <QMap>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QToolButton>

#include "tests/gui/app_fixture.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QRect& rect, std::ostream* out) {
  *out << rect.x() << "," << rect.y() << " " << rect.width() << "x" << rect.height();
}
QT_END_NAMESPACE

namespace kestrel::app::testing {
namespace {

// The widgets of `tabs` that must not be seen while its current page (and the current pages
// of the tab widgets in it) are shown: every widget of every other page.
QSet<QWidget*> HiddenNow(QTabWidget* tabs) {
  QSet<QWidget*> hidden;
  for (int i = 0; i < tabs->count(); ++i) {
    QWidget* page = tabs->widget(i);
    if (i != tabs->currentIndex()) {
      hidden.insert(page);
      for (QWidget* child : page->findChildren<QWidget*>()) hidden.insert(child);
      continue;
    }
    for (QTabWidget* inner : page->findChildren<QTabWidget*>()) hidden.unite(HiddenNow(inner));
  }
  return hidden;
}

std::string NameOf(QWidget* widget) {
  std::string name = widget->objectName().toStdString();
  for (QWidget* up = widget->parentWidget(); up != nullptr && name.empty(); up = up->parentWidget())
    name = "in " + up->objectName().toStdString();
  return name + " (" + widget->metaObject()->className() + ")";
}

class PagesTest : public AppTest {
 protected:
  explicit PagesTest(const sim::Faults& faults = SlowFaults()) : AppTest(faults) {
    windows->Form1->SpeedButton1->click();
    windows->Form2->hide();
    QApplication::setActiveWindow(Window());
  }

  // With the page `page` (and, within it, inner page `inner`) current: no widget of another
  // page is visible, none is in the focus chain as a widget that Tab can reach, and Tab
  // pressed round the whole chain never gives one the focus.
  void ExpectAlone(int page, int inner) {
    const QSet<QWidget*> hidden = HiddenNow(Window()->PageControl2);
    int reachable = 0;
    for (QWidget* widget = Window()->nextInFocusChain(); widget != Window();
         widget = widget->nextInFocusChain()) {
      if (hidden.contains(widget)) {
        EXPECT_FALSE(widget->isVisible())
            << NameOf(widget) << " drawn over page " << page << "/" << inner;
      }
      if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus)) {
        ++reachable;
      }
    }
    Page(page)->setFocus();
    QWidget* first = Page(page)->nextInFocusChain();
    first->setFocus(Qt::TabFocusReason);
    for (int press = 0; press < reachable + 2; ++press) {
      QWidget* focus = QApplication::focusWidget();
      if (focus == nullptr) break;
      EXPECT_FALSE(hidden.contains(focus))
          << NameOf(focus) << " took the focus on page " << page << "/" << inner;
      QTest::keyClick(focus, Qt::Key_Tab);
    }
  }

  // Every page and inner page in turn, as an engineer clicks through them.
  void WalkEveryPage() {
    for (int page = 0; page < kPages; ++page) {
      ShowPage(page);
      const auto inner = Page(page)->findChildren<QTabWidget*>();
      const int count = inner.isEmpty() ? 1 : inner.front()->count();
      for (int sub = 0; sub < count; ++sub) {
        if (!inner.isEmpty()) inner.front()->setCurrentIndex(sub);
        QApplication::processEvents();
        ExpectAlone(page, sub);
      }
      if (!inner.isEmpty()) inner.front()->setCurrentIndex(0);
    }
  }
};

TEST_F(PagesTest, EachPageAloneAtStart) { WalkEveryPage(); }

TEST_F(PagesTest, EachPageAloneAfterAProsesRun) {
  ShowPage(kProses);
  ASSERT_TRUE(RunProses());
  WalkEveryPage();
}

// During a run too: the Edge page is disabled then, which once showed it over the others.
TEST_F(PagesTest, EachPageAloneWhileAProsesRunGoesOn) {
  ShowPage(kProses);
  Window()->proses.Timer1.SetInterval(60000);  // the run waits in its 30-second pause
  Window()->proses.Necbox.SetText("BSC9");
  Window()->proses.BeepCheckBox.SetChecked(false);
  Find<QPushButton>("Startpnl")->click();
  ASSERT_TRUE(RunUntil([&] { return Window()->proses.Timer1.Enabled(); }, 10000));
  ASSERT_FALSE(Page(kBroadcast)->isEnabled());
  WalkEveryPage();
  Find<QPushButton>("Startpnl")->click();  // Stop
}

TEST_F(PagesTest, EachPageAloneAfterAnRlslpCheck) {
  ShowPage(kRlslp);
  ASSERT_TRUE(RunRlslp());
  WalkEveryPage();
}

TEST_F(PagesTest, EachPageAloneAfterABroadcastCheck) {
  ShowPage(kBroadcast);
  ASSERT_TRUE(RunBroadcast());
  WalkEveryPage();
}

TEST_F(PagesTest, EachPageAloneAfterAQonsuluqCollection) {
  ShowPage(kQonsuluq);
  ASSERT_TRUE(RunQonsuluq());
  windows->Form2->hide();
  QApplication::setActiveWindow(Window());
  WalkEveryPage();
}

TEST_F(PagesTest, EachPageAloneAfterADailyCheckPass) {
  ShowPage(kDailyCheck);
  ASSERT_TRUE(RunDailyCheck());
  WalkEveryPage();
}

TEST_F(PagesTest, EachPageAloneAfterARelocationCheck) {
  ShowPage(kRelocation);
  ASSERT_TRUE(RunRelocation());
  windows->Form2->hide();
  QApplication::setActiveWindow(Window());
  WalkEveryPage();
}

// Where each control of a page is drawn, in the window's coordinates (not the parts of a
// control, such as the scroll bars a pane shows once its text is long).
QMap<QWidget*, QRect> Places(QWidget* page, QWidget* window) {
  QMap<QWidget*, QRect> places;
  for (QWidget* widget : page->findChildren<QWidget*>()) {
    const QString name = widget->objectName();
    if (!widget->isVisible() || name.isEmpty() || name.startsWith("qt_")) continue;
    places[widget] = QRect(widget->mapTo(window, QPoint()), widget->size());
  }
  return places;
}

// A gateway slow to answer, so that each job is still running when it is looked at.
class StartTest : public PagesTest {
 protected:
  static sim::Faults Slow() {
    sim::Faults faults = SlowFaults();
    faults.answer_delay_ms = 300;
    return faults;
  }
  StartTest() : PagesTest(Slow()) {}

  // Presses `start` on `page` and checks that every widget shown before is where it was,
  // while the job runs and once it has been stopped with `stop`.
  void ExpectNothingMoves(int page, QAbstractButton* start, const std::function<bool()>& running,
                          QAbstractButton* stop) {
    ShowPage(page);
    const QMap<QWidget*, QRect> before = Places(Page(page), Window());
    start->click();
    ASSERT_TRUE(RunUntil(running)) << "page " << page << " did not start";
    QTest::qWait(50);  // the layouts have their turn
    for (auto at = before.begin(); at != before.end(); ++at) {
      EXPECT_EQ(QRect(at.key()->mapTo(Window(), QPoint()), at.key()->size()), at.value())
          << NameOf(at.key()) << " moved when page " << page << " started";
    }
    stop->click();
    ASSERT_TRUE(RunUntil([&] { return !running(); })) << "page " << page << " did not stop";
    QTest::qWait(50);
    for (auto at = before.begin(); at != before.end(); ++at) {
      EXPECT_EQ(QRect(at.key()->mapTo(Window(), QPoint()), at.key()->size()), at.value())
          << NameOf(at.key()) << " moved when page " << page << " stopped";
    }
  }
};

TEST_F(StartTest, NothingMovesWhenAJobStartsOrStops) {
  auto* proses_start = Find<QPushButton>("Startpnl");
  Window()->proses.Necbox.SetText("BSC9");
  ExpectNothingMoves(
      kProses, proses_start, [&] { return Window()->proses.Startpnl.Caption() == "Stop"; },
      proses_start);

  auto* broadcast_start = Find<QPushButton>("StartButton");
  Window()->broadcast.BscComboBox.SetText("BSC9");
  ExpectNothingMoves(
      kBroadcast, broadcast_start,
      [&] { return Window()->broadcast.StartButton.Caption() == "Stop"; }, broadcast_start);

  auto* rlslp_start = Find<QPushButton>("SlpstartButton");
  Window()->rlslp.SlpListBox.Add("BSC9");
  ExpectNothingMoves(
      kRlslp, rlslp_start, [&] { return Window()->rlslp.SlpstartButton.Caption() == "Stop"; },
      rlslp_start);

  auto* qonsuluq_start = Find<QPushButton>("StartqonButton");
  Window()->neighbours.Memocell.SetText("C09101A");
  Window()->neighbours.Memocellr.SetText("C12101A");
  Window()->neighbours.CellbscComboBox.SetItemIndex(8);
  Window()->neighbours.CellrbscComboBox.SetItemIndex(11);
  ExpectNothingMoves(
      kQonsuluq, qonsuluq_start,
      [&] { return Window()->neighbours.StartqonButton.Caption() == "Stop"; }, qonsuluq_start);

  Window()->dailycheck.Nedc.SetText("BSC9");
  Window()->dailycheck.SoundCheckBox.SetChecked(false);
  Window()->dailycheck.AdddcClick();
  ExpectNothingMoves(
      kDailyCheck, Find<QToolButton>("Startdc"),
      [&] { return Window()->dailycheck.Animate2.Visible(); }, Find<QToolButton>("Stopdc"));

  auto* relocation_start = Find<QPushButton>("DqonstartButton");
  Window()->relocation.DqonListMemo.SetText("C09101A");
  ExpectNothingMoves(
      kRelocation, relocation_start,
      [&] { return Window()->relocation.DqonstartButton.Caption() == "Stop"; }, relocation_start);
}

}  // namespace
}  // namespace kestrel::app::testing
