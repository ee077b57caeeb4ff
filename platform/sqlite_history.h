#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "pages/dailycheck/history.h"

struct sqlite3;

namespace kestrel::platform {

// The Daily check's history in one SQLite file that several programs write at once: the
// window, the runner and its parallel lanes, the service. WAL journal, a short busy timeout,
// each pass one transaction; every value goes in as a bound parameter.
//
// The file is opened at the first call and again after a failure, so a store that was out
// of reach for a while (a full disk, a lock held too long) comes back by itself. A file that
// is not a database, or is damaged, is moved aside (never written over) and a new one made;
// a file of a newer schema is left alone and nothing is written to it.
class SqliteHistory : public dailycheck::HistoryStore {
 public:
  static constexpr int kSchemaVersion = 1;

  // `notice`: what the engineer should hear once (a damaged file moved aside).
  SqliteHistory(std::string path, int keep_days,
                std::function<void(const std::string&)> notice = {}, int busy_timeout_ms = 2000);
  ~SqliteHistory() override;
  SqliteHistory(const SqliteHistory&) = delete;
  SqliteHistory& operator=(const SqliteHistory&) = delete;

  void Record(const dailycheck::Pass& pass) override;
  void CycleEnded(std::int64_t at, std::int64_t cycle_s) override;
  void Acknowledge(std::int64_t alarm_id, const std::string& by, std::int64_t at,
                   const std::string& note) override;
  std::vector<dailycheck::ElementState> Board() override;
  std::vector<dailycheck::AlarmRecord> Alarms(const dailycheck::AlarmQuery& query) override;
  std::vector<dailycheck::PassSummary> RecentPasses(const std::string& element, int count) override;
  dailycheck::Heartbeat LastCycle() override;

  // Removes passes that ended, and alarms that cleared, before `before`.
  void Prune(std::int64_t before);
  const std::string& Path() const { return path_; }
  // The open connection, for tools that fill a store in bulk.
  sqlite3* Handle();

 private:
  void Open();
  void Close();
  void Migrate();
  void MoveAside(const std::string& why);
  [[noreturn]] void Fail(const std::string& what, int code);
  void Exec(const char* sql);

  std::string path_;
  int keep_days_;
  std::function<void(const std::string&)> notice_;
  int busy_timeout_ms_;
  sqlite3* db_ = nullptr;
  std::int64_t pruned_day_ = -1;
};

}  // namespace kestrel::platform
