#pragma once

#include <QCommandLineParser>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "mml/properties_form.h"
#include "mml/telnet_client.h"
#include "net/transport.h"

namespace kestrel::cli {

// A mistake in the command line or the settings: reported in one line, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Connection {
  std::string host;
  int port = 0;
  std::string user;
  std::string password;
  std::string report_share_root;         // of the site settings
  std::size_t max_printout = 64u << 20;  // bytes
  int proses_watchdog_s = 60;
  int dailycheck_min_cycle_s = 60;
  int dailycheck_retry_s = 30;
  // Session logs: written unless --no-log, into --log-dir or the site's folder.
  bool log_sessions = true;
  std::string log_dir;  // empty: the default folder
  int log_keep_days = 30;
  int log_max_mb = 500;
  // The transport, what SSH needs, and the elements reached directly.
  net::Transport transport = net::Transport::kTelnet;
  net::SshOptions ssh;
  bool accept_new_host_key = false;  // and remember it
  std::map<std::string, net::DirectElement> elements;
  mml::LoginPrompts prompts;

  // Gives the settings-window model the user, password and gateway.
  void Apply(mml::PropertiesForm& properties) const;
};

// Parses a sub-command's arguments; --help prints its options and ends the program.
void ParseArguments(QCommandLineParser& parser, const QStringList& arguments);
// The --ne names, in order: at least one, each a name that can go out after "NE=".
std::vector<std::string> ElementNames(const QCommandLineParser& parser, const std::string& command);
// The whole number of at least 1 given with --`name`, or `fallback` when it is not given.
int PositiveNumber(const QCommandLineParser& parser, const QString& name, int fallback);

// --parallel N: sessions at once, for the jobs that visit a list of elements.
void AddParallelOption(QCommandLineParser& parser);
// The --parallel given: 1 to kMostParallel; 1 when none.
int ParallelSessions(const QCommandLineParser& parser);
inline constexpr int kMostParallel = 64;

// The options every job has: --timeout, the connection's --settings, --gateway, --user and
// --password-file, and the session log's --log-dir and --no-log. The password is never an
// option of its own: it comes from a file, from $KESTREL_PASSWORD, or from the site settings;
// the built-in demo password only ever goes to a gateway on loopback.
void AddJobOptions(QCommandLineParser& parser);
// The --timeout in seconds; 0 when there is none.
int TimeoutSeconds(const QCommandLineParser& parser);
Connection ResolveConnection(const QCommandLineParser& parser);

}  // namespace kestrel::cli
