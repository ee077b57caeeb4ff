// The Daily check's board and history view in the window, over passes against the simulator:
// a tile per element coloured by its last pass, the acknowledgement of an alarm with its
// note, and the history's table exported as CSV.
#include <QAction>
#include <QTableWidget>
#include <QToolButton>

#include "app/history_views.h"
#include "tests/csv_reader.h"
#include "tests/gui/app_fixture.h"

namespace kestrel::app::testing {
namespace {

using ::testing::HasSubstr;

TEST_F(AppTest, TheBoardShowsEachElementAcknowledgesAndTheHistoryExports) {
  const QString ini = share.filePath("site.ini");
  QFile file(ini);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) &&
              file.write(("[history]\npath=" + share.filePath("h.sqlite") + "\n").toUtf8()) > 0);
  file.close();
  site.source_path = ini.toStdString();
  Restart();
  auto& dc = Window()->dailycheck;
  for (const char* element : {"BSC9", "BSC77"}) {
    dc.Nedc.SetText(element);
    dc.AdddcClick();
  }
  dailycheck::HistoryStore* store = Window()->history->Store();
  ASSERT_NE(store, nullptr);
  auto passes = [&](const char* element) { return store->RecentPasses(element, 5).size(); };
  dc.StartdcClick();
  ASSERT_TRUE(RunUntil([&] { return passes("BSC9") >= 2 && passes("BSC77") >= 2; }));
  dc.StopdcClick();

  Find<QAction>("Board1")->trigger();
  auto* board = Find<BoardWidget>("BoardWindow");
  ASSERT_NE(board, nullptr);
  EXPECT_NE(Find<BoardWidget>("BoardTab"), nullptr);
  // SETAR cleared the seizure alarm; the external alarm stays and was warned of.
  EXPECT_THAT(Find<QToolButton>("Tile_BSC9", board)->toolTip().toStdString(),
              HasSubstr("warned alarms"));
  EXPECT_THAT(Find<QToolButton>("Tile_BSC77", board)->toolTip().toStdString(),
              HasSubstr("could not be checked (unknown element)"));
  Find<QToolButton>("Tile_BSC9", board)->click();
  auto* alarms = Find<QTableWidget>("BoardAlarms", board);
  ASSERT_EQ(alarms->rowCount(), 1);
  EXPECT_EQ(alarms->item(0, 2)->text(), "EXTERNAL ALARM");
  alarms->selectRow(0);
  const QString note = "door open, \"known\"\nsecond line";
  board->AcknowledgeSelected(note);
  dailycheck::AlarmQuery active;
  active.element = "BSC9";
  active.active_only = true;
  const auto acknowledged = store->Alarms(active);
  ASSERT_EQ(acknowledged.size(), 1u);
  EXPECT_EQ(acknowledged[0].ack_by, platform::LoggedInUser());
  EXPECT_EQ(acknowledged[0].ack_note, note.toStdString());
  EXPECT_THAT(alarms->item(0, 5)->text().toStdString(), HasSubstr("door open, \"known\"\\n"));

  Find<QAction>("History1")->trigger();
  auto* history = Find<HistoryWindow>("HistoryWindow");
  ASSERT_NE(history, nullptr);
  const QString csv = share.filePath("alarms.csv");
  ASSERT_TRUE(history->Export(csv));
  const auto rows = kestrel::testing::ReadCsvRows(ReadAll(csv).toStdString());
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(history->Table->rowCount()) + 1);
  EXPECT_EQ(rows[0][0], "element");
  bool found = false;
  for (const auto& row : rows) found = found || (row.size() == 11 && row[10] == note.toStdString());
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace kestrel::app::testing
