#include "cli/dailycheck_command.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

#include "cli/connection_options.h"
#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "pages/dailycheck/dailycheck_page.h"
#include "platform/data_files.h"
#include "platform/qt_ports.h"
#include "platform/qt_sound.h"
#include "platform/qt_timer.h"

namespace kestrel::cli {

namespace {

// No dialogs without windows: the filter comes from --filter.
struct NoDialogs : platform::FileDialogs {
  std::string SaveFileName(std::string_view) override { return {}; }
  std::string OpenFileName() override { return {}; }
};

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
      {"cycles", "Passes over the element list (default 1).", "N"},
      {"report-root", "Report share root, instead of the site settings.", "DIR"},
      {"filter", "Warning filter file, instead of the default filter.", "FILE"},
      {"known-alarms", "Known alarm list, instead of the one that ships.", "FILE"},
      {"no-sound", "No warning sounds."},
      {"solution",
       "Tick this solution only (repeatable): SEQAR, SETAR, SOFTERROR, PERMANENT, "
       "NEAREND, ENUM, SAE. Default: the boxes as the page starts.",
       "NAME"},
  });
  AddJobOptions(parser);
  ParseArguments(parser, arguments);
  const auto elements = ElementNames(parser, "dailycheck");
  const int cycles = PositiveNumber(parser, "cycles", 1);
  const int timeout = TimeoutSeconds(parser);

  const Connection connection = ResolveConnection(parser);
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

  mml::PropertiesForm properties;
  connection.Apply(properties);
  JobSessions sessions(connection, properties);
  sessions.SetTimeout(timeout);
  mml::TelnetClient& telnet = sessions.Client("dailycheck");
  platform::SystemClock clock;
  platform::DiskFiles files;
  platform::QtSound sound;
  NoDialogs dialogs;
  dailycheck::DailyCheckPage page(telnet, properties, {clock, files, sound, dialogs}, report_root,
                                  dailycheck::KnownAlarms(ReadFile(known_path, "known alarm list")),
                                  QDir::current().absoluteFilePath("sounds").toStdString());
  sessions.Describe(
      telnet, [&page] { return std::string(page.ListBoxdc.First()); }, &page.Memoreportdc);
  page.SetMaxPrintout(connection.max_printout);
  platform::QtTimerDriver watchdog(page.Timerdc), release(page.Timerdc_release);

  for (const auto& name : elements) page.ListBoxdc.Add(name);

  if (parser.isSet("filter"))
    page.FilterMemo.SetText(ReadFile(parser.value("filter"), "filter file"));
  page.SoundCheckBox.SetChecked(!parser.isSet("no-sound"));
  if (parser.isSet("solution")) {
    const std::pair<const char*, controls::CheckBox*> boxes[] = {
        {"SEQAR", &page.SeqarCheckBox},
        {"SETAR", &page.SetarCheckBox},
        {"SOFTERROR", &page.SoftErrorCheckBox},
        {"PERMANENT", &page.PermanentCheckBox},
        {"NEAREND", &page.NearendCheckBox},
        {"ENUM", &page.EnumCheckBox},
        {"SAE", &page.SaeCheckBox}};
    const QStringList wanted = parser.values("solution");
    for (const auto& [name, box] : boxes)
      box->SetChecked(wanted.contains(name, Qt::CaseInsensitive));
    for (const QString& name : wanted) {
      if (std::none_of(std::begin(boxes), std::end(boxes), [&](const auto& entry) {
            return name.compare(entry.first, Qt::CaseInsensitive) == 0;
          })) {
        throw UsageError("--solution " + name.toStdString() + " is not one of the solutions");
      }
    }
  }

  // A pass is every element of the list once.
  const int elements_to_visit = cycles * static_cast<int>(elements.size());
  int visited = 0;
  page.BeforeNextElement = [&] { return ++visited < elements_to_visit; };

  return RunJob({[&] { return telnet.Connected() || page.Timerdc.Enabled(); }, page.Memoreportdc,
                 [&] { page.StartdcClick(); },
                 [&] {
                   page.StopdcClick();
                   page.Timerdc.SetEnabled(false);
                 },
                 [&]() -> std::string {
                   if (visited >= elements_to_visit) return "";
                   return std::to_string(elements_to_visit - visited) +
                          " element visit(s) not done";
                 },
                 timeout, &page.Outcomes, elements});
}

}  // namespace kestrel::cli
