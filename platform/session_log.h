#pragma once

#include <QDateTime>
#include <QDir>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <string>

#include "mml/session_record.h"
#include "platform/log_writer.h"

namespace kestrel::platform {

// Session logs as files: one per session, in a folder per day under the log folder, named by
// the session's start time, page and element: 2026-12-06/101502_proses_BSC9.log. Each line:
// the time with milliseconds, "sent", "recv" or "note", and the escaped text. A line sent and
// a note are with the system before Write returns; received text follows a moment later (see
// LogWriter).
class FileSessionRecorder : public mml::SessionRecorder {
 public:
  // The time of day the logs are named and kept by; a service that runs for weeks sees its days
  // change under it, and a test sets them.
  using Clock = std::function<QDateTime()>;
  explicit FileSessionRecorder(QString folder, Clock clock = &QDateTime::currentDateTime)
      : folder_(std::move(folder)), clock_(std::move(clock)) {}

  std::unique_ptr<mml::SessionRecord> Open(std::string_view page, std::string_view element,
                                           std::string& error) override;
  const QString& Folder() const { return folder_; }

  // Removes the day folders older than `days` days; returns how many went. Only folders named
  // as a day (YYYY-MM-DD) are ever touched.
  int Prune(int days) const;
  // Removes the oldest day folders, never today's, while all of them hold more than `bytes`;
  // returns the days removed.
  QStringList Cap(qint64 bytes) const;

  // What the recorder keeps, for a program that runs for weeks: at every change of day (and
  // every so many sessions) the days past `keep_days` go, and the oldest days while the logs
  // hold more than `max_mb`. What the cap removes is said once, through `notice`.
  void Keep(int keep_days, int max_mb, std::function<void(const std::string&)> notice);
  // The log of `page` whose session began last, or an empty text when there is none.
  QString LastLog(std::string_view page) const;

  // ~/.local/state/kestrel/sessions, or $XDG_STATE_HOME/kestrel/sessions; on Windows
  // %LOCALAPPDATA%\Kestrel\sessions (platform::DefaultLogFolder).
  static QString DefaultFolder();
  // The site's recorder: in `folder` (empty: the default one), its days older than
  // `keep_days` pruned; none when the site keeps no logs.
  static std::unique_ptr<FileSessionRecorder> ForSite(
      bool enabled, const std::string& folder, int keep_days, int max_mb = 0,
      std::function<void(const std::string&)> notice = {});

 private:
  // At a new day, and every kCheckEvery sessions, the days kept are looked at again.
  void Tidy(const QString& day);

  QString Today() const { return clock_().date().toString("yyyy-MM-dd"); }

  QString folder_;
  Clock clock_;
  int keep_days_ = 0;
  qint64 max_bytes_ = 0;
  std::function<void(const std::string&)> notice_;
  bool capped_said_ = false;
  mutable std::map<QString, qint64> past_sizes_;
  QString tidied_day_;
  int opened_since_tidy_ = 0;
  // Made with the first record; shared by the records, which may outlive the recorder.
  std::shared_ptr<LogWriter> writer_;
};

}  // namespace kestrel::platform
