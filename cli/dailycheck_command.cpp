#include "cli/dailycheck_command.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <iostream>

#include "cli/connection_options.h"
#include "cli/dailycheck_run.h"
#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "cli/result_format.h"
#include "pages/dailycheck/dailycheck_page.h"
#include "platform/data_files.h"
#include "platform/history_settings.h"
#include "platform/qt_ports.h"
#include "platform/qt_sound.h"
#include "platform/qt_timer.h"
#include "platform/site_settings.h"

namespace kestrel::cli {

namespace {

// No dialogs without windows: the filter comes from --filter.
struct NoDialogs : platform::FileDialogs {
  std::string SaveFileName(std::string_view) override { return {}; }
  std::string OpenFileName() override { return {}; }
};

// --cycles: passes over the list; 0 for a run until it is stopped.
std::uint64_t Passes(const QCommandLineParser& parser) {
  if (!parser.isSet("cycles")) return 1;
  bool ok = false;
  const qulonglong passes = parser.value("cycles").toULongLong(&ok);
  if (!ok) {
    throw UsageError("--cycles wants a whole number, 0 for no end, not \"" +
                     parser.value("cycles").toStdString() + "\"");
  }
  return passes;
}

// The longest watchdog interval the page's timer can count, in seconds; and the longest
// pause of the pace.
constexpr int kLongestWatchdog = 24 * 60 * 60;

// Seconds of --`name`, 0 or more; `fallback` when it is not given.
int Seconds(const QCommandLineParser& parser, const QString& name, int fallback) {
  if (!parser.isSet(name)) return fallback;
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok || value < 0 || value > kLongestWatchdog) {
    throw UsageError("--" + name.toStdString() + " wants a whole number of seconds from 0 to " +
                     std::to_string(kLongestWatchdog) + ", not \"" +
                     parser.value(name).toStdString() + "\"");
  }
  return value;
}

std::string ReadFile(const QString& path, const char* what) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw UsageError(std::string("cannot read the ") + what + " " + path.toStdString());
  }
  return file.readAll().toStdString();
}

}  // namespace

int RunDailyCheck(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Supervises the alarms of the elements in turn, with the ticked standard solutions, and "
      "prints the report pane.");
  parser.addHelpOption();
  parser.addOptions({
      {"ne", "An element to supervise, as named after NE= (repeatable, in order).", "NAME"},
      {"cycles", "Passes over the element list (default 1); 0: supervise until SIGTERM or SIGINT.",
       "N"},
      {"watchdog",
       "Leave a session that has been silent for S to 2xS seconds for the next element "
       "(default 30).",
       "S"},
      {"min-cycle",
       "Start a new cycle over the list no sooner than S seconds after the last one started "
       "(default [dailycheck] min_cycle_s, 60; 0: at once).",
       "S"},
      {"retry",
       "Visit an element that could not be checked again no sooner than S seconds later, "
       "doubling with each failure in a row up to 10 minutes (default [dailycheck] retry_s, "
       "30; 0: at once).",
       "S"},
      {"report-root", "Report share root, instead of the site settings.", "DIR"},
      {"filter", "Warning filter file, instead of the default filter.", "FILE"},
      {"known-alarms", "Known alarm list, instead of the one that ships.", "FILE"},
      {"no-sound", "No warning sounds."},
      {"history",
       "Keep the passes and alarms in the history FILE, instead of [history] path "
       "(default ~/.local/share/kestrel/history.sqlite).",
       "FILE"},
      {"no-history", "Keep no history."},
      {"metrics-file",
       "After every pass, write the elements' state to FILE in the text exposition format, "
       "instead of [history] metrics_file.",
       "FILE"},
      {"solution",
       "Tick this solution only (repeatable): SEQAR, SETAR, SOFTERROR, PERMANENT, "
       "NEAREND, ENUM, SAE. Default: the boxes as the page starts.",
       "NAME"},
  });
  AddParallelOption(parser);
  AddFormatOption(parser);
  AddJobOptions(parser);
  ParseArguments(parser, arguments);
  const auto elements = ElementNames(parser, "dailycheck");
  const std::uint64_t passes = Passes(parser);
  const int parallel = ParallelSessions(parser);
  const int watchdog_s = PositiveNumber(parser, "watchdog", 30);
  if (watchdog_s > kLongestWatchdog) {
    throw UsageError("--watchdog is at most " + std::to_string(kLongestWatchdog) + " s");
  }
  const RecordLines format(ReadFormat(parser),
                           {"element", "time", "class", "slogan", "kind", "line"});
  const int timeout = TimeoutSeconds(parser);

  const Connection connection = ResolveConnection(parser);
  const int min_cycle_s = Seconds(parser, "min-cycle", connection.dailycheck_min_cycle_s);
  const int retry_s = Seconds(parser, "retry", connection.dailycheck_retry_s);
  const std::string report_root = parser.isSet("report-root")
                                      ? parser.value("report-root").toStdString()
                                      : connection.report_share_root;
  const QString known_path = parser.isSet("known-alarms")
                                 ? parser.value("known-alarms")
                                 : QString::fromStdString(platform::DataFile("known_alarms.txt"));
  if (known_path.isEmpty())
    throw UsageError("the known alarm list is not installed; give --known-alarms FILE");
  // Report files go under the share root, never relative to wherever the runner was started.
  if (report_root.empty()) {
    throw UsageError("no report share root: give --report-root DIR or set [reports] share_root");
  }

  std::string filter;
  if (parser.isSet("filter")) filter = ReadFile(parser.value("filter"), "filter file");
  const std::pair<const char*, controls::CheckBox dailycheck::DailyCheckPage::*> boxes[] = {
      {"SEQAR", &dailycheck::DailyCheckPage::SeqarCheckBox},
      {"SETAR", &dailycheck::DailyCheckPage::SetarCheckBox},
      {"SOFTERROR", &dailycheck::DailyCheckPage::SoftErrorCheckBox},
      {"PERMANENT", &dailycheck::DailyCheckPage::PermanentCheckBox},
      {"NEAREND", &dailycheck::DailyCheckPage::NearendCheckBox},
      {"ENUM", &dailycheck::DailyCheckPage::EnumCheckBox},
      {"SAE", &dailycheck::DailyCheckPage::SaeCheckBox}};
  const QStringList wanted = parser.values("solution");
  for (const QString& name : wanted) {
    if (std::none_of(std::begin(boxes), std::end(boxes), [&](const auto& entry) {
          return name.compare(entry.first, Qt::CaseInsensitive) == 0;
        })) {
      throw UsageError("--solution " + name.toStdString() + " is not one of the solutions");
    }
  }
  // One list for every page: it is large, and it never changes.
  const auto known_alarms =
      std::make_shared<const dailycheck::KnownAlarms>(ReadFile(known_path, "known alarm list"));

  // Of --history and --no-history the last given wins, so that the service's own can be
  // overridden from its configuration.
  bool keep_history = true;
  for (const QString& name : parser.optionNames()) {
    if (name == "history") keep_history = true;
    if (name == "no-history") keep_history = false;
  }
  platform::HistorySettings history;
  try {
    history = platform::HistorySettings::Load(parser.isSet("settings")
                                                  ? parser.value("settings").toStdString()
                                                  : platform::SiteSettings::UserPath());
  } catch (const std::runtime_error& error) {
    throw UsageError(error.what());
  }
  auto say = [](const std::string& text) { std::cerr << "kestrel-batch: " << text << std::endl; };
  const dailycheck::SystemWallClock wall_clock;
  platform::DiskFiles metrics_files;
  dailycheck::PassWatch watch(wall_clock, metrics_files, say);
  if (keep_history) {
    watch.SetStore(history.Open(parser.value("history").toStdString(), say));
  }
  watch.SetMetricsFile(parser.isSet("metrics-file") ? parser.value("metrics-file").toStdString()
                                                    : history.metrics_file);
  watch.SetElements(elements);

  mml::PropertiesForm properties;
  connection.Apply(properties);
  JobSessions sessions(connection, properties);
  platform::SystemClock clock;
  platform::DiskFiles files;
  NoDialogs dialogs;
  const bool sound_on = !parser.isSet("no-sound");
  const DailyCheckRun::Setup setup{
      sessions,
      properties,
      clock,
      files,
      dialogs,
      [] { return std::make_unique<platform::QtSound>(); },
      report_root,
      known_alarms,
      QDir::current().absoluteFilePath("sounds").toStdString(),
      connection.max_printout,
      [&](dailycheck::DailyCheckPage& page) {
        if (parser.isSet("filter")) page.FilterMemo.SetText(filter);
        page.SoundCheckBox.SetChecked(sound_on);
        if (!wanted.isEmpty()) {
          for (const auto& [name, box] : boxes)
            (page.*box).SetChecked(wanted.contains(name, Qt::CaseInsensitive));
        }
        page.Timerdc.SetInterval(watchdog_s * 1000);
      },
      min_cycle_s,
      retry_s,
      &watch};
  DailyCheckRun run(setup, elements, passes, parallel, format);
  return RunJob(run.MakeJob(timeout));
}

}  // namespace kestrel::cli
