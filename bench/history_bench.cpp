// The Daily check's history store: recording one pass of an element with 50 alarms (goal:
// under 5 ms median), and on a year of history of 300 elements at 15-minute cycles, with
// alarms arriving and clearing, the board's refresh (goal: under 50 ms) and a 30-day query
// with its chart data (goal: under 200 ms). The year is made once into
// $KESTREL_BENCH_HISTORY (default /tmp/kestrel-bench-history-year.sqlite) and kept for the
// next run; its size is printed as the counter "file_MB".
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "pages/dailycheck/history.h"
#include "platform/sqlite_history.h"

namespace {

using kestrel::dailycheck::AlarmQuery;
using kestrel::dailycheck::Pass;
using kestrel::dailycheck::PassEnding;
using kestrel::platform::SqliteHistory;

constexpr int kElements = 300;
constexpr std::int64_t kCycle = 15 * 60;
constexpr std::int64_t kYearStart = 1'765'000'000;  // December 2025
constexpr std::int64_t kYearEnd = kYearStart + 365 * 86400;

std::string YearFile() {
  const char* path = std::getenv("KESTREL_BENCH_HISTORY");
  return path != nullptr ? path : "/tmp/kestrel-bench-history-year.sqlite";
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "history_bench: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

// A year as the store writes it, in bulk: every element checked every cycle; each element
// gets two alarms a day on average that last from an hour to three days, and keeps about
// one alarm that never clears; a warning and a solution now and then.
void MakeYear(const std::string& path) {
  if (std::filesystem::exists(path)) return;
  std::fprintf(stderr, "history_bench: making a year of history in %s (once)...\n", path.c_str());
  const std::string partial = path + ".partial";
  std::filesystem::remove(partial);
  SqliteHistory store(partial, 0);
  sqlite3* db = store.Handle();
  Check(sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* element = nullptr;
  sqlite3_stmt* pass = nullptr;
  sqlite3_stmt* warning = nullptr;
  sqlite3_stmt* alarm = nullptr;
  Check(sqlite3_prepare_v2(db,
                           "INSERT INTO elements(id, name, last_pass, last_ended, ending, up, "
                           "blocked) VALUES(?, ?, NULL, ?, 0, ?, ?)",
                           -1, &element, nullptr),
        db);
  Check(sqlite3_prepare_v2(db,
                           "INSERT INTO passes(element_id, started, ended, ending, detail, "
                           "list_read, alarms, warnings, solutions, blocked) VALUES(?, ?, ?, ?, "
                           "'', ?, ?, ?, ?, '')",
                           -1, &pass, nullptr),
        db);
  Check(sqlite3_prepare_v2(db, "INSERT INTO pass_warnings(pass_id, line) VALUES(?, ?)", -1,
                           &warning, nullptr),
        db);
  Check(sqlite3_prepare_v2(db,
                           "INSERT INTO alarms(element_id, class, number, slogan, first_seen, "
                           "last_seen, cleared, count, last_pass, warned) VALUES(?, ?, ?, ?, ?, "
                           "?, ?, ?, 0, ?)",
                           -1, &alarm, nullptr),
        db);
  const char* slogans[] = {"EXTERNAL ALARM",
                           "SEIZURE SUPERVISION",
                           "SEIZURE QUALITY SUPERVISION",
                           "DIGITAL PATH FAULT SUPERVISION",
                           "CELL LOGICAL CHANNEL AVAILABILITY SUPERVISION",
                           "RADIO X-CEIVER ADMINISTRATION MANAGED OBJECT FAULT",
                           "CCITT7 SIGNALLING LINK FAILURE",
                           "APPLICATION DETECTED SOFTWARE ERROR"};
  std::mt19937 rng(7);
  for (int e = 1; e <= kElements; ++e) {
    const std::string name = "BSC" + std::to_string(1000 + e);
    sqlite3_bind_int(element, 1, e);
    sqlite3_bind_text(element, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(element, 3, kYearEnd);
    sqlite3_bind_int(element, 4, e % 37 == 0 ? 0 : 1);
    sqlite3_bind_int(element, 5, e % 53 == 0 ? 1 : 0);
    Check(sqlite3_step(element), db);
    sqlite3_reset(element);
    // The alarms first: their arrivals also say which passes warned.
    int number = 100;
    for (std::int64_t t = kYearStart; t < kYearEnd;) {
      t += std::uniform_int_distribution<std::int64_t>(0, 86400)(rng);
      const std::int64_t first = t - t % kCycle;
      const std::int64_t lasts = std::uniform_int_distribution<std::int64_t>(3600, 3 * 86400)(rng);
      const std::int64_t cleared = first + lasts - lasts % kCycle;
      const bool open = cleared >= kYearEnd;
      sqlite3_bind_int(alarm, 1, e);
      sqlite3_bind_text(alarm, 2, "A2", -1, SQLITE_STATIC);
      sqlite3_bind_text(alarm, 3, std::to_string(++number).c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(alarm, 4, slogans[rng() % std::size(slogans)], -1, SQLITE_STATIC);
      sqlite3_bind_int64(alarm, 5, first);
      sqlite3_bind_int64(alarm, 6, open ? kYearEnd : cleared - kCycle);
      if (open) {
        sqlite3_bind_null(alarm, 7);
      } else {
        sqlite3_bind_int64(alarm, 7, cleared);
      }
      sqlite3_bind_int64(alarm, 8, (std::min(cleared, kYearEnd) - first) / kCycle);
      sqlite3_bind_int(alarm, 9, number % 3 == 0 ? 1 : 0);
      Check(sqlite3_step(alarm), db);
      sqlite3_reset(alarm);
    }
    // One that stays.
    sqlite3_bind_int(alarm, 1, e);
    sqlite3_bind_text(alarm, 2, "A1", -1, SQLITE_STATIC);
    sqlite3_bind_text(alarm, 3, "99", -1, SQLITE_STATIC);
    sqlite3_bind_text(alarm, 4, "EXTERNAL ALARM", -1, SQLITE_STATIC);
    sqlite3_bind_int64(alarm, 5, kYearStart);
    sqlite3_bind_int64(alarm, 6, kYearEnd);
    sqlite3_bind_null(alarm, 7);
    sqlite3_bind_int64(alarm, 8, 365 * 96);
    sqlite3_bind_int(alarm, 9, 0);
    Check(sqlite3_step(alarm), db);
    sqlite3_reset(alarm);
  }
  // The passes, cycle by cycle as the watcher makes them.
  for (std::int64_t t = kYearStart; t < kYearEnd; t += kCycle) {
    for (int e = 1; e <= kElements; ++e) {
      const std::int64_t started = t + e * 2;
      const bool read = rng() % 50 != 0;
      const int warned = rng() % 20 == 0 ? 1 : 0;
      sqlite3_bind_int(pass, 1, e);
      sqlite3_bind_int64(pass, 2, started);
      sqlite3_bind_int64(pass, 3, started + 2);
      sqlite3_bind_int(pass, 4, read ? 0 : 5);
      sqlite3_bind_int(pass, 5, read ? 1 : 0);
      sqlite3_bind_int(pass, 6, read ? 3 : 0);
      sqlite3_bind_int(pass, 7, warned);
      sqlite3_bind_int(pass, 8, warned);
      Check(sqlite3_step(pass), db);
      sqlite3_reset(pass);
      if (warned != 0) {
        sqlite3_bind_int64(warning, 1, sqlite3_last_insert_rowid(db));
        sqlite3_bind_text(warning, 2, "Warning: BSC: EXTERNAL ALARM; 07.12.2026 08:15:02", -1,
                          SQLITE_STATIC);
        Check(sqlite3_step(warning), db);
        sqlite3_reset(warning);
      }
    }
  }
  Check(sqlite3_exec(db,
                     "UPDATE elements SET last_pass = (SELECT max(id) FROM passes p WHERE "
                     "p.element_id = elements.id); INSERT INTO watcher VALUES(1, 0, 900)",
                     nullptr, nullptr, nullptr),
        db);
  {
    const std::string heartbeat =
        "UPDATE watcher SET last_cycle = " + std::to_string(kYearEnd) + "; COMMIT";
    Check(sqlite3_exec(db, heartbeat.c_str(), nullptr, nullptr, nullptr), db);
  }
  for (sqlite3_stmt* statement : {element, pass, warning, alarm}) sqlite3_finalize(statement);
  Check(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr), db);
  std::filesystem::rename(partial, path);
  for (const char* suffix : {"-wal", "-shm"}) {
    std::error_code ignored;
    std::filesystem::remove(partial + suffix, ignored);
  }
}

double MegaBytes(const std::string& path) {
  double bytes = 0;
  for (const char* suffix : {"", "-wal"}) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path + suffix, error);
    if (!error) bytes += static_cast<double>(size);
  }
  return bytes / 1e6;
}

void BM_RecordPassOf50Alarms(benchmark::State& state) {
  const std::string path = "/tmp/kestrel-bench-record-" + std::to_string(getpid()) + ".sqlite";
  {
    SqliteHistory store(path, 400);
    Pass pass;
    pass.element = "BSC9";
    pass.ending = PassEnding::kChecked;
    pass.list_read = true;
    for (int i = 0; i < 50; ++i) {
      pass.alarms.push_back(
          {"A2", std::to_string(100 + i), "ALARM SLOGAN " + std::to_string(i), i % 10 == 0});
    }
    pass.warnings = {"Warning: BSC9: ALARM SLOGAN 0; 07.12.2026 08:15:02"};
    pass.solutions = {{"SETAR;", "executed"}};
    std::int64_t t = kYearEnd;
    int turn = 0;
    for (auto _ : state) {
      // Alarms come and go: each pass one alarm of the fifty is another one.
      pass.alarms[static_cast<std::size_t>(turn % 50)].number = std::to_string(1000 + turn);
      ++turn;
      pass.started = t;
      pass.ended = t + 3;
      t += kCycle;
      store.Record(pass);
    }
  }
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
}
BENCHMARK(BM_RecordPassOf50Alarms)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_BoardOfAYear(benchmark::State& state) {
  MakeYear(YearFile());
  SqliteHistory store(YearFile(), 0);
  std::size_t tiles = 0;
  for (auto _ : state) {
    const auto board = store.Board();
    const auto beat = store.LastCycle();
    for (const auto& element : board) {
      benchmark::DoNotOptimize(kestrel::dailycheck::StateOf(element));
      benchmark::DoNotOptimize(
          kestrel::dailycheck::Stale(element.last_pass, kYearEnd, beat.cycle_s));
    }
    tiles = board.size();
  }
  state.counters["tiles"] = static_cast<double>(tiles);
  state.counters["file_MB"] = MegaBytes(YearFile());
}
BENCHMARK(BM_BoardOfAYear)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_ThirtyDaysWithChartOfAYear(benchmark::State& state) {
  MakeYear(YearFile());
  SqliteHistory store(YearFile(), 0);
  std::size_t alarms = 0;
  for (auto _ : state) {
    AlarmQuery query;
    query.since = kYearEnd - 30 * 86400;
    query.until = kYearEnd;
    const auto found = store.Alarms(query);
    const auto trends =
        kestrel::dailycheck::TrendsOf(found, *query.since, *query.until, kYearEnd, 0, 10);
    benchmark::DoNotOptimize(trends.active.size());
    alarms = found.size();
  }
  state.counters["alarms"] = static_cast<double>(alarms);
}
BENCHMARK(BM_ThirtyDaysWithChartOfAYear)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
