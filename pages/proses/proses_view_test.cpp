// The Proses tab under Qt's offscreen platform: a run disables the page but not its
// Start/Stop panel, nor the read-only output pane that is scrolled while the run goes on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

#include "pages/proses/proses_test_exchange.h"
#include "pages/proses/proses_view.h"
#include "widgets/widgets.h"

namespace kestrel::proses::testing {
namespace {

template <typename T>
T* Find(QWidget* root, const char* name) {
  T* found = root->findChild<T*>(name);
  if (found == nullptr) ADD_FAILURE() << "no control " << name;
  return found;
}

TEST(ProsesView, ARunDisablesAllButTheStartStopPanel) {
  Exchange exchange;
  std::unique_ptr<QWidget> tab(BuildProsesView(exchange.page, nullptr));
  auto* start = Find<QPushButton>(tab.get(), "Startpnl");
  auto* out = Find<QPlainTextEdit>(tab.get(), "OutMemo");
  QWidget* held[] = {Find<QListWidget>(tab.get(), "ListBox1"),
                     Find<QPushButton>(tab.get(), "ConnectButton"),
                     Find<QLineEdit>(tab.get(), "ReleaseTimerEdit")};
  for (QWidget* part : held) EXPECT_TRUE(part->isEnabled()) << part->objectName().toStdString();

  start->click();  // Start
  ASSERT_EQ(exchange.page.Startpnl.Caption(), "Stop");
  for (QWidget* part : held) EXPECT_FALSE(part->isEnabled()) << part->objectName().toStdString();
  EXPECT_TRUE(tab->isEnabled());
  EXPECT_TRUE(start->isEnabled());
  EXPECT_EQ(start->text(), "Stop");
  EXPECT_TRUE(out->isEnabled());
  EXPECT_TRUE(out->isReadOnly());

  // Disabled by its own state, it looks it.
  exchange.page.Startpnl.SetEnabled(false);
  EXPECT_FALSE(start->isEnabled());
  exchange.page.Startpnl.SetEnabled(true);

  start->click();  // Stop: the session ends and the page is usable again
  EXPECT_EQ(exchange.page.Startpnl.Caption(), "Start");
  EXPECT_FALSE(exchange.telnet.Connected());
  for (QWidget* part : held) EXPECT_TRUE(part->isEnabled()) << part->objectName().toStdString();
}

}  // namespace
}  // namespace kestrel::proses::testing

TEST(PaneFont, FixedsysWhereTheSystemHasItElseTheFixedFont) {
  EXPECT_EQ(kestrel::widgets::PaneFont({"Arial", "fixedsys", "Courier New"}).family(), "Fixedsys");
  const QFont fixed = kestrel::widgets::PaneFont({"Arial", "Fixedsys Excelsior"});
  EXPECT_EQ(fixed.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
