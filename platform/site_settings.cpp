#include "platform/site_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QSettings>
#include <QStandardPaths>
#include <stdexcept>

#include "platform/file_names.h"
#include "platform/ini_text.h"
#include "platform/os.h"

namespace kestrel::platform {

namespace {

// A whole number of at least `least` under `key`, or `fallback` when the key is absent.
int Number(const QSettings& ini, const std::string& path, const char* key, int least, int most,
           int fallback) {
  if (!ini.contains(key)) return fallback;
  bool ok = false;
  const QString text = ini.value(key).toString();
  const int value = text.toInt(&ok);
  if (!ok || value < least || value > most) {
    throw std::runtime_error("Settings file " + path + ": " + key + " \"" + text.toStdString() +
                             "\" is not a number from " + std::to_string(least) + " to " +
                             std::to_string(most));
  }
  return value;
}

}  // namespace

SiteSettings SiteSettings::Load(const std::string& path, bool must_exist) {
  return Load(std::vector<std::string>{path}, must_exist);
}

SiteSettings SiteSettings::Load(const std::vector<std::string>& paths, bool must_exist) {
  SiteSettings settings;
  for (const std::string& path : paths) settings.Read(path, must_exist);
  return settings;
}

void SiteSettings::Read(const std::string& path, bool must_exist) {
  SiteSettings& settings = *this;
  const QString file = QString::fromStdString(path);
  if (!QFileInfo::exists(file)) {
    if (must_exist) throw std::runtime_error("Settings file " + path + " does not exist");
    return;
  }
  // The last file that exists (the user's, where there are two): the site's other sections
  // are read from it.
  settings.source_path = path;
  QSettings ini(file, QSettings::IniFormat);
  if (ini.status() != QSettings::NoError) {
    throw std::runtime_error("Settings file " + path + " cannot be read");
  }
  // Text values as written: Qt's INI reader takes backslashes as escapes, and Windows paths
  // and passwords hold backslashes that are none.
  QFile raw_file(file);
  const std::string raw =
      raw_file.open(QIODevice::ReadOnly) ? raw_file.readAll().toStdString() : std::string();
  auto read = [&ini, &raw](const char* key, std::string& field) {
    if (!ini.contains(key)) return;
    const std::string_view name(key);
    const std::size_t slash = name.find('/');
    const std::optional<std::string> as_written =
        RawIniValue(raw, name.substr(0, slash), name.substr(slash + 1));
    field = as_written ? *as_written : ini.value(key).toString().toStdString();
  };
  read("gateway/host", settings.gateway_host);
  read("gateway/user", settings.user);
  if (ini.contains("gateway/password")) {
    read("gateway/password", settings.password);
    settings.password_configured = true;
    if (const std::string warning = ReadableByOthers(path, "settings file"); !warning.empty()) {
      settings.warnings.push_back(warning);
    }
  }
  read("reports/share_root", settings.report_share_root);
  settings.gateway_port = Number(ini, path, "gateway/port", 1, 65535, settings.gateway_port);
  settings.max_printout_mb =
      Number(ini, path, "limits/max_printout_mb", 1, 4096, settings.max_printout_mb);
  settings.proses_watchdog_s =
      Number(ini, path, "proses/watchdog_s", 1, 86400, settings.proses_watchdog_s);
  settings.dailycheck_min_cycle_s =
      Number(ini, path, "dailycheck/min_cycle_s", 0, 86400, settings.dailycheck_min_cycle_s);
  settings.dailycheck_retry_s =
      Number(ini, path, "dailycheck/retry_s", 0, 86400, settings.dailycheck_retry_s);
  read("logs/dir", settings.log_dir);
  settings.log_keep_days = Number(ini, path, "logs/keep_days", 0, 36500, settings.log_keep_days);
  settings.log_max_mb = Number(ini, path, "logs/max_mb", 0, 1 << 20, settings.log_max_mb);
  if (ini.contains("logs/enabled")) settings.log_sessions = ini.value("logs/enabled").toBool();
  read("gateway/transport", settings.transport);
  if (settings.transport != "telnet" && settings.transport != "ssh") {
    throw std::runtime_error("Settings file " + path + ": gateway/transport \"" +
                             settings.transport + "\" is neither telnet nor ssh");
  }
  read("ssh/identity", settings.ssh_identity);
  read("ssh/known_hosts", settings.ssh_known_hosts);
  read("ssh/host_key", settings.ssh_host_key);
  if (!settings.ssh_host_key.empty() && !settings.ssh_host_key.starts_with("SHA256:")) {
    throw std::runtime_error("Settings file " + path +
                             ": ssh/host_key is a fingerprint as OpenSSH shows it, SHA256:...");
  }
  settings.ssh_keepalive_s =
      Number(ini, path, "ssh/keepalive_s", 0, 86400, settings.ssh_keepalive_s);
  for (auto [key, field] : {std::pair{"dialogue/user_prompt", &settings.user_prompt},
                            std::pair{"dialogue/password_prompt", &settings.password_prompt},
                            std::pair{"dialogue/element_prompt", &settings.element_prompt},
                            std::pair{"dialogue/ready_prompt", &settings.ready_prompt}}) {
    read(key, *field);
    // An empty prompt is found everywhere: the login would answer it without end.
    if (field->empty()) {
      throw std::runtime_error("Settings file " + path + ": " + key + " is empty");
    }
  }
  ini.beginGroup("elements");
  for (const QString& name : ini.childKeys()) {
    const std::string address = ini.value(name).toString().toStdString();
    bool port_ok = false;
    const int port = QString::fromStdString(address.substr(address.rfind(':') + 1)).toInt(&port_ok);
    if (HostOfAddress(address).empty() ||
        !(address.starts_with("ssh://") || address.starts_with("telnet://")) || !port_ok ||
        port < 1 || port > 65535) {
      throw std::runtime_error("Settings file " + path + ": elements/" + name.toStdString() +
                               " \"" + address + "\" is not ssh://HOST:PORT or telnet://HOST:PORT");
    }
    settings.elements.emplace_back(name.toStdString(), address);
  }
  ini.endGroup();
}

std::vector<std::string> SiteSettings::DefaultPaths() {
  return SettingsFiles(kNativePathStyle, SystemEnvironment);
}

std::string SiteSettings::UserPath() {
  const std::vector<std::string> paths = DefaultPaths();
  return paths.empty() ? std::string() : paths.back();
}

void SiteSettings::UseStoredPassword(
    const std::function<std::optional<std::string>(const std::string&)>& store) {
  if (password_configured) return;
  if (std::optional<std::string> stored = store(gateway_host)) {
    password = std::move(*stored);
    password_configured = true;
  }
}

namespace {
bool OnLoopback(const std::string& name) {
  const QString host = QString::fromStdString(name).trimmed();
  if (host.compare("localhost", Qt::CaseInsensitive) == 0) return true;
  const QHostAddress address(host);
  return !address.isNull() && address.isLoopback();
}
}  // namespace

std::string HostOfAddress(const std::string& address) {
  const std::size_t scheme = address.find("://");
  if (scheme == std::string::npos) return {};
  std::string rest = address.substr(scheme + 3);
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string::npos) return {};
  rest.resize(colon);
  if (rest.size() > 2 && rest.front() == '[' && rest.back() == ']')
    rest = rest.substr(1, rest.size() - 2);
  return rest;
}

std::string SiteSettings::KnownHostsPath() const {
  if (!ssh_known_hosts.empty()) return ssh_known_hosts;
  return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
          "/kestrel/known_hosts")
      .toStdString();
}

bool SiteSettings::GatewayOnLoopback() const {
  if (!OnLoopback(gateway_host)) return false;
  for (const auto& [name, address] : elements) {
    if (!OnLoopback(HostOfAddress(address))) return false;
  }
  return true;
}

std::string SiteSettings::PasswordProblem() const {
  if (password_configured || GatewayOnLoopback()) return {};
  return "No password is configured for the gateway " + gateway_host +
         (elements.empty() ? "" : " and its directly reached elements") +
         ": the built-in demo password is only for a gateway on this machine, so nothing is sent. "
         "Set [gateway] password in the site settings (or give a password file)";
}

std::string ReadableByOthers(const std::string& path, const std::string& what) {
  const QFileInfo info(QString::fromStdString(path));
  if (!info.exists()) return {};
#ifdef _WIN32
  // Qt's permission bits say every NTFS file is readable by all; the access list says who is.
  if (AccessListLetsOthersRead(path) != true) return {};
  return "The " + what + " " + QDir::toNativeSeparators(info.filePath()).toStdString() +
         " holds a password and can be read by other users; let only its owner read it "
         "(Properties, Security)";
#else
  if ((info.permissions() & (QFile::ReadGroup | QFile::ReadOther)) == 0) return {};
  return "The " + what + " " + path +
         " holds a password and can be read by other users; make it readable by its owner only "
         "(chmod 600)";
#endif
}

}  // namespace kestrel::platform
