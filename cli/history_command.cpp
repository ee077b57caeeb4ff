#include "cli/history_command.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <iostream>

#include "cli/connection_options.h"
#include "cli/result_format.h"
#include "mml/text.h"
#include "platform/history_settings.h"
#include "platform/site_settings.h"

namespace kestrel::cli {

namespace {

const std::vector<std::string> kColumns = {"element",    "class",     "number",  "slogan",
                                           "first_seen", "last_seen", "cleared", "count",
                                           "ack_by",     "ack_at",    "ack_note"};

// --since and --until: a date or a date and time, UTC. A date alone as --until takes in the
// whole of that day.
std::optional<std::int64_t> Moment(const QCommandLineParser& parser, const char* name) {
  if (!parser.isSet(name)) return std::nullopt;
  const std::string text = parser.value(name).toStdString();
  const std::optional<std::int64_t> at = dailycheck::ParseIsoTime(text);
  if (!at) {
    throw UsageError(std::string("--") + name +
                     " wants a date as 2026-12-07 or a time as 2026-12-07T08:15[:00][Z] (UTC), "
                     "not \"" +
                     mml::Printable(text) + "\"");
  }
  const bool date_only = text.size() <= 11;
  return std::string_view(name) == "until" && date_only ? *at + 86400 : *at;
}

std::string Optional(const std::optional<std::int64_t>& at) {
  return at ? dailycheck::IsoTime(*at) : std::string();
}

std::vector<std::string> Values(const dailycheck::AlarmRecord& a) {
  return {a.element,
          a.alarm_class,
          a.number,
          a.slogan,
          dailycheck::IsoTime(a.first_seen),
          dailycheck::IsoTime(a.last_seen),
          Optional(a.cleared),
          std::to_string(a.count),
          a.ack_by,
          Optional(a.ack_at),
          a.ack_note};
}

std::string Line(Format format, const dailycheck::AlarmRecord& alarm) {
  const std::vector<std::string> values = Values(alarm);
  std::string line;
  if (format == Format::kCsv) {
    for (std::size_t i = 0; i < values.size(); ++i)
      line += (i > 0 ? "," : "") + CsvField(values[i]);
    return line + "\r\n";
  }
  if (format == Format::kJson) {
    QJsonObject object;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const QString key = QString::fromStdString(kColumns[i]);
      if (kColumns[i] == "count") {
        object[key] = alarm.count;
      } else if (values[i].empty() &&
                 (kColumns[i] == "cleared" || kColumns[i].starts_with("ack"))) {
        object[key] = QJsonValue::Null;
      } else {
        object[key] = QString::fromStdString(values[i]);
      }
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
  }
  // Text: one alarm a line, what the printout held shown escaped.
  line = dailycheck::Escaped(alarm.element) + "  " + alarm.alarm_class + " " +
         dailycheck::Escaped(alarm.number) + "  " + dailycheck::Escaped(alarm.slogan) + "  first " +
         values[4] + "  last " + values[5] + "  " +
         (alarm.cleared ? "cleared " + values[6] : std::string("active")) + "  seen " + values[7] +
         "x";
  if (!alarm.ack_by.empty()) {
    line += "  acknowledged by " + dailycheck::Escaped(alarm.ack_by) + " at " + values[9];
    if (!alarm.ack_note.empty()) line += ": " + dailycheck::Escaped(alarm.ack_note);
  }
  return line + "\n";
}

}  // namespace

int RunHistory(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Prints the alarms of the Daily check's history: first and last seen, when they cleared, "
      "how many passes saw them and their acknowledgement.");
  parser.addHelpOption();
  parser.addOptions({
      {"history", "The history file, instead of [history] path.", "FILE"},
      {"settings", "Site settings file (INI); default $KESTREL_SETTINGS.", "FILE"},
      {"since", "Alarms still active at or after DATE (UTC).", "DATE"},
      {"until", "Alarms first seen before DATE (UTC; a date alone: the end of that day).", "DATE"},
      {"ne", "Only the alarms of this element.", "NAME"},
      {"active", "Only the alarms that have not cleared."},
      {"text", "Only the alarms whose slogan, number, class or note holds WORDS.", "WORDS"},
  });
  AddFormatOption(parser);
  ParseArguments(parser, arguments);
  const Format format = ReadFormat(parser);
  dailycheck::AlarmQuery query;
  query.since = Moment(parser, "since");
  query.until = Moment(parser, "until");
  query.element = parser.value("ne").toStdString();
  query.text = parser.value("text").toStdString();
  query.active_only = parser.isSet("active");

  platform::HistorySettings settings;
  const std::string settings_path = parser.isSet("settings")
                                        ? parser.value("settings").toStdString()
                                        : platform::SiteSettings::UserPath();
  try {
    settings = platform::HistorySettings::Load(settings_path);
  } catch (const std::runtime_error& error) {
    throw UsageError(error.what());
  }
  std::string path = parser.value("history").toStdString();
  if (path.empty()) path = settings.path.empty() ? settings.DefaultPath() : settings.path;
  // Reading never makes a history where there is none.
  if (!QFileInfo::exists(QString::fromStdString(path))) {
    std::cerr << "kestrel-batch: there is no history at " << path << std::endl;
    return 1;
  }
  auto say = [](const std::string& text) { std::cerr << "kestrel-batch: " << text << std::endl; };
  platform::SqliteHistory store(path, 0, say);
  std::vector<dailycheck::AlarmRecord> alarms;
  try {
    alarms = store.Alarms(query);
  } catch (const std::runtime_error& error) {
    say(error.what());
    return 1;
  }
  if (format == Format::kCsv) {
    for (std::size_t i = 0; i < kColumns.size(); ++i)
      std::cout << (i > 0 ? "," : "") << kColumns[i];
    std::cout << "\r\n";
  }
  for (const auto& alarm : alarms) std::cout << Line(format, alarm);
  std::cout.flush();
  return 0;
}

}  // namespace kestrel::cli
