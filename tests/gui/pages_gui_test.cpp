// What the engineer sees of the pages: a box of any page left open holds no page's job; only the
// current page is drawn and takes the keyboard focus, whatever ran before, and each page's
// session is logged under its own name; nothing moves when a job starts or stops.
#include <QMap>
#include <QSet>
#include <QTest>

#include "tests/gui/app_fixture.h"

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

// The job run before the pages are walked: a page's (its index), none (-1), or a Proses run
// caught in its 30-second pause (-2), when the Edge page is disabled: that once showed it over
// the others.
class PagesTest : public AppTest, public ::testing::WithParamInterface<int> {
 protected:
  // With page `page` (and, within it, inner page `inner`) current: no widget of another page
  // is visible, none is in the focus chain as a widget that Tab can reach, and Tab pressed
  // round the whole chain never gives one the focus.
  void ExpectAlone(int page, int inner) {
    const QSet<QWidget*> hidden = HiddenNow(Window()->PageControl2);
    int reachable = 0;
    for (QWidget* widget = Window()->nextInFocusChain(); widget != Window();
         widget = widget->nextInFocusChain()) {
      if (hidden.contains(widget)) {
        EXPECT_FALSE(widget->isVisible())
            << NameOf(widget) << " drawn over " << page << "/" << inner;
      }
      reachable +=
          widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus);
    }
    Page(page)->setFocus();
    Page(page)->nextInFocusChain()->setFocus(Qt::TabFocusReason);
    for (int press = 0; press < reachable + 2; ++press) {
      QWidget* focus = QApplication::focusWidget();
      if (focus == nullptr) break;
      EXPECT_FALSE(hidden.contains(focus))
          << NameOf(focus) << " took the focus on " << page << "/" << inner;
      QTest::keyClick(focus, Qt::Key_Tab);
    }
  }
};

// A page's job runs to its end while a box of every page stands (and the Daily check's warning
// sound ends on time meanwhile); then each page stands alone.
TEST_P(PagesTest, EachJobRunsPastABoxOfEveryPageThenEachPageStandsAloneAndTheJobIsLogged) {
  Enter();
  const int run = GetParam();
  if (run >= 0) {
    TKestreldlg& window = *Window();
    answers.leave_boxes_open = true;
    for (QtMessages* page : {&window.ProsesMessages, &window.BrMessages, &window.SlpMessages,
                             &window.QonMessages, &window.DcMessages, &window.DqonMessages}) {
      page->Warn("left open");
    }
    ASSERT_TRUE(answers.Answered(6));
    window.dailycheck.SoundCheckBox.SetChecked(true);
    bool sounded = false;
    const PageJob& job = kJobs[run];
    ShowPage(run);
    ASSERT_TRUE(Run(job, job.element, [&] {
      sounded = sounded || window.dailycheck.Sounding();
      return job.done(*this, job.element);
    }));
    EXPECT_EQ(sounded, run == kDailyCheck);
    EXPECT_EQ(answers.boxes.count("left open"), 6);
    EXPECT_GE(ShownBoxes().size(), 6);  // all still on the screen
    for (QMessageBox* box : ShownBoxes()) box->done(QMessageBox::Ok);
  } else if (run == -2) {
    auto& proses = Window()->proses;
    proses.Timer1.SetInterval(60000);
    proses.Necbox.SetText("BSC9");
    Find<QAbstractButton>("Startpnl")->click();
    ASSERT_TRUE(
        RunUntil([&] { return proses.Timer1.Enabled() && !Page(kBroadcast)->isEnabled(); }));
  }
  windows->Form2->hide();
  QApplication::setActiveWindow(Window());
  for (int page = 0; page < kPages; ++page) {
    ShowPage(page);
    const auto inner = Page(page)->findChildren<QTabWidget*>();
    for (int sub = 0; sub < (inner.isEmpty() ? 1 : inner.front()->count()); ++sub) {
      if (!inner.isEmpty()) inner.front()->setCurrentIndex(sub);
      QApplication::processEvents();
      ExpectAlone(page, sub);
    }
    if (!inner.isEmpty()) inner.front()->setCurrentIndex(0);
  }
  if (run < 0) return;
  // The Qonsuluq page's two sessions: the last to begin may be either side's.
  const std::string element = run == kQonsuluq ? "BSC(9|12)" : kJobs[run].element;
  EXPECT_THAT(Window()->recorder->LastLog(kJobs[run].log).toStdString(),
              ::testing::MatchesRegex(".*/[0-9]{6}_" + std::string(kJobs[run].log) + "_" + element +
                                      "(_[0-9]+)?\\.log"));
}

INSTANTIATE_TEST_SUITE_P(Jobs, PagesTest, ::testing::Range(-2, int{kPages}),
                         [](const ::testing::TestParamInfo<int>& run) -> std::string {
                           return run.param == -2   ? "ProsesRunning"
                                  : run.param == -1 ? "AtStart"
                                                    : kJobs[run.param].name;
                         });

// A gateway slow to answer, so that each job is still running when it is looked at.
class StartTest : public AppTest {
 protected:
  static sim::Faults Slow() {
    sim::Faults faults = SlowFaults();
    faults.answer_delay_ms = 300;
    return faults;
  }
  StartTest() : AppTest(Slow()) { Enter(); }

  // Where each control of `page` is drawn, in the window's coordinates (not the parts of a
  // control, such as the scroll bars a pane shows once its text is long).
  QMap<QWidget*, QRect> Places(int page) {
    QMap<QWidget*, QRect> places;
    for (QWidget* widget : Page(page)->findChildren<QWidget*>()) {
      const QString name = widget->objectName();
      if (!widget->isVisible() || name.isEmpty() || name.startsWith("qt_")) continue;
      places[widget] = QRect(widget->mapTo(Window(), QPoint()), widget->size());
    }
    return places;
  }
};

TEST_F(StartTest, NothingMovesWhenAJobStartsOrStops) {
  for (const PageJob& job : kJobs) {
    ShowPage(job.page);
    job.prepare(*this, "BSC9");
    const QMap<QWidget*, QRect> before = Places(job.page);
    for (const bool started : {true, false}) {
      const char* button = started ? job.start : job.stop;
      Find<QAbstractButton>(button)->click();
      ASSERT_TRUE(RunUntil([&] { return job.running(*Window()) == started; }))
          << job.name << button;
      QTest::qWait(50);  // the layouts have their turn
      for (auto at = before.begin(); at != before.end(); ++at) {
        EXPECT_EQ(QRect(at.key()->mapTo(Window(), QPoint()), at.key()->size()), at.value())
            << NameOf(at.key()) << " moved when " << job.name << " pressed " << button;
      }
    }
  }
}

}  // namespace
}  // namespace kestrel::app::testing
