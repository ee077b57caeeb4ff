#include "platform/site_settings.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <stdexcept>

namespace kestrel::platform {

SiteSettings SiteSettings::Load(const std::string& path, bool must_exist) {
  SiteSettings settings;
  const QString file = QString::fromStdString(path);
  if (!QFileInfo::exists(file)) {
    if (must_exist) throw std::runtime_error("Settings file " + path + " does not exist");
    return settings;
  }
  QSettings ini(file, QSettings::IniFormat);
  if (ini.status() != QSettings::NoError) {
    throw std::runtime_error("Settings file " + path + " cannot be read");
  }
  auto read = [&ini](const char* key, std::string& field) {
    if (ini.contains(key)) field = ini.value(key).toString().toStdString();
  };
  read("gateway/host", settings.gateway_host);
  read("gateway/user", settings.user);
  read("gateway/password", settings.password);
  read("reports/share_root", settings.report_share_root);
  if (ini.contains("gateway/port")) {
    bool ok = false;
    const int port = ini.value("gateway/port").toString().toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
      throw std::runtime_error("Settings file " + path + ": gateway port \"" +
                               ini.value("gateway/port").toString().toStdString() +
                               "\" is not a port number (1 to 65535)");
    }
    settings.gateway_port = port;
  }
  return settings;
}

std::string SiteSettings::DefaultPath() {
  const QByteArray from_env = qgetenv("KESTREL_SETTINGS");
  if (!from_env.isEmpty()) return from_env.toStdString();
  return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
          "/kestrel/site.ini")
      .toStdString();
}

}  // namespace kestrel::platform
