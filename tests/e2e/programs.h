#pragma once

// What the end-to-end and replay tests share: the simulator and the runner as processes,
// reading session logs, and the masks that make two runs' reports comparable.

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace kestrel::testing {

// A kestrel-gateway started for one test on a free loopback port, stopped when it goes. What
// it writes on standard error is dropped, unless `keep_errors` (transcripts there would fill a
// pipe nobody reads; tests that want them name a folder).
class GatewayProcess {
 public:
  explicit GatewayProcess(const QStringList& options = {}, bool keep_errors = false);
  ~GatewayProcess();
  GatewayProcess(const GatewayProcess&) = delete;
  GatewayProcess& operator=(const GatewayProcess&) = delete;
  // Stops the gateway and returns all it wrote on standard error (when kept).
  std::string Stop();
  int Port() const { return port_; }
  QString Address() const { return "127.0.0.1:" + QString::number(port_); }

 private:
  QProcess process_;
  int port_ = 0;
  std::string errors_;
};

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
  qint64 elapsed_ms = 0;  // from the start of the runner to its end
};

// A kestrel-batch started at once with `arguments`, running alongside whatever else runs;
// `Wait` collects its end. The site settings are pointed at a file that does not exist, so
// only the built-in defaults and the arguments count; $KESTREL_PASSWORD is unset unless
// `extra` sets it. A Daily check is unpaced (--min-cycle 0, --retry 0) unless the arguments
// pace it: the tests' networks are visited pass after pass at once. Output goes to files, so
// that several can run without anyone reading.
class BatchProcess {
 public:
  explicit BatchProcess(const QStringList& arguments, const QProcessEnvironment& extra = {});
  ~BatchProcess();
  // Waits for the end (at most `ms`; then the runner is killed and this throws).
  RunResult Wait(int ms = 60000);
  // Waits at most `ms` for the end; whether the runner still runs.
  bool Running(int ms) {
    return !batch_.waitForFinished(ms) && batch_.state() != QProcess::NotRunning;
  }
  // SIGTERM, as a service manager stops the runner.
  void Terminate() { batch_.terminate(); }

 private:
  QTemporaryDir output_;
  QProcess batch_;
  qint64 started_ms_ = 0;
};

// Runs kestrel-batch with `arguments` and waits for its end (at most 60 s).
RunResult RunBatch(const QStringList& arguments, const QProcessEnvironment& extra = {});

// The environment that gives the runner the demo network's password.
QProcessEnvironment DemoPassword();
std::string ReadWhole(const QString& path);
// The lines of `text`, split at "\n".
std::vector<std::string> Lines(const std::string& text);

// A job's output with what differs from run to run masked: the temporary folder it was
// given, the times of day the pages write, and the simulator's port.
std::string Masked(const std::string& output, const QString& temporary = {});

// One record of a session log: "YYYY-MM-DD HH:MM:SS.mmm sent|recv|note TEXT", TEXT escaped.
struct LogLine {
  std::string kind;  // "sent", "recv" or "note"
  std::string text;  // as escaped in the file
};
std::vector<LogLine> ReadLog(const QString& path);

// The session logs under `folder` (its day folders included), by path: the files of a case
// are numbered in the order their sessions began.
QStringList SessionLogs(const QString& folder);

// The lines each session sent, one list per log. Sessions of one job may begin in another
// order from run to run, so the lists are sorted.
std::vector<std::vector<std::string>> SentLines(const QStringList& logs);

}  // namespace kestrel::testing
