// The passes of the Daily check, on their way to the store and the metrics file.
#include "pages/dailycheck/history.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <tuple>

namespace kestrel::dailycheck {

namespace {

constexpr std::string_view kEndingNames[] = {
    "checked", "unreachable", "refused login", "unknown element", "silent", "dropped", "stopped"};

// Days since 1970-01-01 of a civil date (proleptic Gregorian), and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

// A label value of the exposition format: backslash, quote and line break escaped.
std::string LabelValue(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string_view EndingName(PassEnding ending) {
  return kEndingNames[static_cast<std::size_t>(ending)];
}

std::optional<PassEnding> EndingFrom(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kEndingNames); ++i) {
    if (kEndingNames[i] == name) return static_cast<PassEnding>(i);
  }
  return std::nullopt;
}

std::int64_t SystemWallClock::UtcSeconds() const {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string IsoTime(std::int64_t t) {
  const std::int64_t days = (t >= 0 ? t : t - 86399) / 86400;
  const std::int64_t rest = t - days * 86400;
  int y = 0, m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", y, m, d,
                static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                static_cast<int>(rest % 60));
  return text;
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
  if (!text.empty() && (text.back() == 'Z' || text.back() == 'z')) text.remove_suffix(1);
  auto digits = [&](std::size_t at, std::size_t n) -> std::optional<int> {
    if (at + n > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const auto y = digits(0, 4), mo = digits(5, 2), d = digits(8, 2);
  if (!y || !mo || !d || text[4] != '-' || text[7] != '-' || *mo < 1 || *mo > 12 || *d < 1 ||
      *d > 31) {
    return std::nullopt;
  }
  int h = 0, mi = 0, s = 0;
  if (text.size() > 10) {
    if (text[10] != 'T' && text[10] != ' ') return std::nullopt;
    const auto hh = digits(11, 2), mm = digits(14, 2);
    if (!hh || !mm || text[13] != ':' || *hh > 23 || *mm > 59) return std::nullopt;
    h = *hh;
    mi = *mm;
    if (text.size() > 16) {
      const auto ss = digits(17, 2);
      if (!ss || text[16] != ':' || *ss > 60 || text.size() != 19) return std::nullopt;
      s = *ss;
    } else if (text.size() != 16) {
      return std::nullopt;
    }
  } else if (text.size() != 10) {
    return std::nullopt;
  }
  return DaysFromCivil(*y, static_cast<unsigned>(*mo), static_cast<unsigned>(*d)) * 86400 +
         h * 3600 + mi * 60 + s;
}

PassWatch::PassWatch(const WallClock& clock, platform::Files& files,
                     std::function<void(const std::string&)> notice)
    : clock_(clock), files_(files), notice_(std::move(notice)) {}

void PassWatch::SetElements(const std::vector<std::string>& elements) {
  elements_ = elements;
  std::erase_if(passed_, [&](const auto& entry) {
    return std::find(elements_.begin(), elements_.end(), entry.first) == elements_.end();
  });
}

// A failure is said when it starts, not at every pass while it lasts.
void PassWatch::Said(const std::string& what, const std::string& error) {
  std::string& said = what == "metrics" ? said_metrics_ : said_store_;
  if (error.empty()) {
    said.clear();
    return;
  }
  if (!said.empty()) return;
  said = error;
  if (notice_) notice_(error);
}

void PassWatch::Ended(const Pass& pass) {
  // A Stop is the engineer's, not the element's: unless the list was read, the element's state
  // stays what the pass before found.
  const bool keep =
      pass.ending == PassEnding::kStopped && !pass.list_read && last_.count(pass.element) > 0;
  ElementState scratch;
  ElementState& state = keep ? scratch : last_[pass.element];
  state.element = pass.element;
  state.last_pass = pass.ended;
  state.ending = pass.ending;
  state.up = pass.list_read;
  state.blocked = static_cast<int>(pass.blocked.size());
  if (pass.list_read) {
    std::set<std::tuple<std::string, std::string>> seen;
    state.active = state.warned = 0;
    for (const SeenAlarm& alarm : pass.alarms) {
      if (!seen.emplace(alarm.number, alarm.slogan).second) continue;
      ++state.active;
      state.warned += alarm.warned ? 1 : 0;
    }
  }
  if (cycle_started_ == 0) cycle_started_ = pass.started;
  passed_[pass.element] = true;
  const bool cycle_done =
      !elements_.empty() && std::all_of(elements_.begin(), elements_.end(),
                                        [&](const auto& e) { return passed_.count(e) > 0; });
  if (store_) {
    try {
      store_->Record(pass);
      if (cycle_done)
        store_->CycleEnded(pass.ended, std::max<std::int64_t>(pass.ended - cycle_started_, 0));
      Said("store", "");
    } catch (const std::exception& error) {
      Said("store", std::string("Daily check history not kept: ") + error.what() +
                        "; the check goes on without it");
    }
  }
  if (cycle_done) {
    last_cycle_ = pass.ended;
    cycle_started_ = 0;
    passed_.clear();
  }
  if (metrics_path_.empty()) return;
  try {
    files_.WriteWhole(metrics_path_, Metrics());
    Said("metrics", "");
  } catch (const std::exception& error) {
    Said("metrics", "Daily check metrics file " + metrics_path_ + " not written: " + error.what());
  }
}

std::string PassWatch::Metrics() const {
  struct Family {
    const char* name;
    const char* help;
    std::function<std::int64_t(const ElementState&)> value;
  };
  const Family families[] = {
      {"kestrel_dailycheck_last_pass_timestamp_seconds",
       "End of the element's last Daily check pass, seconds since 1970.",
       [](const ElementState& s) { return s.last_pass; }},
      {"kestrel_dailycheck_element_up", "1 when the element's last pass read its alarm list.",
       [](const ElementState& s) { return s.up ? 1 : 0; }},
      {"kestrel_dailycheck_active_alarms", "Alarms in the element's last alarm list read.",
       [](const ElementState& s) { return s.active; }},
      {"kestrel_dailycheck_warned_alarms", "Of them, those that raised a warning.",
       [](const ElementState& s) { return s.warned; }},
      {"kestrel_dailycheck_blocked_objects",
       "Objects that may still be blocked after the element's last pass.",
       [](const ElementState& s) { return s.blocked; }},
  };
  std::string text;
  for (const Family& family : families) {
    text += std::string("# HELP ") + family.name + " " + family.help + "\n";
    text += std::string("# TYPE ") + family.name + " gauge\n";
    for (const auto& [element, state] : last_) {
      text += std::string(family.name) + "{element=\"" + LabelValue(element) + "\"} " +
              std::to_string(family.value(state)) + "\n";
    }
  }
  text +=
      "# HELP kestrel_dailycheck_last_cycle_timestamp_seconds End of the watcher's last cycle "
      "over its list, seconds since 1970.\n"
      "# TYPE kestrel_dailycheck_last_cycle_timestamp_seconds gauge\n"
      "kestrel_dailycheck_last_cycle_timestamp_seconds " +
      std::to_string(last_cycle_) + "\n";
  return text;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string CsvRow(const std::vector<std::string>& fields) {
  std::string row;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) row += ',';
    const std::string& field = fields[i];
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      row += field;
      continue;
    }
    row += '"';
    for (const char c : field) row += c == '"' ? std::string("\"\"") : std::string(1, c);
    row += '"';
  }
  return row + "\r\n";
}

TileState StateOf(const ElementState& state) {
  if (!state.up) return TileState::kUnchecked;
  if (state.blocked > 0) return TileState::kBlocked;
  if (state.warned > 0) return TileState::kWarned;
  if (state.active > 0) return TileState::kFiltered;
  return TileState::kClear;
}

std::int64_t CycleSeconds(const Heartbeat& beat, std::int64_t min_cycle_s) {
  return std::max<std::int64_t>({beat.cycle_s, min_cycle_s, 1});
}

bool Stale(std::int64_t last_pass, std::int64_t now, std::int64_t cycle_s) {
  return now - last_pass > 3 * cycle_s;
}

bool WatcherSilent(const Heartbeat& beat, std::int64_t now, std::int64_t cycle_s) {
  return beat.last_cycle > 0 && Stale(beat.last_cycle, now, cycle_s);
}

Trends TrendsOf(const std::vector<AlarmRecord>& alarms, std::int64_t since, std::int64_t until,
                std::int64_t now, std::int64_t utc_offset_s, std::size_t top_slogans) {
  Trends trends;
  auto day_of = [&](std::int64_t t) {
    const std::int64_t local = t + utc_offset_s;
    return (local >= 0 ? local / 86400 : (local - 86399) / 86400) * 86400 - utc_offset_s;
  };
  const std::int64_t first = day_of(since);
  for (std::int64_t d = first; d < until; d += 86400) trends.days.push_back(d);
  const std::size_t n = trends.days.size();
  std::map<std::string, int> slogans;
  for (const AlarmRecord& alarm : alarms) {
    const std::int64_t end = alarm.cleared.value_or(std::max(now, alarm.last_seen));
    if (alarm.first_seen >= until || end < since) continue;
    ++slogans[alarm.slogan];
    std::vector<int>& per_day = trends.active[alarm.element];
    per_day.resize(n);
    const std::int64_t from = std::max<std::int64_t>((day_of(alarm.first_seen) - first) / 86400, 0);
    const std::int64_t to =
        std::min<std::int64_t>((day_of(end) - first) / 86400, static_cast<std::int64_t>(n) - 1);
    for (std::int64_t d = from; d <= to; ++d) ++per_day[static_cast<std::size_t>(d)];
  }
  trends.slogans.assign(slogans.begin(), slogans.end());
  std::stable_sort(trends.slogans.begin(), trends.slogans.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  if (trends.slogans.size() > top_slogans) trends.slogans.resize(top_slogans);
  return trends;
}

}  // namespace kestrel::dailycheck
