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
  auto held_enabled = [&](bool enabled) {
    for (QWidget* part : held)
      EXPECT_EQ(part->isEnabled(), enabled) << part->objectName().toStdString();
  };
  held_enabled(true);
  start->click();  // Start
  ASSERT_EQ(exchange.page.Startpnl.Caption(), "Stop");
  held_enabled(false);
  EXPECT_TRUE(tab->isEnabled() && start->isEnabled() && out->isEnabled() && out->isReadOnly());
  EXPECT_EQ(start->text(), "Stop");

  // Disabled by its own state, it looks it.
  exchange.page.Startpnl.SetEnabled(false);
  EXPECT_FALSE(start->isEnabled());
  exchange.page.Startpnl.SetEnabled(true);

  start->click();  // Stop: the session ends and the page is usable again
  EXPECT_EQ(exchange.page.Startpnl.Caption(), "Start");
  EXPECT_FALSE(exchange.telnet.Connected());
  held_enabled(true);
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
