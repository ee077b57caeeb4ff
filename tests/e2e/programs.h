#pragma once

#include <QProcess>
#include <QStringList>
#include <string>
#include <vector>

namespace kestrel::testing {

// A kestrel-gateway started for one test on a free loopback port, stopped when it goes.
class GatewayProcess {
 public:
  explicit GatewayProcess(const QStringList& options = {});
  ~GatewayProcess();
  int Port() const { return port_; }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  QProcess process_;
  int port_ = 0;
};

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// What each session of a transcript folder recorded: the lines typed, the orders executed.
// Session files are numbered in the order of connection.
std::vector<std::vector<std::string>> TranscriptEvents(const QString& folder);

// Logs in to the gateway as the demo user, selects `element`, sends `command` and returns
// the printout up to its prompt.
std::string MmlQuery(int port, const std::string& element, const std::string& command);

// Runs kestrel-batch with `arguments` and waits for its end (at most 60 s). The site
// settings are pointed at a file that does not exist, so only the built-in defaults and
// the arguments count.
RunResult RunBatch(const QStringList& arguments, const QProcessEnvironment& extra = {});

}  // namespace kestrel::testing
