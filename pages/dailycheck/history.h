#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ports.h"

namespace kestrel::dailycheck {

// How a pass of an element ended.
enum class PassEnding {
  kChecked,
  kUnreachable,
  kRefusedLogin,
  kUnknownElement,
  kSilent,
  kDropped,
  kStopped
};
std::string_view EndingName(PassEnding ending);
std::optional<PassEnding> EndingFrom(std::string_view name);

// An alarm as the alarm list shows it: its identity is the element, the number and the slogan.
struct SeenAlarm {
  std::string alarm_class;  // "A1" ... "O2"
  std::string number;       // the alarm's number in the list, as printed
  std::string slogan;
  bool warned = false;  // a warning was raised for it in this pass
};

struct SolutionRun {
  std::string order;
  std::string outcome;  // "executed", "refused", "answered", "not answered"
};

// One visit of one element. Times are seconds since 1970 (UTC).
struct Pass {
  std::string element;
  std::int64_t started = 0, ended = 0;
  PassEnding ending = PassEnding::kDropped;
  std::string detail;      // why it ended early, in the report's words
  bool list_read = false;  // the whole alarm list was read: what it lacks has cleared
  std::vector<SeenAlarm> alarms;
  std::vector<std::string> warnings;
  std::vector<SolutionRun> solutions;
  std::vector<std::string> blocked;  // objects that may still be blocked at its end
};

// An alarm's record: consecutive passes that saw it.
struct AlarmRecord {
  std::int64_t id = 0;
  std::string element, alarm_class, number, slogan;
  std::int64_t first_seen = 0, last_seen = 0;
  std::optional<std::int64_t> cleared;
  int count = 0;
  bool warned = false;
  std::string ack_by;
  std::optional<std::int64_t> ack_at;
  std::string ack_note;
};

// The board's view of one element.
struct ElementState {
  std::string element;
  std::int64_t last_pass = 0;  // end of its last pass
  PassEnding ending = PassEnding::kChecked;
  bool up = false;  // its last pass read the alarm list
  int active = 0, warned = 0, blocked = 0;
  int acknowledged = 0;  // of the active alarms
};

struct PassSummary {
  std::int64_t started = 0, ended = 0;
  PassEnding ending = PassEnding::kChecked;
  std::string detail;
  int alarms = 0, warnings = 0, solutions = 0;
  std::string blocked;  // blank-separated
};

struct AlarmQuery {
  std::optional<std::int64_t> since{}, until{};  // alarms active at some time in [since, until)
  std::string element{};                         // empty: all
  std::string text{};                            // in the slogan, number, class or note
  bool active_only = false;
  std::size_t limit = 0;  // 0: no limit
};

// The watcher's heartbeat: when its last cycle over the list ended, and how long one took.
struct Heartbeat {
  std::int64_t last_cycle = 0;
  std::int64_t cycle_s = 0;
};

// Where the Daily check keeps its passes and alarms. Every call may throw std::runtime_error
// saying why the store failed; the caller decides how loud to be about it.
class HistoryStore {
 public:
  virtual ~HistoryStore() = default;
  virtual void Record(const Pass& pass) = 0;
  virtual void CycleEnded(std::int64_t at, std::int64_t cycle_s) = 0;
  virtual void Acknowledge(std::int64_t alarm_id, const std::string& by, std::int64_t at,
                           const std::string& note) = 0;
  virtual std::vector<ElementState> Board() = 0;
  virtual std::vector<AlarmRecord> Alarms(const AlarmQuery& query) = 0;
  virtual std::vector<PassSummary> RecentPasses(const std::string& element, int count) = 0;
  virtual Heartbeat LastCycle() = 0;
};

// Seconds since 1970, UTC: what the history is stamped with.
class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual std::int64_t UtcSeconds() const = 0;
};
class SystemWallClock : public WallClock {
 public:
  std::int64_t UtcSeconds() const override;
};

// "2026-12-07T08:15:00Z".
std::string IsoTime(std::int64_t utc_seconds);
// "2026-12-07", "2026-12-07T08:15", "2026-12-07T08:15:30", optional "Z"; UTC.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

// The board's colour of an element: what its last pass found, worst first.
enum class TileState { kUnchecked, kBlocked, kWarned, kFiltered, kClear };
TileState StateOf(const ElementState& state);
// How long a cycle over the list takes, for what is "three cycles" old: the longer of the one
// measured last and the pace's shortest.
std::int64_t CycleSeconds(const Heartbeat& beat, std::int64_t min_cycle_s);
// An element whose last pass ended more than three cycles ago is stale.
bool Stale(std::int64_t last_pass, std::int64_t now, std::int64_t cycle_s);
// True when the watcher's last cycle ended more than three cycles ago.
bool WatcherSilent(const Heartbeat& beat, std::int64_t now, std::int64_t cycle_s);

// The trends over a range of days: active alarms per element and day, and the slogans seen
// most often. Days start at midnight of the local time `utc_offset_s` from UTC.
struct Trends {
  std::vector<std::int64_t> days;                    // the start of each day, seconds since 1970
  std::map<std::string, std::vector<int>> active;    // element: alarms active on each day
  std::vector<std::pair<std::string, int>> slogans;  // most frequent first
};
Trends TrendsOf(const std::vector<AlarmRecord>& alarms, std::int64_t since, std::int64_t until,
                std::int64_t now, std::int64_t utc_offset_s, std::size_t top_slogans);

// A kept text as one line to show: backslash, line breaks, tabs and other control characters
// written as escapes ("\\", "\n", "\r", "\t", "\x01").
std::string Escaped(std::string_view text);

// One row of CSV (RFC 4180): fields with a comma, quote or line break quoted, quotes doubled,
// the row ended by CR LF.
std::string CsvRow(const std::vector<std::string>& fields);

// The passes of a Daily check on their way to the store and into the metrics file. The store
// failing never stops the check: the first failure of a kind is said once through `notice`,
// and the check goes on as before. Pages that check one list side by side share one watch.
class PassWatch {
 public:
  PassWatch(const WallClock& clock, platform::Files& files,
            std::function<void(const std::string&)> notice);
  // No store: only the metrics file (when there is one) is kept.
  void SetStore(std::unique_ptr<HistoryStore> store) { store_ = std::move(store); }
  HistoryStore* Store() { return store_.get(); }
  void SetMetricsFile(std::string path) { metrics_path_ = std::move(path); }
  // The elements of the list: a cycle ends when each has had a pass since the last one.
  void SetElements(const std::vector<std::string>& elements);

  std::int64_t Now() const { return clock_.UtcSeconds(); }
  void Ended(const Pass& pass);

  // The metrics text of the elements' last passes.
  std::string Metrics() const;

 private:
  void Said(const std::string& what, const std::string& error);

  const WallClock& clock_;
  platform::Files& files_;
  std::function<void(const std::string&)> notice_;
  std::unique_ptr<HistoryStore> store_;
  std::string metrics_path_;
  std::map<std::string, ElementState> last_;
  std::vector<std::string> elements_;
  std::map<std::string, bool> passed_;  // elements with a pass in this cycle
  std::int64_t cycle_started_ = 0, last_cycle_ = 0;
  std::string said_store_, said_metrics_;
};

}  // namespace kestrel::dailycheck
