#include "platform/history_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <stdexcept>

namespace kestrel::platform {

HistorySettings HistorySettings::Load(const std::string& settings_path) {
  HistorySettings settings;
  const QString file = QString::fromStdString(settings_path);
  if (!QFileInfo::exists(file)) return settings;
  const QSettings ini(file, QSettings::IniFormat);
  if (ini.contains("history/path"))
    settings.path = ini.value("history/path").toString().toStdString();
  if (ini.contains("history/metrics_file"))
    settings.metrics_file = ini.value("history/metrics_file").toString().toStdString();
  if (ini.contains("history/enabled")) settings.enabled = ini.value("history/enabled").toBool();
  if (ini.contains("history/keep_days")) {
    bool ok = false;
    const QString text = ini.value("history/keep_days").toString();
    const int days = text.toInt(&ok);
    if (!ok || days < 0 || days > 36500) {
      throw std::runtime_error("Settings file " + settings_path + ": history/keep_days \"" +
                               text.toStdString() + "\" is not a number from 0 to 36500");
    }
    settings.keep_days = days;
  }
  return settings;
}

std::string HistorySettings::DefaultPath() {
  return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
          "/kestrel/history.sqlite")
      .toStdString();
}

std::unique_ptr<SqliteHistory> HistorySettings::Open(
    const std::string& given, std::function<void(const std::string&)> notice) const {
  if (!enabled && given.empty()) return nullptr;
  std::string file = given.empty() ? path : given;
  if (file.empty()) {
    file = DefaultPath();
    QDir().mkpath(QFileInfo(QString::fromStdString(file)).absolutePath());
  }
  return std::make_unique<SqliteHistory>(file, keep_days, std::move(notice));
}

std::string LoggedInUser() {
  for (const char* name : {"USER", "LOGNAME", "USERNAME"}) {
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty()) return value.toStdString();
  }
  const QString home = QDir::home().dirName();
  return home.isEmpty() ? "unknown" : home.toStdString();
}

}  // namespace kestrel::platform
