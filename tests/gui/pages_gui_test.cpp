// What the engineer sees of the pages: only the current page is drawn and takes the keyboard
// focus, whatever ran before, and each page's session is logged under its own name; nothing
// moves when a job starts or stops.
#include <QMap>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QToolButton>

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

// A job run before the pages are walked: the page it runs on, how, and the name of its log.
struct Job {
  const char* name;
  int page;
  bool (*run)(AppTest&);
  const char* log;  // "page_element" of its last session log; empty: none looked at
};

class PagesTest : public AppTest, public ::testing::WithParamInterface<Job> {
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
    Page(page)->nextInFocusChain()->setFocus(Qt::TabFocusReason);
    for (int press = 0; press < reachable + 2; ++press) {
      QWidget* focus = QApplication::focusWidget();
      if (focus == nullptr) break;
      EXPECT_FALSE(hidden.contains(focus))
          << NameOf(focus) << " took the focus on page " << page << "/" << inner;
      QTest::keyClick(focus, Qt::Key_Tab);
    }
  }
};

// Every page and inner page in turn, as an engineer clicks through them, after each job (and
// during a Proses run: the Edge page is disabled then, which once showed it over the others).
TEST_P(PagesTest, EachPageAloneAndEachJobLoggedUnderItsName) {
  const Job& job = GetParam();
  ShowPage(job.page);
  ASSERT_TRUE(job.run(*this));
  windows->Form2->hide();
  QApplication::setActiveWindow(Window());
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
  if (*job.log == '\0') return;
  const std::string page_element = job.log;
  const QString last =
      Window()->recorder->LastLog(page_element.substr(0, page_element.find('_')).c_str());
  EXPECT_THAT(last.toStdString(),
              ::testing::MatchesRegex(".*/[0-9]{6}_" + page_element + "(_[0-9]+)?\\.log"));
}

bool ProsesRunning(AppTest& test) {
  auto& proses = test.Window()->proses;
  proses.Timer1.SetInterval(60000);  // the run waits in its 30-second pause
  proses.Necbox.SetText("BSC9");
  proses.BeepCheckBox.SetChecked(false);
  test.Find<QPushButton>("Startpnl")->click();
  return RunUntil([&] { return proses.Timer1.Enabled(); }, 10000) &&
         !test.Page(kBroadcast)->isEnabled();
}

const Job kJobs[] = {
    {"AtStart", kProses, [](AppTest&) { return true; }, ""},
    {"Proses", kProses, [](AppTest& app) { return app.RunProses(); }, "proses_BSC9"},
    {"ProsesRunning", kProses, ProsesRunning, ""},
    {"Rlslp", kRlslp, [](AppTest& app) { return app.RunRlslp("BSC10"); }, "rlslp_BSC10"},
    {"Broadcast", kBroadcast, [](AppTest& app) { return app.RunBroadcast("BSC12"); },
     "broadcast_BSC12"},
    {"Qonsuluq", kQonsuluq, [](AppTest& app) { return app.RunQonsuluq(); }, "qonsuluq_BSC(9|12)"},
    {"DailyCheck", kDailyCheck, [](AppTest& app) { return app.RunDailyCheck(); },
     "dailycheck_BSC9"},
    {"Relocation", kRelocation, [](AppTest& app) { return app.RunRelocation(); },
     "relocation_BSC9"},
};
std::string JobName(const ::testing::TestParamInfo<Job>& job) { return job.param.name; }
INSTANTIATE_TEST_SUITE_P(Jobs, PagesTest, ::testing::ValuesIn(kJobs), JobName);

// A gateway slow to answer, so that each job is still running when it is looked at.
class StartTest : public AppTest {
 protected:
  static sim::Faults Slow() {
    sim::Faults faults = SlowFaults();
    faults.answer_delay_ms = 300;
    return faults;
  }
  StartTest() : AppTest(Slow()) { windows->Form1->SpeedButton1->click(); }

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
  TKestreldlg& w = *Window();
  w.proses.Necbox.SetText("BSC9");
  w.broadcast.BscComboBox.SetText("BSC9");
  w.rlslp.SlpListBox.Add("BSC9");
  w.neighbours.Memocell.SetText("C09101A");
  w.neighbours.Memocellr.SetText("C12101A");
  w.neighbours.CellbscComboBox.SetItemIndex(8);
  w.neighbours.CellrbscComboBox.SetItemIndex(11);
  w.dailycheck.Nedc.SetText("BSC9");
  w.dailycheck.SoundCheckBox.SetChecked(false);
  w.dailycheck.AdddcClick();
  w.relocation.DqonListMemo.SetText("C09101A");
  const struct {
    int page;
    const char *start, *stop;
    std::function<bool()> running;
  } rows[] = {
      {kProses, "Startpnl", "Startpnl", [&] { return w.proses.Startpnl.Caption() == "Stop"; }},
      {kBroadcast, "StartButton", "StartButton",
       [&] { return w.broadcast.StartButton.Caption() == "Stop"; }},
      {kRlslp, "SlpstartButton", "SlpstartButton",
       [&] { return w.rlslp.SlpstartButton.Caption() == "Stop"; }},
      {kQonsuluq, "StartqonButton", "StartqonButton",
       [&] { return w.neighbours.StartqonButton.Caption() == "Stop"; }},
      {kDailyCheck, "Startdc", "Stopdc", [&] { return w.dailycheck.Animate2.Visible(); }},
      {kRelocation, "DqonstartButton", "DqonstartButton",
       [&] { return w.relocation.DqonstartButton.Caption() == "Stop"; }},
  };
  for (const auto& row : rows) {
    ShowPage(row.page);
    const QMap<QWidget*, QRect> before = Places(row.page);
    for (const bool started : {true, false}) {
      const char* button = started ? row.start : row.stop;
      Find<QAbstractButton>(button)->click();
      ASSERT_TRUE(RunUntil([&] { return row.running() == started; })) << row.page << button;
      QTest::qWait(50);  // the layouts have their turn
      for (auto at = before.begin(); at != before.end(); ++at) {
        EXPECT_EQ(QRect(at.key()->mapTo(Window(), QPoint()), at.key()->size()), at.value())
            << NameOf(at.key()) << " moved when page " << row.page << " pressed " << button;
      }
    }
  }
}

}  // namespace
}  // namespace kestrel::app::testing
