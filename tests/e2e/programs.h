#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
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
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  QString QAddress() const { return QString::fromStdString(Address()); }

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

// What each session of a transcript folder recorded: the lines typed, the orders executed.
// Session files are numbered in the order of connection.
std::vector<std::vector<std::string>> TranscriptEvents(const QString& folder);

// The lines a session typed ("typed X" events), in order.
std::vector<std::string> TypedLines(const std::vector<std::string>& events);
// Every line typed in any of `sessions`.
std::vector<std::string> AllTyped(const std::vector<std::vector<std::string>>& sessions);

// What the exchange holds out of traffic after `sessions`, as their "executed" lines tell:
// objects blocked (RXBLI) or out of service (RXESE) and not put back (RXBLE, RXESI), and
// transmission paths blocked (TPBLI) and not deblocked (TPBLE), named as the pages name them
// ("RXOTS-12-0-1", "SDIP=RSDIP12,LP=VC12-1").
std::set<std::string> LeftOutOfTraffic(const std::vector<std::vector<std::string>>& sessions);

// The objects a text names after `marker` ("May still be blocked: " or "may still be
// blocked: "), up to the next ";" or ". " or the end of the line.
std::set<std::string> NamedAfter(const std::string& text, const std::string& marker);

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
// A file of the test data folder.
QString DataFile(const char* name);
// Writes `text` into `path`, readable by its owner only unless `others_may_read`.
void WriteFile(const QString& path, const std::string& text, bool others_may_read = false);
std::string ReadWhole(const QString& path);
// The "recap: " lines of a runner's standard error, without the prefix.
std::vector<std::string> RecapLines(const std::string& err);
// The lines of `text`, split at "\n".
std::vector<std::string> Lines(const std::string& text);
// `text` with its dates and times of day as "<date time>" and "<time>".
std::string MaskTimes(const std::string& text);

// One of the six jobs of kestrel-batch, set up against a network of the test data: the
// gateway's network option and the runner's arguments but --gateway.
struct Job {
  std::string command;    // "rlslp", "proses", ...
  QStringList network;    // the gateway's --scenario, if not the demo network
  QStringList arguments;  // without --gateway
  std::string element;    // the element it treats (the Cell side's BSC for qonsuluq)
};
// The six jobs, each quick and clean against its network. `element`, when given, replaces the
// element each job treats. Report files of the Daily check go under `scratch`, which gets its
// Kestreldailycheck folder.
std::vector<Job> SixJobs(const QString& scratch, const std::string& element = {});

// A loopback port free a moment ago.
int FreePort();

// The OpenSSH fingerprint ("SHA256:...") of a key file, as ssh-keygen shows it.
std::string KeyFingerprint(const QString& key_file);

// Stands between the runner and a gateway on loopback: passes everything both ways until the
// runner types a line that starts with `trigger`; from then on that connection stays open but
// nothing more the gateway says reaches the runner (the gateway still hears the runner).
class MutingProxy {
 public:
  MutingProxy(int gateway_port, std::string trigger);
  ~MutingProxy();
  QString Address() const { return "127.0.0.1:" + QString::number(port_); }

 private:
  void Run();

  int gateway_port_;
  std::string trigger_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// One job against `peer`, on loopback:
//   kGateway     kestrel-gateway, its transcripts kept (over SSH with `ssh`, behind a
//                MutingProxy when `mute_after` is set);
//   kDirect      kestrel-gateway --direct as the element itself, named in the site's
//                [elements] table; --gateway names a port where nothing listens;
//   kOpenSsh     OpenSSH's sshd with a key login, whose forced command is kestrel-gateway
//                --stdio;
//   kReplay      kestrel-gateway --replay of `replay` (session logs) with `replay_options`;
//   kSilent      a port that takes the connection and never says a word;
//   kUnanswered  a port whose connects are never answered (its queue full, never accepted);
//   kClosed      a port where nothing listens;
//   kNone        no gateway: --gateway is `elsewhere`, or not given when empty.
// The runner's session logs go to <dir>/logs, its host keys to <dir>/keys.
struct JobSetup {
  enum class Peer { kGateway, kDirect, kOpenSsh, kReplay, kSilent, kUnanswered, kClosed, kNone };
  Peer peer = Peer::kGateway;
  QStringList faults;  // the gateway's options besides the job's network
  QProcessEnvironment env = DemoPassword();
  bool ssh = false;
  // Over SSH: the runner's known-hosts file holds the server's key ("server") or another
  // ("other"), the site pins one of them; without `accept_new` no new key is taken.
  std::string known, pinned;
  bool accept_new = true;
  std::string mute_after;
  QString elsewhere;
  bool unnamed = false;  // no --gateway for the peer: the settings name it
  QStringList replay, replay_options;
};
class JobRun {
 public:
  JobRun(const Job& job, const JobSetup& setup, const QString& dir, const QStringList& more = {});
  ~JobRun();
  // Only a hang outlasts the default.
  RunResult Wait(int ms = 600000) { return batch_->Wait(ms); }
  bool Running(int ms) { return batch_->Running(ms); }
  void Terminate() { batch_->Terminate(); }
  // The same job once more against the same peer, new host keys no longer taken.
  RunResult Again();
  std::vector<std::vector<std::string>> Sessions() const;
  // What the replay gateway said went wrong (stopping it).
  std::string ReplayErrors();
  QString Address() const { return address_; }
  // The fingerprints of the server's key and of the other key, over SSH.
  std::string ServerKey() const, OtherKey() const;

 private:
  QString dir_, address_;
  QStringList arguments_;
  QProcessEnvironment env_;
  QTemporaryDir transcripts_;
  std::unique_ptr<GatewayProcess> gateway_;
  std::unique_ptr<MutingProxy> proxy_;
  std::unique_ptr<QProcess> sshd_;
  int listener_ = -1, filler_ = -1;  // of a silent or unanswered port
  std::unique_ptr<BatchProcess> batch_;
};

}  // namespace kestrel::testing
