// The report, output and work panes (each bound as this pane is) follow new text as a terminal
// does: at the end unless the engineer has scrolled up, and where the engineer left them otherwise.
#include <QPlainTextEdit>
#include <QScrollBar>

#include "controls/memo.h"
#include "tests/gui/app_fixture.h"
#include "widgets/bindings.h"

namespace kestrel::app::testing {
namespace {

class PaneTest : public ::testing::Test {
 protected:
  PaneTest() {
    pane.setReadOnly(true);
    pane.resize(300, 200);
    pane.show();
    widgets::Bind(text, &pane);
  }
  static void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  void AddLines(int count) {
    for (int i = 0; i < count; ++i) text.AddLine("line " + std::to_string(lines++));
    Settle();
  }
  void Rewrite(const std::string& line) {
    text.SetText(text.Text() + line + "\r\n");
    Settle();
  }
  QScrollBar* Bar() { return pane.verticalScrollBar(); }
  bool AtEnd() { return Bar()->maximum() > 0 && Bar()->value() == Bar()->maximum(); }

  controls::Memo text;
  QPlainTextEdit pane;
  int lines = 0;
};

TEST_F(PaneTest, FollowsNewTextAtTheEndAndStaysWhereTheEngineerScrolled) {
  AddLines(100);
  EXPECT_TRUE(AtEnd());
  // Chunks that end in the middle of a line, as a session's text arrives.
  text.Append("RXBLI:MO=RXO");
  Settle();
  text.Append("TS-91-0-1;\r\n");
  AddLines(5);
  EXPECT_TRUE(AtEnd());
  EXPECT_TRUE(pane.toPlainText().contains("\nRXBLI:MO=RXOTS-91-0-1;\nline 100\n"));
  EXPECT_TRUE(pane.toPlainText().trimmed().endsWith("line 104"));

  Bar()->triggerAction(QAbstractSlider::SliderPageStepSub);  // a click on the track above
  const int place = Bar()->value();
  ASSERT_LT(place, Bar()->maximum());
  AddLines(50);
  EXPECT_EQ(Bar()->value(), place) << "the new text pulled the view away";
  Rewrite("rewritten");  // a new text altogether (a list rewritten) keeps the place too
  EXPECT_EQ(Bar()->value(), place);

  Bar()->triggerAction(QAbstractSlider::SliderToMaximum);  // back down to the end
  AddLines(20);
  EXPECT_TRUE(AtEnd());
  Rewrite("rewritten again");
  EXPECT_TRUE(AtEnd());
}

// A pane shown later (a page not yet looked at, a bigger window) is at its end then; what the
// engineer types into stays where the engineer works.
TEST_F(PaneTest, APaneShownLaterIsAtItsEndAndAnEditableOneDoesNotJump) {
  pane.hide();
  AddLines(300);
  pane.resize(300, 120);
  pane.show();
  Settle();
  EXPECT_TRUE(AtEnd());

  QPlainTextEdit list;
  list.resize(300, 200);
  list.show();
  controls::Memo cells;
  widgets::Bind(cells, &list);
  for (int i = 0; i < 100; ++i) cells.AddLine("C0910" + std::to_string(i));
  Settle();
  EXPECT_EQ(list.verticalScrollBar()->value(), 0);
}

}  // namespace
}  // namespace kestrel::app::testing
