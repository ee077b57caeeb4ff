#include "cli/connection_options.h"

#include <QFile>
#include <iostream>

#include "platform/os.h"
#include "platform/site_settings.h"

namespace kestrel::cli {

void Connection::Apply(mml::PropertiesForm& properties) const {
  properties.UserEdit.SetText(user);
  properties.PasswordEdit.SetText(password);
  properties.IpEdit.SetText(host);
  properties.PortEdit.SetText(std::to_string(port));
  properties.Prompts = prompts;
}

void ParseArguments(QCommandLineParser& parser, const QStringList& arguments) {
  if (!parser.parse(arguments)) throw UsageError(parser.errorText().toStdString());
  if (parser.isSet("help")) parser.showHelp(0);
  if (!parser.positionalArguments().isEmpty()) {
    throw UsageError("unexpected argument \"" + parser.positionalArguments().front().toStdString() +
                     "\"");
  }
}

std::vector<std::string> ElementNames(const QCommandLineParser& parser,
                                      const std::string& command) {
  std::vector<std::string> names;
  for (const QString& name : parser.values("ne")) {
    const std::string text = name.toStdString();
    if (!mml::IsOneLine(text) || name.trimmed().isEmpty()) {
      throw UsageError("--ne wants the name of a network element, not \"" + text + "\"");
    }
    names.push_back(text);
  }
  if (names.empty()) throw UsageError(command + " needs at least one --ne NAME");
  return names;
}

int PositiveNumber(const QCommandLineParser& parser, const QString& name, int fallback) {
  if (!parser.isSet(name)) return fallback;
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok || value < 1) {
    throw UsageError("--" + name.toStdString() + " wants a whole number of 1 or more, not \"" +
                     parser.value(name).toStdString() + "\"");
  }
  return value;
}

void AddParallelOption(QCommandLineParser& parser) {
  parser.addOption({"parallel",
                    "Visit up to N elements at once, each in a session of its own (default 1; at "
                    "most 64). Keep N within the sessions the gateway allows the user.",
                    "N"});
}

int ParallelSessions(const QCommandLineParser& parser) {
  const int sessions = PositiveNumber(parser, "parallel", 1);
  if (sessions > kMostParallel) {
    throw UsageError("--parallel is at most " + std::to_string(kMostParallel) + ", not " +
                     std::to_string(sessions));
  }
  return sessions;
}

int TimeoutSeconds(const QCommandLineParser& parser) {
  return PositiveNumber(parser, "timeout", 0);
}

void AddJobOptions(QCommandLineParser& parser) {
  parser.addOptions({
      {"timeout", "Stop the job if it has not ended after S seconds.", "S"},
      {"settings",
       "Site settings file (INI); default $KESTREL_SETTINGS or ~/.config/kestrel/site.ini "
       "(Windows: %APPDATA%\\Kestrel\\site.ini over %PROGRAMDATA%\\Kestrel\\site.ini).",
       "FILE"},
      {"gateway", "Gateway address and port, instead of the site settings.", "HOST:PORT"},
      {"user", "User name for the gateway, instead of the site settings.", "NAME"},
      {"password-file", "Read the gateway password from the first line of FILE.", "FILE"},
      {"log-dir", "Write the session logs into DIR, instead of the site's log folder.", "DIR"},
      {"no-log", "Write no session logs."},
      {"transport", "telnet or ssh, instead of the site settings.", "NAME"},
      {"identity", "SSH: log in with the private key in FILE (default: the agent's keys).", "FILE"},
      {"known-hosts", "SSH: the known-hosts file, instead of the site's.", "FILE"},
      {"accept-new-host-key",
       "SSH: take the host key of a gateway that the known-hosts file does not know yet, and "
       "add it there (a changed key is still refused)."},
  });
}

Connection ResolveConnection(const QCommandLineParser& parser) {
  const bool explicit_settings = parser.isSet("settings");
  platform::SiteSettings site;
  try {
    site = explicit_settings
               ? platform::SiteSettings::Load(parser.value("settings").toStdString(), true)
               : platform::SiteSettings::Load(platform::SiteSettings::DefaultPaths(), false);
  } catch (const std::runtime_error& error) {
    throw UsageError(error.what());
  }
  for (const std::string& warning : site.warnings)
    std::cerr << "kestrel-batch: " << warning << "\n";
  Connection connection;
  connection.host = site.gateway_host;
  connection.port = site.gateway_port;
  connection.user = site.user;
  connection.password = site.password;
  connection.report_share_root = site.report_share_root;
  connection.max_printout = site.MaxPrintoutBytes();
  connection.proses_watchdog_s = site.proses_watchdog_s;
  connection.dailycheck_min_cycle_s = site.dailycheck_min_cycle_s;
  connection.dailycheck_retry_s = site.dailycheck_retry_s;
  connection.log_sessions = site.log_sessions && !parser.isSet("no-log");
  connection.log_dir =
      parser.isSet("log-dir") ? parser.value("log-dir").toStdString() : site.log_dir;
  connection.log_keep_days = site.log_keep_days;
  connection.log_max_mb = site.log_max_mb;
  std::string transport =
      parser.isSet("transport") ? parser.value("transport").toStdString() : site.transport;
  if (transport != "telnet" && transport != "ssh") {
    throw UsageError("--transport is telnet or ssh, not \"" + transport + "\"");
  }
  connection.transport = transport == "ssh" ? net::Transport::kSsh : net::Transport::kTelnet;
  connection.ssh.identity =
      parser.isSet("identity") ? parser.value("identity").toStdString() : site.ssh_identity;
  connection.ssh.known_hosts = parser.isSet("known-hosts")
                                   ? parser.value("known-hosts").toStdString()
                                   : site.KnownHostsPath();
  connection.ssh.host_key = site.ssh_host_key;
  connection.ssh.keepalive_s = site.ssh_keepalive_s;
  connection.accept_new_host_key = parser.isSet("accept-new-host-key");
  for (const auto& [name, address] : site.elements) {
    try {
      connection.elements[name] = net::ParseElementAddress(address);
    } catch (const std::invalid_argument& error) {
      throw UsageError("elements/" + name + ": " + error.what());
    }
  }
  connection.prompts = {site.user_prompt, site.password_prompt, site.element_prompt,
                        site.ready_prompt};

  if (parser.isSet("gateway")) {
    const QString gateway = parser.value("gateway");
    const qsizetype colon = gateway.lastIndexOf(':');
    bool ok = false;
    const int port = colon > 0 ? gateway.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535) {
      throw UsageError("--gateway wants HOST:PORT, not \"" + gateway.toStdString() + "\"");
    }
    connection.host = gateway.left(colon).toStdString();
    connection.port = port;
    site.gateway_host = connection.host;
  }
  if (parser.isSet("user")) connection.user = parser.value("user").toStdString();

  if (parser.isSet("password-file")) {
    QFile file(parser.value("password-file"));
    if (!file.open(QIODevice::ReadOnly)) {
      throw UsageError("cannot read the password file " + file.fileName().toStdString());
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    connection.password = line.toStdString();
    site.password_configured = true;
    const std::string warning =
        platform::ReadableByOthers(file.fileName().toStdString(), "password file");
    if (!warning.empty()) std::cerr << "kestrel-batch: " << warning << "\n";
  } else if (qEnvironmentVariableIsSet("KESTREL_PASSWORD")) {
    connection.password = qEnvironmentVariable("KESTREL_PASSWORD").toStdString();
    site.password_configured = true;
  }
  // The Credential Manager's password of the gateway, where none is configured.
  if (!site.password_configured) {
    site.UseStoredPassword(platform::StoredPassword);
    if (site.password_configured) connection.password = site.password;
  }
  // Nothing is sent rather than the demo password to a gateway that is not on loopback.
  if (const std::string problem = site.PasswordProblem(); !problem.empty()) {
    throw UsageError(problem);
  }
  for (const std::string* value : {&connection.host, &connection.user, &connection.password}) {
    if (!mml::IsOneLine(*value)) throw UsageError("the gateway settings hold a line break");
  }
  return connection;
}

}  // namespace kestrel::cli
