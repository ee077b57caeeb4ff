// The report, output and work panes (each bound as this pane is) follow new text as a terminal
// does: at the end unless the engineer has scrolled up, and where the engineer left them otherwise.
#include <QPlainTextEdit>
#include <QScrollBar>

#include "controls/memo.h"
#include "tests/gui/app_fixture.h"
#include "widgets/bindings.h"

namespace kestrel::app::testing {
namespace {

QScrollBar* Bar(QPlainTextEdit* pane) { return pane->verticalScrollBar(); }
bool AtEnd(QPlainTextEdit* pane) {
  return Bar(pane)->maximum() > 0 && Bar(pane)->value() == Bar(pane)->maximum();
}
// The engineer scrolls up by a page, as a click on the scroll bar's track does.
void ScrollUp(QPlainTextEdit* pane) {
  Bar(pane)->triggerAction(QAbstractSlider::SliderPageStepSub);
}
void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

class PaneTest : public ::testing::Test {
 protected:
  PaneTest() {
    pane.setReadOnly(true);
    pane.resize(300, 200);
    pane.show();
    widgets::Bind(text, &pane);
  }
  void AddLines(int count) {
    for (int i = 0; i < count; ++i) text.AddLine("line " + std::to_string(lines++));
    Settle();
  }
  controls::Memo text;
  QPlainTextEdit pane;
  int lines = 0;
};

TEST_F(PaneTest, FollowsNewLinesAtTheEnd) {
  AddLines(100);
  EXPECT_TRUE(AtEnd(&pane));
  // Chunks that end in the middle of a line, as a session's text arrives.
  text.Append("RXBLI:MO=RXO");
  Settle();
  text.Append("TS-91-0-1;\r\n");
  AddLines(5);
  EXPECT_TRUE(AtEnd(&pane));
  EXPECT_TRUE(pane.toPlainText().contains("\nRXBLI:MO=RXOTS-91-0-1;\nline 100\n"));
  EXPECT_TRUE(pane.toPlainText().trimmed().endsWith("line 104"));
}

TEST_F(PaneTest, StaysWhereTheEngineerScrolledAndFollowsAgainAtTheEnd) {
  AddLines(100);
  ScrollUp(&pane);
  const int place = Bar(&pane)->value();
  ASSERT_LT(place, Bar(&pane)->maximum());
  AddLines(50);
  EXPECT_EQ(Bar(&pane)->value(), place) << "the new text pulled the view away";
  // A new text altogether (a list rewritten) keeps the place too.
  text.SetText(text.Text() + "rewritten\r\n");
  Settle();
  EXPECT_EQ(Bar(&pane)->value(), place);

  Bar(&pane)->triggerAction(QAbstractSlider::SliderToMaximum);  // back down to the end
  AddLines(20);
  EXPECT_TRUE(AtEnd(&pane));
  text.SetText(text.Text() + "rewritten again\r\n");
  Settle();
  EXPECT_TRUE(AtEnd(&pane));
}

// A pane shown later (a page not yet looked at, a bigger window) is at its end then.
TEST_F(PaneTest, APaneShownLaterIsAtItsEnd) {
  pane.hide();
  AddLines(300);
  pane.resize(300, 120);
  pane.show();
  Settle();
  EXPECT_TRUE(AtEnd(&pane));
}

// What the engineer types into stays where the engineer works.
TEST_F(PaneTest, AnEditablePaneDoesNotJump) {
  QPlainTextEdit list;
  list.resize(300, 200);
  list.show();
  controls::Memo cells;
  widgets::Bind(cells, &list);
  for (int i = 0; i < 100; ++i) cells.AddLine("C0910" + std::to_string(i));
  Settle();
  EXPECT_EQ(Bar(&list)->value(), 0);
}

}  // namespace
}  // namespace kestrel::app::testing
