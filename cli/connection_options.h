#pragma once

#include <QCommandLineParser>
#include <stdexcept>
#include <string>

#include "mml/properties_form.h"
#include "mml/telnet_client.h"

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

  // Gives the settings-window model the user and password, and the client the gateway.
  void Apply(mml::PropertiesForm& properties, mml::TelnetClient& telnet) const;
};

// --settings, --gateway, --user and --password-file. The password is never an option of
// its own: it comes from a file, from $KESTREL_PASSWORD, or from the site settings.
void AddConnectionOptions(QCommandLineParser& parser);
Connection ResolveConnection(const QCommandLineParser& parser);

}  // namespace kestrel::cli
