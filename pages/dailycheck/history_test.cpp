// What a visit leaves in the history, for every way it can end; and that the page with a
// history sends, reports and writes exactly what it does without one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pages/dailycheck/dailycheck_test_fixture.h"

namespace kestrel::dailycheck::testing {
namespace {

using ::testing::HasSubstr;

struct SteppedWallClock : WallClock {
  mutable std::int64_t now = 1'800'000'000;
  std::int64_t UtcSeconds() const override { return now += 10; }
};

// Keeps the passes it is given; fails with `failure` when that is set.
struct KeptPasses : HistoryStore {
  std::vector<Pass>* passes;
  std::string* failure;
  KeptPasses(std::vector<Pass>& p, std::string& f) : passes(&p), failure(&f) {}
  void Record(const Pass& pass) override {
    if (!failure->empty()) throw std::runtime_error(*failure);
    passes->push_back(pass);
  }
  void CycleEnded(std::int64_t, std::int64_t) override {}
  void Acknowledge(std::int64_t, const std::string&, std::int64_t, const std::string&) override {}
  std::vector<ElementState> Board() override { return {}; }
  std::vector<AlarmRecord> Alarms(const AlarmQuery&) override { return {}; }
  std::vector<PassSummary> RecentPasses(const std::string&, int) override { return {}; }
  Heartbeat LastCycle() override { return {}; }
};

const std::string kList = AlarmList(
    Alarm("SEIZURE SUPERVISION") +
    "A1/EXT \"BSC9    12/00/0\" 77 261205   1407\r\nRXOCF-12   PERMANENT FAULT\r\n\r\n\r\n" +
    Alarm("SEIZURE SUPERVISION"));

std::string Alarms(const Pass& pass) {
  std::string text;
  for (const auto& a : pass.alarms)
    text += a.alarm_class + "/" + a.number + ":" + a.slogan + ":" + (a.warned ? "w" : "-") + " ";
  return text;
}
std::string Solutions(const Pass& pass) {
  std::string text;
  for (const auto& s : pass.solutions) text += s.order + "=" + s.outcome + " ";
  return text;
}

TEST(History, EachEndingIsOnePassAndThePageDoesWhatItDoesWithout) {
  const std::vector<DataCase> cases = DataCases("dailycheck-history.txt");
  for (std::size_t k = 1; k < cases.size(); ++k) {
    SCOPED_TRACE(cases[k].name);
    PageBench plain, watched;
    for (PageBench* b : {&plain, &watched}) b->page.PermanentCheckBox.SetChecked(true);
    std::vector<Pass> passes;
    std::string failure;
    SteppedWallClock wall;
    RecordedFiles metrics_files;
    PassWatch watch(wall, metrics_files, {});
    watch.SetStore(std::make_unique<KeptPasses>(passes, failure));
    watched.page.SetPassWatch(&watch);
    RunScript(plain, cases[k], cases.front());
    RunScript(watched, cases[k], cases.front());
    EXPECT_EQ(watched.telnet.events, plain.telnet.events);
    EXPECT_EQ(watched.page.Memoreportdc.Text(), plain.page.Memoreportdc.Text());
    EXPECT_EQ(watched.files.written, plain.files.written);
    ASSERT_GE(passes.size(), 1u);
    const Pass& pass = passes.front();
    const std::vector<std::string> expected = cases[k].Lines("pass");
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(pass.element, "BSC9");
    EXPECT_EQ(EndingName(pass.ending), expected[0]);
    EXPECT_EQ(pass.list_read, expected[1] == "list read");
    EXPECT_EQ(Alarms(pass), expected[2]);
    EXPECT_EQ(Solutions(pass), expected[3]);
    EXPECT_EQ(pass.blocked.empty() ? "" : pass.blocked.front(), expected[4]);
    EXPECT_LT(pass.started, pass.ended);
    EXPECT_EQ(pass.warnings.size(), pass.list_read ? 1u : 0u);
  }
}

// A failing store is said once while it fails; the metrics file keeps being written, with its
// label values escaped.
TEST(History, AFailingStoreIsSaidOnceAndTheMetricsGoOn) {
  PageBench b;
  std::vector<Pass> passes;
  std::string failure = "disk full";
  SteppedWallClock wall;
  RecordedFiles files;
  std::vector<std::string> said;
  PassWatch watch(wall, files, [&](const std::string& text) { said.push_back(text); });
  watch.SetStore(std::make_unique<KeptPasses>(passes, failure));
  watch.SetMetricsFile("/m/kestrel.prom");
  b.page.SetPassWatch(&watch);
  for (int i = 0; i < 3; ++i) {
    b.page.ListBoxdc.Clear();
    b.Start({"BSC9"});
    b.telnet.Receive(kList);
    b.page.StopdcClick();
  }
  EXPECT_EQ(said.size(), 1u);
  EXPECT_THAT(said.front(), HasSubstr("disk full"));
  Pass odd;
  odd.element = "B\"S\\C\n";
  odd.ended = 5;
  watch.Ended(odd);
  const std::string metrics = files.written.at("/m/kestrel.prom");
  EXPECT_THAT(metrics, HasSubstr("kestrel_dailycheck_active_alarms{element=\"BSC9\"} 2\n"));
  EXPECT_THAT(metrics, HasSubstr("kestrel_dailycheck_element_up{element=\"BSC9\"} 1\n"));
  EXPECT_THAT(metrics, HasSubstr("kestrel_dailycheck_warned_alarms{element=\"BSC9\"} 1\n"));
  EXPECT_THAT(metrics, HasSubstr("kestrel_dailycheck_element_up{element=\"B\\\"S\\\\C\\n\"} 0\n"));
  EXPECT_THAT(metrics, HasSubstr("# TYPE kestrel_dailycheck_blocked_objects gauge\n"));
  // The list is BSC9 alone: each of its passes ends a cycle.
  const std::string key = "kestrel_dailycheck_last_pass_timestamp_seconds{element=\"BSC9\"} ";
  const std::size_t at = metrics.find(key) + key.size();
  EXPECT_THAT(metrics, HasSubstr("kestrel_dailycheck_last_cycle_timestamp_seconds " +
                                 metrics.substr(at, metrics.find('\n', at) - at) + "\n"));
  failure.clear();
  b.page.ListBoxdc.Clear();
  b.Start({"BSC9"});
  b.page.StopdcClick();
  EXPECT_EQ(passes.size(), 1u);
}

// Each row of "iso times" in readings.txt, written back as it was read unless it says not.
TEST(History, IsoTimesBothWays) {
  for (const auto& row : pages::testing::Rows("readings.txt", "iso times")) {
    const std::optional<std::int64_t> seconds = ParseIsoTime(row.at(0));
    EXPECT_EQ(seconds ? std::to_string(*seconds) : "", row.at(1)) << row[0];
    if (seconds && row.size() == 2) {
      EXPECT_EQ(IsoTime(*seconds), row[0]);
    }
  }
}

TEST(History, TrendsCountEachDayAnAlarmWasActiveAndTheCommonestSlogans) {
  constexpr std::int64_t kDay = 86400, kStart = 1'796'601'600;  // 2026-12-07 00:00 UTC
  auto alarm = [](const char* element, const char* slogan, std::int64_t first,
                  std::optional<std::int64_t> cleared) {
    AlarmRecord a;
    a.element = element;
    a.slogan = slogan;
    a.first_seen = a.last_seen = first;
    a.cleared = cleared;
    return a;
  };
  const std::vector<AlarmRecord> alarms = {
      alarm("BSC9", "A", kStart - kDay + 3600, kStart + kDay + 60),  // from before the range
      alarm("BSC9", "B", kStart + 2 * kDay, std::nullopt),           // still active
      alarm("BSC10", "B", kStart + 10, kStart + 20),
      alarm("BSC11", "C", kStart + 5 * kDay, std::nullopt)};  // after the range
  const Trends trends = TrendsOf(alarms, kStart, kStart + 4 * kDay, kStart + 3 * kDay + 5, 0, 5);
  ASSERT_EQ(trends.days.size(), 4u);
  EXPECT_EQ(trends.active.at("BSC9"), (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(trends.active.at("BSC10"), (std::vector<int>{1, 0, 0, 0}));
  EXPECT_FALSE(trends.active.contains("BSC11"));
  EXPECT_EQ(trends.slogans, (std::vector<std::pair<std::string, int>>{{"B", 2}, {"A", 1}}));
  // A day of local time starts at local midnight: three hours east of UTC, 21:00 UTC.
  EXPECT_EQ(TrendsOf(alarms, kStart, kStart + kDay, kStart, 3 * 3600, 5).days.front(),
            kStart - 3 * 3600);
}

TEST(History, TileStatesWorstFirstAndKeptTextsShownOnOneLine) {
  const std::pair<ElementState, TileState> rows[] = {
      {{"E", 0, PassEnding::kSilent, false, 3, 3, 1, 0}, TileState::kUnchecked},
      {{"E", 0, PassEnding::kChecked, true, 3, 3, 1, 0}, TileState::kBlocked},
      {{"E", 0, PassEnding::kChecked, true, 3, 1, 0, 0}, TileState::kWarned},
      {{"E", 0, PassEnding::kChecked, true, 3, 0, 0, 0}, TileState::kFiltered},
      {{"E", 0, PassEnding::kChecked, true, 0, 0, 0, 0}, TileState::kClear}};
  for (const auto& [state, tile] : rows) EXPECT_EQ(StateOf(state), tile);
  EXPECT_TRUE(Stale(0, 3 * 60 + 1, 60));
  EXPECT_FALSE(Stale(0, 3 * 60, 60));
  EXPECT_EQ(Escaped("a\\b\nc\x01\"d"), "a\\\\b\\nc\\x01\"d");
  EXPECT_EQ(CsvRow({"a,b", "say \"hi\"", "x\ny", "plain"}),
            "\"a,b\",\"say \"\"hi\"\"\",\"x\ny\",plain\r\n");
}

}  // namespace
}  // namespace kestrel::dailycheck::testing
