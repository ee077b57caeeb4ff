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

// Logs in to the gateway as the demo user, selects `element`, sends `command` and returns
// the printout up to its prompt.
std::string MmlQuery(int port, const std::string& element, const std::string& command);

// A kestrel-batch started at once with `arguments`, running alongside whatever else runs;
// `Wait` collects its end. The site settings are pointed at a file that does not exist, so
// only the built-in defaults and the arguments count; $KESTREL_PASSWORD is unset unless
// `extra` sets it. Output goes to files, so that several can run without anyone reading.
class BatchProcess {
 public:
  explicit BatchProcess(const QStringList& arguments, const QProcessEnvironment& extra = {});
  ~BatchProcess();
  // Waits for the end (at most `ms`; then the runner is killed and this throws).
  RunResult Wait(int ms = 60000);

 private:
  QTemporaryDir output_;
  QProcess batch_;
  qint64 started_ms_ = 0;
};

// A Daily check's arguments without its pace (the shortest cycle, the back-off), unless they
// set it: the tests' networks are visited pass after pass at once. The pace has tests of its
// own.
QStringList Unpaced(QStringList arguments);

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
  // The job's arguments with the gateway at `address`.
  QStringList With(const QString& address) const;
};
// The six jobs, each quick and clean against its network. `element`, when given, replaces the
// element each job treats. Report files of the Daily check go under `scratch`, which gets its
// Kestreldailycheck folder.
std::vector<Job> SixJobs(const QString& scratch, const std::string& element = {});

// What a gateway and a runner add to speak SSH to each other, with the gateway's host key and
// the runner's known-hosts file in `folder`; the runner takes the key on first sight. The
// host key is made beforehand (several gateways may share it), unless the gateway is to.
struct SshPair {
  explicit SshPair(const QString& folder, bool gateway_makes_key = false);
  QString host_key, known_hosts;
  QStringList gateway;  // --ssh --host-key
  QStringList runner;   // --transport ssh --known-hosts --accept-new-host-key
};
// The OpenSSH fingerprint ("SHA256:...") of a key file, as ssh-keygen shows it.
std::string KeyFingerprint(const QString& key_file);
// Every line typed in `sessions` but the in-band login (the user name and the password),
// which an SSH login does instead.
std::vector<std::string> TypedAfterLogin(const std::vector<std::vector<std::string>>& sessions);

// A gateway that takes the connection (the system completes it) and never says a word.
class SilentGateway {
 public:
  SilentGateway();
  ~SilentGateway();
  QString Address() const { return "127.0.0.1:" + QString::number(port_); }

 private:
  int listener_ = -1;
  int port_ = 0;
};

// A gateway whose connects are never answered (a dropping firewall, an overloaded gateway): a
// port that listens with its queue full and never accepts.
class UnansweredGateway {
 public:
  UnansweredGateway();
  ~UnansweredGateway();
  QString Address() const { return "127.0.0.1:" + QString::number(port_); }

 private:
  int listener_ = -1;
  int filler_ = -1;
  int port_ = 0;
};

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

// One job against `peer`: a kestrel-gateway with its transcripts kept (over SSH too, with a
// key made for it; behind a MutingProxy when `mute_after` is set), a SilentGateway, an
// UnansweredGateway, or none (--gateway is then `elsewhere`, or not given when empty).
struct JobSetup {
  enum class Peer { kGateway, kSilent, kUnanswered, kNone };
  Peer peer = Peer::kGateway;
  QStringList faults;  // the gateway's options besides the job's network
  QProcessEnvironment env = DemoPassword();
  bool ssh = false;
  std::string mute_after;
  QString elsewhere;
};
class JobRun {
 public:
  JobRun(const Job& job, const JobSetup& setup = {}, const QStringList& more = {});
  // Only a hang outlasts the default.
  RunResult Wait(int ms = 600000) { return batch_->Wait(ms); }
  std::vector<std::vector<std::string>> Sessions() const {
    return TranscriptEvents(transcripts_.path());
  }

 private:
  QTemporaryDir transcripts_, keys_;
  std::unique_ptr<GatewayProcess> gateway_;
  std::unique_ptr<MutingProxy> proxy_;
  std::unique_ptr<SilentGateway> silent_;
  std::unique_ptr<UnansweredGateway> unanswered_;
  std::unique_ptr<BatchProcess> batch_;
};

}  // namespace kestrel::testing
