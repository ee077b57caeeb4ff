#include "platform/sqlite_history.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <tuple>

namespace kestrel::platform {

using dailycheck::AlarmRecord;
using dailycheck::ElementState;
using dailycheck::PassEnding;
using dailycheck::PassSummary;

namespace {

// Each step brings a file from the version before it to its own; a file of any earlier
// version is brought up to date step by step when it is opened.
constexpr const char* kMigrations[] = {
    // 1: elements with their last pass, the passes with what they saw and did, the alarms,
    // the watcher's heartbeat.
    R"(CREATE TABLE elements(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,
         last_pass INTEGER, last_ended INTEGER, ending INTEGER, up INTEGER NOT NULL DEFAULT 0,
         blocked INTEGER NOT NULL DEFAULT 0);
       CREATE TABLE passes(id INTEGER PRIMARY KEY, element_id INTEGER NOT NULL,
         started INTEGER NOT NULL, ended INTEGER NOT NULL, ending INTEGER NOT NULL,
         detail TEXT NOT NULL, list_read INTEGER NOT NULL, alarms INTEGER NOT NULL,
         warnings INTEGER NOT NULL, solutions INTEGER NOT NULL, blocked TEXT NOT NULL);
       CREATE INDEX passes_element ON passes(element_id, id);
       CREATE TABLE pass_warnings(pass_id INTEGER NOT NULL, line TEXT NOT NULL);
       CREATE INDEX pass_warnings_pass ON pass_warnings(pass_id);
       CREATE TABLE pass_solutions(pass_id INTEGER NOT NULL, entry TEXT NOT NULL,
         outcome TEXT NOT NULL);
       CREATE INDEX pass_solutions_pass ON pass_solutions(pass_id);
       CREATE TABLE alarms(id INTEGER PRIMARY KEY, element_id INTEGER NOT NULL,
         class TEXT NOT NULL, number TEXT NOT NULL, slogan TEXT NOT NULL,
         first_seen INTEGER NOT NULL, last_seen INTEGER NOT NULL, cleared INTEGER,
         count INTEGER NOT NULL, last_pass INTEGER NOT NULL, warned INTEGER NOT NULL,
         ack_by TEXT, ack_at INTEGER, ack_note TEXT);
       CREATE UNIQUE INDEX alarms_active ON alarms(element_id, number, slogan)
         WHERE cleared IS NULL;
       CREATE INDEX alarms_cleared ON alarms(cleared);
       CREATE TABLE watcher(id INTEGER PRIMARY KEY CHECK(id = 1), last_cycle INTEGER NOT NULL,
         cycle_s INTEGER NOT NULL);)",
};

std::string Stamp() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &tm);
  return text;
}

// A prepared statement whose values are bound, never spliced into its text.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); rc != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db));
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int i, std::int64_t value) {
    sqlite3_bind_int64(stmt_, i, value);
    return *this;
  }
  Statement& Bind(int i, const std::string& value) {
    sqlite3_bind_text(stmt_, i, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& BindNull(int i) {
    sqlite3_bind_null(stmt_, i);
    return *this;
  }
  // True while there is a row.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw SqliteError(db_, rc);
  }
  void Reset() { sqlite3_reset(stmt_); }
  void Run() {
    Step();
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  std::int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
  bool Null(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
  std::string Text(int col) const {
    const auto* text = sqlite3_column_text(stmt_, col);
    return text == nullptr
               ? std::string()
               : std::string(reinterpret_cast<const char*>(text),
                             static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col)));
  }

  struct SqliteError : std::runtime_error {
    SqliteError(sqlite3* db, int rc) : std::runtime_error(Describe(db, rc)), code(rc) {}
    int code;
  };
  static std::string Describe(sqlite3* db, int rc) {
    switch (rc & 0xff) {
      case SQLITE_BUSY:
      case SQLITE_LOCKED:
        return "the history file is locked by another program past the timeout";
      case SQLITE_FULL:
        return "the disk is full";
      case SQLITE_READONLY:
      case SQLITE_CANTOPEN:
      case SQLITE_PERM:
        return std::string("the history file cannot be written (") + sqlite3_errmsg(db) + ")";
      default:
        return sqlite3_errmsg(db);
    }
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

using SqliteError = Statement::SqliteError;

bool Damaged(int code) { return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB; }

// The transaction of one call: committed at its end, rolled back when it throws.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) { Statement(db, "BEGIN IMMEDIATE").Step(); }
  ~Transaction() {
    if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void Commit() {
    Statement(db_, "COMMIT").Step();
    done_ = true;
  }

 private:
  sqlite3* db_;
  bool done_ = false;
};

}  // namespace

SqliteHistory::SqliteHistory(std::string path, int keep_days,
                             std::function<void(const std::string&)> notice, int busy_timeout_ms)
    : path_(std::move(path)),
      keep_days_(keep_days),
      notice_(std::move(notice)),
      busy_timeout_ms_(busy_timeout_ms) {}

SqliteHistory::~SqliteHistory() { Close(); }

void SqliteHistory::Close() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
}

sqlite3* SqliteHistory::Handle() {
  Open();
  return db_;
}

void SqliteHistory::Fail(const std::string& what, int code) {
  const std::string error = what + ": " + Statement::Describe(db_, code);
  Close();
  throw std::runtime_error(path_ + ": " + error);
}

void SqliteHistory::Exec(const char* sql) {
  char* message = nullptr;
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    sqlite3_free(message);
    throw SqliteError(db_, rc);
  }
}

// The damaged file, its journal and shared memory go under a name of their own beside it.
void SqliteHistory::MoveAside(const std::string& why) {
  Close();
  const std::string aside = path_ + ".damaged-" + Stamp();
  std::error_code error;
  std::filesystem::rename(path_, aside, error);
  if (error) {
    throw std::runtime_error(path_ + " is damaged (" + why + ") and cannot be moved aside: " +
                             error.message() + "; it is left as it is");
  }
  for (const char* suffix : {"-wal", "-shm"}) {
    std::error_code ignored;
    if (std::filesystem::exists(path_ + suffix, ignored)) {
      std::filesystem::rename(path_ + suffix, aside + suffix, ignored);
    }
  }
  if (notice_) {
    notice_("The Daily check history " + path_ + " is damaged (" + why + "); it is kept as " +
            aside + " and a new history is started");
  }
}

void SqliteHistory::Open() {
  if (db_ != nullptr) return;
  for (int attempt = 0;; ++attempt) {
    int rc =
        sqlite3_open_v2(path_.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) Fail("cannot open", rc);
    sqlite3_busy_timeout(db_, busy_timeout_ms_);
    try {
      // A newer program's file is not touched at all, not even to switch its journal.
      std::int64_t version = 0;
      {
        Statement read(db_, "PRAGMA user_version");
        read.Step();
        version = read.Int(0);
      }
      if (version > kSchemaVersion) {
        Close();
        throw std::runtime_error(path_ + " was written by a newer Kestrel (history version " +
                                 std::to_string(version) + "); it is left as it is");
      }
      Exec("PRAGMA journal_mode=WAL");
      Exec("PRAGMA synchronous=NORMAL");
      Migrate();
      return;
    } catch (const SqliteError& error) {
      if (Damaged(error.code) && attempt == 0) {
        MoveAside(error.what());
        continue;
      }
      Fail("cannot open", error.code);
    }
  }
}

void SqliteHistory::Migrate() {
  {
    Statement read(db_, "PRAGMA user_version");
    read.Step();
    if (read.Int(0) == kSchemaVersion) return;
  }
  Transaction transaction(db_);
  // Another program may have brought it up to date while this one waited for the lock.
  Statement again(db_, "PRAGMA user_version");
  again.Step();
  const std::int64_t version = again.Int(0);
  again.Reset();
  if (version > kSchemaVersion)
    throw std::runtime_error(path_ + " was just taken over by a newer Kestrel");
  for (std::int64_t v = version; v < kSchemaVersion; ++v) Exec(kMigrations[v]);
  Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
  transaction.Commit();
}

void SqliteHistory::Record(const dailycheck::Pass& pass) {
  Open();
  try {
    Transaction transaction(db_);
    Statement(db_, "INSERT OR IGNORE INTO elements(name) VALUES(?)").Bind(1, pass.element).Run();
    Statement element(db_, "SELECT id FROM elements WHERE name = ?");
    element.Bind(1, pass.element).Step();
    const std::int64_t element_id = element.Int(0);

    std::string blocked;
    for (const std::string& object : pass.blocked) blocked += (blocked.empty() ? "" : " ") + object;
    Statement(db_,
              "INSERT INTO passes(element_id, started, ended, ending, detail, list_read, alarms, "
              "warnings, solutions, blocked) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .Bind(1, element_id)
        .Bind(2, pass.started)
        .Bind(3, pass.ended)
        .Bind(4, static_cast<std::int64_t>(pass.ending))
        .Bind(5, pass.detail)
        .Bind(6, pass.list_read ? 1 : 0)
        .Bind(7, static_cast<std::int64_t>(pass.alarms.size()))
        .Bind(8, static_cast<std::int64_t>(pass.warnings.size()))
        .Bind(9, static_cast<std::int64_t>(pass.solutions.size()))
        .Bind(10, blocked)
        .Run();
    const std::int64_t pass_id = sqlite3_last_insert_rowid(db_);
    if (!pass.warnings.empty()) {
      Statement add(db_, "INSERT INTO pass_warnings(pass_id, line) VALUES(?, ?)");
      for (const std::string& line : pass.warnings) add.Bind(1, pass_id).Bind(2, line).Run();
    }
    if (!pass.solutions.empty()) {
      Statement add(db_, "INSERT INTO pass_solutions(pass_id, entry, outcome) VALUES(?, ?, ?)");
      for (const auto& run : pass.solutions)
        add.Bind(1, pass_id).Bind(2, run.order).Bind(3, run.outcome).Run();
    }

    // The times of a record only ever move forward: a clock set back between passes neither
    // reopens nor duplicates an alarm, nor clears one before it was seen.
    Statement seen(db_,
                   "UPDATE alarms SET last_seen = max(last_seen, ?), count = count + 1, "
                   "last_pass = ?, warned = ?, class = ? WHERE element_id = ? AND number = ? AND "
                   "slogan = ? AND cleared IS NULL");
    Statement added(db_,
                    "INSERT INTO alarms(element_id, class, number, slogan, first_seen, last_seen, "
                    "count, last_pass, warned) VALUES(?, ?, ?, ?, ?, ?, 1, ?, ?)");
    std::set<std::tuple<std::string, std::string>> once;
    for (const dailycheck::SeenAlarm& alarm : pass.alarms) {
      if (!once.emplace(alarm.number, alarm.slogan).second) continue;
      seen.Bind(1, pass.started)
          .Bind(2, pass_id)
          .Bind(3, alarm.warned ? 1 : 0)
          .Bind(4, alarm.alarm_class)
          .Bind(5, element_id)
          .Bind(6, alarm.number)
          .Bind(7, alarm.slogan)
          .Run();
      if (sqlite3_changes(db_) > 0) continue;
      added.Bind(1, element_id)
          .Bind(2, alarm.alarm_class)
          .Bind(3, alarm.number)
          .Bind(4, alarm.slogan)
          .Bind(5, pass.started)
          .Bind(6, pass.started)
          .Bind(7, pass_id)
          .Bind(8, alarm.warned ? 1 : 0)
          .Run();
    }
    // Only a list read to its end tells which alarms are gone.
    if (pass.list_read) {
      Statement(db_,
                "UPDATE alarms SET cleared = max(?, last_seen) WHERE element_id = ? AND "
                "cleared IS NULL AND last_pass != ?")
          .Bind(1, pass.started)
          .Bind(2, element_id)
          .Bind(3, pass_id)
          .Run();
    }
    // A Stop is the engineer's, not the element's: unless the list was read, the board keeps
    // what the pass before it found.
    Statement(db_,
              "UPDATE elements SET last_pass = ?, last_ended = ?, ending = ?, up = ?, blocked = ? "
              "WHERE id = ? AND (? = 0 OR last_pass IS NULL)")
        .Bind(1, pass_id)
        .Bind(2, pass.ended)
        .Bind(3, static_cast<std::int64_t>(pass.ending))
        .Bind(4, pass.list_read ? 1 : 0)
        .Bind(5, static_cast<std::int64_t>(pass.blocked.size()))
        .Bind(6, element_id)
        .Bind(7, pass.ending == PassEnding::kStopped && !pass.list_read ? 1 : 0)
        .Run();
    transaction.Commit();
  } catch (const SqliteError& error) {
    Fail("pass of " + pass.element + " not recorded", error.code);
  }
  // Once a day, what is older than the days kept goes.
  const std::int64_t day = pass.ended / 86400;
  if (keep_days_ > 0 && day != pruned_day_) {
    pruned_day_ = day;
    Prune(pass.ended - std::int64_t{keep_days_} * 86400);
  }
}

void SqliteHistory::Prune(std::int64_t before) {
  Open();
  try {
    Transaction transaction(db_);
    for (const char* sql :
         {"DELETE FROM pass_warnings WHERE pass_id IN (SELECT id FROM passes WHERE ended < ?)",
          "DELETE FROM pass_solutions WHERE pass_id IN (SELECT id FROM passes WHERE ended < ?)",
          "DELETE FROM passes WHERE ended < ? AND id NOT IN (SELECT last_pass FROM elements "
          "WHERE last_pass IS NOT NULL)",
          "DELETE FROM alarms WHERE cleared < ?"}) {
      Statement(db_, sql).Bind(1, before).Run();
    }
    transaction.Commit();
  } catch (const SqliteError& error) {
    Fail("old history not removed", error.code);
  }
}

void SqliteHistory::CycleEnded(std::int64_t at, std::int64_t cycle_s) {
  Open();
  try {
    Statement(db_,
              "INSERT INTO watcher(id, last_cycle, cycle_s) VALUES(1, ?, ?) ON CONFLICT(id) DO "
              "UPDATE SET last_cycle = max(last_cycle, excluded.last_cycle), "
              "cycle_s = excluded.cycle_s")
        .Bind(1, at)
        .Bind(2, cycle_s)
        .Run();
  } catch (const SqliteError& error) {
    Fail("the watcher's cycle not recorded", error.code);
  }
}

void SqliteHistory::Acknowledge(std::int64_t alarm_id, const std::string& by, std::int64_t at,
                                const std::string& note) {
  Open();
  try {
    Statement(db_, "UPDATE alarms SET ack_by = ?, ack_at = ?, ack_note = ? WHERE id = ?")
        .Bind(1, by)
        .Bind(2, at)
        .Bind(3, note)
        .Bind(4, alarm_id)
        .Run();
  } catch (const SqliteError& error) {
    Fail("acknowledgement not recorded", error.code);
  }
  if (sqlite3_changes(db_) == 0) throw std::runtime_error("that alarm is no longer in the history");
}

std::vector<ElementState> SqliteHistory::Board() {
  Open();
  std::vector<ElementState> board;
  try {
    Statement read(
        db_,
        "SELECT e.name, e.last_ended, e.ending, e.up, e.blocked, "
        "(SELECT count(*) FROM alarms a WHERE a.element_id = e.id AND a.cleared IS "
        "NULL), (SELECT count(*) FROM alarms a WHERE a.element_id = e.id AND "
        "a.cleared IS NULL AND a.warned), (SELECT count(*) FROM alarms a WHERE a.element_id = "
        "e.id AND a.cleared IS NULL AND a.ack_by IS NOT NULL) FROM elements e WHERE e.last_pass IS "
        "NOT NULL "
        "ORDER BY e.name");
    while (read.Step()) {
      ElementState state;
      state.element = read.Text(0);
      state.last_pass = read.Int(1);
      state.ending = static_cast<PassEnding>(std::clamp<std::int64_t>(read.Int(2), 0, 6));
      state.up = read.Int(3) != 0;
      state.blocked = static_cast<int>(read.Int(4));
      state.active = static_cast<int>(read.Int(5));
      state.warned = static_cast<int>(read.Int(6));
      state.acknowledged = static_cast<int>(read.Int(7));
      board.push_back(std::move(state));
    }
  } catch (const SqliteError& error) {
    Fail("the board cannot be read", error.code);
  }
  return board;
}

std::vector<AlarmRecord> SqliteHistory::Alarms(const dailycheck::AlarmQuery& query) {
  Open();
  std::vector<AlarmRecord> alarms;
  try {
    // Only the filters asked for go into the statement, so that the indexes serve them; their
    // values are bound.
    std::string sql =
        "SELECT a.id, e.name, a.class, a.number, a.slogan, a.first_seen, a.last_seen, a.cleared, "
        "a.count, a.warned, a.ack_by, a.ack_at, a.ack_note FROM alarms a JOIN elements e ON "
        "e.id = a.element_id WHERE 1";
    if (query.active_only) {
      sql += " AND a.cleared IS NULL";
    } else if (query.since) {
      sql += " AND (a.cleared IS NULL OR a.cleared >= ?1)";
    }
    if (query.until) sql += " AND a.first_seen < ?2";
    if (!query.element.empty()) sql += " AND e.name = ?3";
    if (!query.text.empty()) {
      sql +=
          " AND (instr(a.slogan, ?4) > 0 OR instr(a.number, ?4) > 0 OR instr(a.class, ?4) > 0 "
          "OR instr(coalesce(a.ack_note, ''), ?4) > 0)";
    }
    sql += " ORDER BY a.first_seen, a.id";
    if (query.limit > 0) sql += " LIMIT " + std::to_string(query.limit);
    Statement read(db_, sql.c_str());
    if (query.since) read.Bind(1, *query.since);
    if (query.until) read.Bind(2, *query.until);
    if (!query.element.empty()) read.Bind(3, query.element);
    if (!query.text.empty()) read.Bind(4, query.text);
    while (read.Step()) {
      AlarmRecord alarm;
      alarm.id = read.Int(0);
      alarm.element = read.Text(1);
      alarm.alarm_class = read.Text(2);
      alarm.number = read.Text(3);
      alarm.slogan = read.Text(4);
      alarm.first_seen = read.Int(5);
      alarm.last_seen = read.Int(6);
      if (!read.Null(7)) alarm.cleared = read.Int(7);
      alarm.count = static_cast<int>(read.Int(8));
      alarm.warned = read.Int(9) != 0;
      alarm.ack_by = read.Text(10);
      if (!read.Null(11)) alarm.ack_at = read.Int(11);
      alarm.ack_note = read.Text(12);
      alarms.push_back(std::move(alarm));
    }
  } catch (const SqliteError& error) {
    Fail("the alarms cannot be read", error.code);
  }
  return alarms;
}

std::vector<PassSummary> SqliteHistory::RecentPasses(const std::string& element, int count) {
  Open();
  std::vector<PassSummary> passes;
  try {
    Statement read(db_,
                   "SELECT p.started, p.ended, p.ending, p.detail, p.alarms, p.warnings, "
                   "p.solutions, p.blocked FROM passes p JOIN elements e ON e.id = p.element_id "
                   "WHERE e.name = ? ORDER BY p.id DESC LIMIT ?");
    read.Bind(1, element).Bind(2, std::int64_t{count});
    while (read.Step()) {
      PassSummary pass;
      pass.started = read.Int(0);
      pass.ended = read.Int(1);
      pass.ending = static_cast<PassEnding>(std::clamp<std::int64_t>(read.Int(2), 0, 6));
      pass.detail = read.Text(3);
      pass.alarms = static_cast<int>(read.Int(4));
      pass.warnings = static_cast<int>(read.Int(5));
      pass.solutions = static_cast<int>(read.Int(6));
      pass.blocked = read.Text(7);
      passes.push_back(std::move(pass));
    }
  } catch (const SqliteError& error) {
    Fail("the passes cannot be read", error.code);
  }
  return passes;
}

dailycheck::Heartbeat SqliteHistory::LastCycle() {
  Open();
  dailycheck::Heartbeat beat;
  try {
    Statement read(db_, "SELECT last_cycle, cycle_s FROM watcher WHERE id = 1");
    if (read.Step()) {
      beat.last_cycle = read.Int(0);
      beat.cycle_s = read.Int(1);
    }
  } catch (const SqliteError& error) {
    Fail("the watcher's cycle cannot be read", error.code);
  }
  return beat;
}

}  // namespace kestrel::platform
