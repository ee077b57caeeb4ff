#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/sqlite_history.h"

namespace kestrel::platform {

// Where the Daily check keeps its history and its metrics file, from the site settings:
//   [history]  path=  keep_days=  enabled=  metrics_file=
struct HistorySettings {
  std::string path;  // empty: DefaultPath()
  int keep_days = 400;
  bool enabled = true;
  std::string metrics_file;  // empty: none

  // Reads the [history] section of the INI file at `settings_path`; absent keys keep their
  // defaults, a missing file gives them all. Throws std::runtime_error for a bad number.
  static HistorySettings Load(const std::string& settings_path);
  // history.sqlite under the user's data folder (~/.local/share/kestrel/).
  static std::string DefaultPath();

  // The store at `path` (empty: this site's), its folder made when it is the default one; none
  // when the history is off.
  std::unique_ptr<SqliteHistory> Open(const std::string& path,
                                      std::function<void(const std::string&)> notice) const;
};

// Who acknowledges: the account logged in to this computer.
std::string LoggedInUser();

}  // namespace kestrel::platform
