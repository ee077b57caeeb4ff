#include "tests/e2e/programs.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

namespace kestrel::testing {

namespace {

// A loopback socket listening on a free port; returns it and its port.
int ListenOnLoopback(int backlog, int& port) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (listener < 0 ||
      ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, backlog) != 0) {
    throw std::runtime_error("cannot listen on loopback");
  }
  socklen_t length = sizeof address;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return listener;
}

// A socket connected to loopback `port`, or -1.
int ConnectOnLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  ::close(fd);
  return -1;
}

// Runs ssh-keygen with `arguments` and returns what it printed.
std::string KeyGen(const QStringList& arguments) {
  QProcess keygen;
  keygen.start("ssh-keygen", arguments);
  if (!keygen.waitForFinished(10000) || keygen.exitCode() != 0)
    throw std::runtime_error("ssh-keygen failed: " + arguments.join(' ').toStdString());
  return keygen.readAllStandardOutput().trimmed().toStdString();
}

void MakeKey(const QString& file) { KeyGen({"-q", "-t", "ed25519", "-N", "", "-f", file}); }

std::string Trimmed(std::string text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A Daily check's arguments with no pace unless they set one.
QStringList Unpaced(QStringList arguments) {
  for (const char* pace : {"--min-cycle", "--retry"})
    if (arguments.value(0) == "dailycheck" && !arguments.contains(pace)) arguments << pace << "0";
  return arguments;
}

}  // namespace

GatewayProcess::GatewayProcess(const QStringList& options, bool keep_errors) {
  if (!keep_errors) process_.setStandardErrorFile(QProcess::nullDevice());
  process_.start(KESTREL_GATEWAY, QStringList{"--listen", "127.0.0.1:0"} + options);
  if (!process_.waitForStarted(5000)) throw std::runtime_error("kestrel-gateway did not start");
  QByteArray said;
  while (!said.contains('\n') && process_.waitForReadyRead(5000))
    said += process_.readAllStandardOutput();
  const auto match = QRegularExpression(":(\\d+)\\s*$").match(QString::fromUtf8(said));
  if (!match.hasMatch()) {
    process_.waitForFinished(2000);
    throw std::runtime_error("kestrel-gateway said: " + said.toStdString() +
                             process_.readAllStandardError().toStdString());
  }
  port_ = match.captured(1).toInt();
}

GatewayProcess::~GatewayProcess() { Stop(); }

std::string GatewayProcess::Stop() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
  errors_ += process_.readAllStandardError().toStdString();
  return errors_;
}

std::vector<std::vector<std::string>> TranscriptEvents(const QString& folder) {
  std::vector<std::vector<std::string>> sessions;
  for (int number = 1;; ++number) {
    QFile file(folder + QString("/session-%1.log").arg(number));
    if (!file.open(QIODevice::ReadOnly)) return sessions;
    std::vector<std::string> events;
    for (const QByteArray& line : file.readAll().split('\n')) {
      if (line.startsWith("-- typed ") || line.startsWith("-- executed ")) {
        events.push_back(line.mid(3).toStdString());
      }
    }
    sessions.push_back(std::move(events));
  }
}

std::vector<std::string> TypedLines(const std::vector<std::string>& events) {
  std::vector<std::string> typed;
  for (const auto& event : events) {
    if (event.starts_with("typed ")) typed.push_back(event.substr(6));
  }
  return typed;
}

std::vector<std::string> AllTyped(const std::vector<std::vector<std::string>>& sessions) {
  std::vector<std::string> typed;
  for (const auto& events : sessions) {
    const auto lines = TypedLines(events);
    typed.insert(typed.end(), lines.begin(), lines.end());
  }
  return typed;
}

std::set<std::string> LeftOutOfTraffic(const std::vector<std::vector<std::string>>& sessions) {
  // Per object: blocked, out of service.
  std::map<std::string, std::pair<bool, bool>> state;
  for (const auto& events : sessions) {
    for (const auto& event : events) {
      if (!event.starts_with("executed ") || event.size() < 15) continue;
      const std::string code = event.substr(9, 5);
      std::string object;
      if (code.starts_with("TPBL")) {
        // "executed TPBLI:SDIP=RSDIP12,LP=VC12-1 ;": the path without its blanks.
        for (const char c : event.substr(15)) {
          if (c != ' ' && c != ';') object += c;
        }
      } else {
        object = Trimmed(event.substr(15));
      }
      auto& [blocked, out_of_service] = state[object];
      if (code == "RXBLI" || code == "TPBLI") blocked = true;
      if (code == "RXBLE" || code == "TPBLE") blocked = false;
      if (code == "RXESE") out_of_service = true;
      if (code == "RXESI") out_of_service = false;
    }
  }
  std::set<std::string> left;
  for (const auto& [object, flags] : state) {
    if (flags.first || flags.second) left.insert(object);
  }
  return left;
}

std::set<std::string> NamedAfter(const std::string& text, const std::string& marker) {
  std::set<std::string> objects;
  for (std::size_t at = text.find(marker); at != std::string::npos;
       at = text.find(marker, at + 1)) {
    std::size_t end = text.find_first_of(";\n", at);
    end = std::min(end, text.find(". ", at));
    std::string list =
        text.substr(at + marker.size(),
                    end == std::string::npos ? std::string::npos : end - at - marker.size());
    if (list.ends_with('.')) list.pop_back();
    std::size_t start = 0;
    for (std::size_t blank; start < list.size(); start = blank + 1) {
      blank = list.find(' ', start);
      if (blank == std::string::npos) blank = list.size();
      if (blank > start) objects.insert(list.substr(start, blank - start));
    }
  }
  return objects;
}

BatchProcess::BatchProcess(const QStringList& arguments, const QProcessEnvironment& extra) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("KESTREL_SETTINGS", "/nonexistent/kestrel-site.ini");
  environment.remove("KESTREL_PASSWORD");
  // Session logs of the tests go to a folder of their own, not the user's.
  static const QTemporaryDir state;
  environment.insert("XDG_STATE_HOME", state.path());
  // So does the Daily check's history.
  environment.insert("XDG_DATA_HOME", state.path());
  for (const QString& key : extra.keys()) environment.insert(key, extra.value(key));
  batch_.setProcessEnvironment(environment);
  batch_.setStandardOutputFile(output_.filePath("out"));
  batch_.setStandardErrorFile(output_.filePath("err"));
  started_ms_ = QDateTime::currentMSecsSinceEpoch();
  batch_.start(KESTREL_BATCH, Unpaced(arguments));
}

BatchProcess::~BatchProcess() {
  if (batch_.state() != QProcess::NotRunning) {
    batch_.kill();
    batch_.waitForFinished(5000);
  }
}

RunResult BatchProcess::Wait(int ms) {
  if (!batch_.waitForFinished(ms) && batch_.state() != QProcess::NotRunning) {
    batch_.kill();
    batch_.waitForFinished(5000);
    throw std::runtime_error("kestrel-batch did not end within " + std::to_string(ms / 1000) +
                             " s");
  }
  return {batch_.exitStatus() == QProcess::NormalExit ? batch_.exitCode() : -1,
          ReadWhole(output_.filePath("out")), ReadWhole(output_.filePath("err")),
          QDateTime::currentMSecsSinceEpoch() - started_ms_};
}

RunResult RunBatch(const QStringList& arguments, const QProcessEnvironment& extra) {
  return BatchProcess(arguments, extra).Wait();
}

QProcessEnvironment DemoPassword() {
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", "kestrel");
  return env;
}

QString DataFile(const char* name) { return QString(KESTREL_E2E_DATA) + "/" + name; }

void WriteFile(const QString& path, const std::string& text, bool others_may_read) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size())) {
    throw std::runtime_error("cannot write " + path.toStdString());
  }
  file.setPermissions(others_may_read ? QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                            QFile::ReadOther
                                      : QFile::ReadOwner | QFile::WriteOwner);
}

std::string ReadWhole(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

std::vector<std::string> RecapLines(const std::string& err) {
  std::vector<std::string> recap;
  for (const std::string& line : Lines(err)) {
    if (line.starts_with("recap: ")) recap.push_back(line.substr(7));
  }
  return recap;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string MaskTimes(const std::string& text) {
  QString masked = QString::fromStdString(text);
  masked.replace(QRegularExpression("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d"),
                 "<date time>");
  masked.replace(QRegularExpression("\\d\\d:\\d\\d:\\d\\d"), "<time>");
  return masked.toStdString();
}

std::vector<Job> SixJobs(const QString& scratch, const std::string& element) {
  const QString ne = QString::fromStdString(element.empty() ? "BSC9" : element);
  QDir(scratch).mkdir("Kestreldailycheck");
  const QStringList timeout = {"--timeout", "30"};
  return {
      {"rlslp", {}, QStringList{"--ne", ne} + timeout, ne.toStdString()},
      {"proses",
       {"--scenario", DataFile("proses-network.json")},
       QStringList{"--ne", ne, "--release-ms", "20", "--wait-ms", "100"} + timeout,
       ne.toStdString()},
      {"dailycheck",
       {"--scenario", DataFile("dailycheck-network.json")},
       QStringList{"--ne", ne, "--report-root", scratch, "--no-sound", "--solution", "SETAR",
                   "--solution", "SEQAR"} +
           timeout,
       ne.toStdString()},
      {"qonsuluq",
       {"--scenario", DataFile("qonsuluq-network.json")},
       QStringList{"--cell-bsc", ne, "--cellr-bsc", "BSC10", "--cells",
                   DataFile("qonsuluq-cells.txt"), "--cellrs", DataFile("qonsuluq-cellrs.txt")} +
           timeout,
       ne.toStdString()},
      {"broadcast", {}, QStringList{"--ne", ne} + timeout, ne.toStdString()},
      {"relocation",
       {"--scenario", DataFile("relocation-network.json")},
       QStringList{"--ne", ne, "--target", "12", "--cells", DataFile("relocation-cells.txt")} +
           timeout,
       ne.toStdString()},
  };
}

MutingProxy::MutingProxy(int gateway_port, std::string trigger)
    : gateway_port_(gateway_port), trigger_(std::move(trigger)) {
  listener_ = ListenOnLoopback(8, port_);
  thread_ = std::thread([this] { Run(); });
}

MutingProxy::~MutingProxy() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

void MutingProxy::Run() {
  struct Pair {
    int runner = -1, gateway = -1;
    bool muted = false;
    std::string line;  // what the runner has typed of its current line
  };
  std::vector<Pair> pairs;
  auto write_all = [](int fd, const char* data, ssize_t size) {
    while (size > 0) {
      const ssize_t written = ::write(fd, data, static_cast<std::size_t>(size));
      if (written <= 0) return;
      data += written;
      size -= written;
    }
  };
  while (!stop_) {
    std::vector<pollfd> fds = {{listener_, POLLIN, 0}};
    for (const Pair& pair : pairs) {
      fds.push_back({pair.runner, POLLIN, 0});
      fds.push_back({pair.gateway, POLLIN, 0});
    }
    if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      Pair pair;
      pair.runner = ::accept(listener_, nullptr, nullptr);
      pair.gateway = ConnectOnLoopback(gateway_port_);
      if (pair.gateway < 0) {
        ::close(pair.runner);
      } else {
        pairs.push_back(pair);
      }
      continue;  // the fds of this round no longer match the pairs
    }
    char buffer[65536];
    for (std::size_t i = 0; i < pairs.size(); ++i) {
      Pair& pair = pairs[i];
      bool closed = false;
      if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) {
        const ssize_t got = ::read(pair.runner, buffer, sizeof buffer);
        if (got <= 0) {
          closed = true;
        } else {
          write_all(pair.gateway, buffer, got);
          for (ssize_t k = 0; k < got; ++k) {
            if (buffer[k] == '\n' || buffer[k] == '\r') {
              if (pair.line.starts_with(trigger_)) pair.muted = true;
              pair.line.clear();
            } else {
              pair.line += buffer[k];
            }
          }
        }
      }
      if (!closed && (fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))) {
        const ssize_t got = ::read(pair.gateway, buffer, sizeof buffer);
        if (got <= 0) {
          closed = true;
        } else if (!pair.muted) {
          write_all(pair.runner, buffer, got);
        }
      }
      if (closed) {
        ::close(pair.runner);
        ::close(pair.gateway);
        pair.runner = -1;
      }
    }
    std::erase_if(pairs, [](const Pair& pair) { return pair.runner < 0; });
  }
  for (const Pair& pair : pairs) {
    ::close(pair.runner);
    ::close(pair.gateway);
  }
}

int FreePort() {
  int port = 0;
  ::close(ListenOnLoopback(1, port));
  return port;
}

std::string KeyFingerprint(const QString& key_file) {
  const std::string shown = KeyGen({"-l", "-f", key_file});  // "256 SHA256:... comment (TYPE)"
  const std::size_t start = shown.find(' ') + 1;
  return shown.substr(start, shown.find(' ', start) - start);
}

// The bytes of the in-band login that an SSH login spares the gateway: "\r\n", "User: ",
// the user's echo, "Password: " and "\r\nLOGGED IN AS kestrel\r\n".
constexpr int kInBandLogin = 2 + 6 + 9 + 10 + 24;

JobRun::JobRun(const Job& job, const JobSetup& setup, const QString& dir, const QStringList& more)
    : dir_(dir), env_(setup.env) {
  using Peer = JobSetup::Peer;
  QStringList runner = job.arguments + QStringList{"--log-dir", dir + "/logs"} + more;
  const QString keys = dir + "/keys";
  const bool ssh = setup.ssh || setup.peer == Peer::kOpenSsh;
  if (ssh) {
    QDir().mkpath(keys);
    MakeKey(keys + "/host_key");
    MakeKey(keys + "/other_key");
    runner += {"--transport", "ssh", "--known-hosts", keys + "/known_hosts"};
    if (setup.accept_new) runner += "--accept-new-host-key";
  }
  // Over SSH the gateway sends no in-band login: a drop after so many bytes of the dialogue
  // falls where it falls over telnet.
  QStringList faults = setup.faults;
  const qsizetype bytes = faults.indexOf("--drop-after-bytes") + 1;
  if (setup.ssh && bytes > 0 && faults[bytes].toInt() >= 100)
    faults[bytes] = QString::number(faults[bytes].toInt() - kInBandLogin);
  const QStringList gateway =
      job.network + QStringList{"--transcript-dir", transcripts_.path()} + faults +
      (setup.ssh ? QStringList{"--ssh", "--host-key", keys + "/host_key"} : QStringList{});
  int port = 0;
  switch (setup.peer) {
    case Peer::kGateway:
      gateway_ = std::make_unique<GatewayProcess>(gateway);
      port = gateway_->Port();
      if (!setup.mute_after.empty()) {
        proxy_ = std::make_unique<MutingProxy>(port, setup.mute_after);
        address_ = proxy_->Address();
      }
      break;
    case Peer::kDirect:
      gateway_ = std::make_unique<GatewayProcess>(
          gateway + QStringList{"--direct", QString::fromStdString(job.element)});
      port = gateway_->Port();
      WriteFile(dir + "/direct.ini", "[elements]\n" + job.element + "=" +
                                         (setup.ssh ? "ssh://" : "telnet://") +
                                         gateway_->Address() + "\n");
      runner += {"--settings", dir + "/direct.ini"};
      port = FreePort();  // for --gateway
      break;
    case Peer::kOpenSsh: {
      MakeKey(keys + "/user_key");
      WriteFile(keys + "/authorized_keys", KeyGen({"-y", "-f", keys + "/user_key"}) + "\n");
      port = FreePort();
      // The privilege separation folder, made by the server's service at boot.
      QDir().mkpath("/run/sshd");
      const std::string k = keys.toStdString();
      WriteFile(keys + "/sshd_config",
                "Port " + std::to_string(port) + "\nListenAddress 127.0.0.1\nHostKey " + k +
                    "/host_key\nPidFile " + k + "/sshd.pid\nAuthorizedKeysFile " + k +
                    "/authorized_keys\nPasswordAuthentication no\nKbdInteractiveAuthentication "
                    "no\nUsePAM no\nStrictModes no\nPermitRootLogin prohibit-password\n"
                    "ForceCommand " KESTREL_GATEWAY " --stdio " +
                    gateway.join(' ').toStdString() + "\n");
      sshd_ = std::make_unique<QProcess>();
      sshd_->setProcessChannelMode(QProcess::MergedChannels);
      sshd_->start("/usr/sbin/sshd", {"-D", "-e", "-f", keys + "/sshd_config"});
      QByteArray said;
      while (!said.contains("listening") && sshd_->waitForReadyRead(5000)) said += sshd_->readAll();
      if (!said.contains("listening")) throw std::runtime_error("sshd said: " + said.toStdString());
      runner += {"--user", QString::fromLocal8Bit(getpwuid(getuid())->pw_name), "--identity",
                 keys + "/user_key"};
      break;
    }
    case Peer::kReplay: {
      QStringList replay = {"--quiet"};
      for (const QString& log : setup.replay) replay << "--replay" << log;
      gateway_ = std::make_unique<GatewayProcess>(replay + setup.replay_options, true);
      port = gateway_->Port();
      break;
    }
    case Peer::kSilent:
      listener_ = ListenOnLoopback(8, port);
      break;
    case Peer::kUnanswered:
      // One connection fills the queue that is never accepted; the next is never answered.
      listener_ = ListenOnLoopback(0, port);
      filler_ = ConnectOnLoopback(port);
      break;
    case Peer::kClosed:
      port = FreePort();
      break;
    case Peer::kNone:
      address_ = setup.elsewhere;
      break;
  }
  if (address_.isEmpty() && port != 0) address_ = "127.0.0.1:" + QString::number(port);
  const auto key = [&](const std::string& which) {
    return keys + (which == "server" ? "/host_key" : "/other_key");
  };
  if (!setup.known.empty()) {
    WriteFile(keys + "/known_hosts", "[127.0.0.1]:" + std::to_string(port) + " " +
                                         KeyGen({"-y", "-f", key(setup.known)}) + "\n");
  }
  if (!setup.pinned.empty()) {
    WriteFile(keys + "/pin.ini", "[ssh]\nhost_key=" + KeyFingerprint(key(setup.pinned)) + "\n");
    runner += {"--settings", keys + "/pin.ini"};
  }
  if (!address_.isEmpty() && !setup.unnamed) runner = QStringList{"--gateway", address_} + runner;
  arguments_ = QStringList{QString::fromStdString(job.command)} + runner;
  batch_ = std::make_unique<BatchProcess>(arguments_, env_);
}

JobRun::~JobRun() {
  batch_.reset();
  if (sshd_) {
    sshd_->terminate();
    sshd_->waitForFinished(5000);
  }
  if (filler_ >= 0) ::close(filler_);
  if (listener_ >= 0) ::close(listener_);
}

RunResult JobRun::Again() {
  QStringList arguments = arguments_;
  arguments.removeAll("--accept-new-host-key");
  return BatchProcess(arguments, env_).Wait();
}

std::vector<std::vector<std::string>> JobRun::Sessions() const {
  return TranscriptEvents(transcripts_.path());
}

std::string JobRun::ReplayErrors() { return gateway_ ? gateway_->Stop() : std::string(); }

std::string JobRun::ServerKey() const { return KeyFingerprint(dir_ + "/keys/host_key"); }
std::string JobRun::OtherKey() const { return KeyFingerprint(dir_ + "/keys/other_key"); }

}  // namespace kestrel::testing
