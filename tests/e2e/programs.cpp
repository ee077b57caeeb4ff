#include "tests/e2e/programs.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>
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

std::string Trimmed(std::string text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
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

std::string MmlQuery(int port, const std::string& element, const std::string& command) {
  QTcpSocket socket;
  socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
  if (!socket.waitForConnected(5000)) throw std::runtime_error("cannot reach the gateway");
  QByteArray seen;
  // Waits for `text`; returns what came before it and keeps what came after.
  auto await = [&](const char* text) {
    while (!seen.contains(text)) {
      if (!socket.waitForReadyRead(5000)) throw std::runtime_error(std::string("no ") + text);
      seen += socket.readAll();
    }
    const qsizetype at = seen.indexOf(text);
    const QByteArray before = seen.left(at);
    seen = seen.mid(at + static_cast<qsizetype>(strlen(text)));
    return before;
  };
  await("User: ");
  socket.write("kestrel\r\n");
  await("Password: ");
  socket.write("kestrel\r\n");
  await("NE: ");
  socket.write(QByteArray::fromStdString("NE=" + element + "\r\n"));
  await("<");
  socket.write(QByteArray::fromStdString(command + "\r\n"));
  return await("END\r\n").toStdString();
}

QStringList Unpaced(QStringList arguments) {
  if (!arguments.isEmpty() && arguments.front() == "dailycheck") {
    if (!arguments.contains("--min-cycle"))
      arguments << "--min-cycle"
                << "0";
    if (!arguments.contains("--retry"))
      arguments << "--retry"
                << "0";
  }
  return arguments;
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

QStringList Job::With(const QString& address) const {
  return QStringList{QString::fromStdString(command), "--gateway", address} + arguments;
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

SshPair::SshPair(const QString& folder, bool gateway_makes_key)
    : host_key(folder + "/host_key"),
      known_hosts(folder + "/known_hosts"),
      gateway{"--ssh", "--host-key", host_key},
      runner{"--transport", "ssh", "--known-hosts", known_hosts, "--accept-new-host-key"} {
  if (gateway_makes_key) return;
  QProcess keygen;
  keygen.start("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", host_key});
  if (!keygen.waitForFinished(10000) || keygen.exitCode() != 0) {
    throw std::runtime_error("ssh-keygen made no key in " + folder.toStdString());
  }
}

std::string KeyFingerprint(const QString& key_file) {
  QProcess keygen;
  keygen.start("ssh-keygen", {"-l", "-f", key_file});
  keygen.waitForFinished(10000);
  const QList<QByteArray> words = keygen.readAllStandardOutput().split(' ');
  return words.size() > 1 ? words[1].toStdString() : std::string();
}

std::vector<std::string> TypedAfterLogin(const std::vector<std::vector<std::string>>& sessions) {
  const std::vector<std::string> typed = AllTyped(sessions);
  std::vector<std::string> after;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (i + 1 < typed.size() && typed[i + 1] == "(password)") {
      ++i;
      continue;
    }
    after.push_back(typed[i]);
  }
  return after;
}

SilentGateway::SilentGateway() { listener_ = ListenOnLoopback(8, port_); }

SilentGateway::~SilentGateway() { ::close(listener_); }

UnansweredGateway::UnansweredGateway() {
  listener_ = ListenOnLoopback(0, port_);
  // One connection fills the queue that is never accepted; the next is never answered.
  filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port_));
  ::connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

UnansweredGateway::~UnansweredGateway() {
  ::close(filler_);
  ::close(listener_);
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
      pair.gateway = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<std::uint16_t>(gateway_port_));
      if (::connect(pair.gateway, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(pair.gateway);
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

JobRun::JobRun(const Job& job, const JobSetup& setup, const QStringList& more) {
  QString address = setup.elsewhere;
  QStringList runner = job.arguments + more;
  if (setup.peer == JobSetup::Peer::kGateway) {
    QStringList options = job.network + QStringList{"--transcript-dir", transcripts_.path()};
    if (setup.ssh) {
      const SshPair pair(keys_.path());
      options += pair.gateway;
      runner += pair.runner;
    }
    gateway_ = std::make_unique<GatewayProcess>(options + setup.faults);
    address = gateway_->QAddress();
    if (!setup.mute_after.empty()) {
      proxy_ = std::make_unique<MutingProxy>(gateway_->Port(), setup.mute_after);
      address = proxy_->Address();
    }
  } else if (setup.peer == JobSetup::Peer::kSilent) {
    address = (silent_ = std::make_unique<SilentGateway>())->Address();
  } else if (setup.peer == JobSetup::Peer::kUnanswered) {
    address = (unanswered_ = std::make_unique<UnansweredGateway>())->Address();
  }
  if (!address.isEmpty()) runner = QStringList{"--gateway", address} + runner;
  batch_ = std::make_unique<BatchProcess>(QStringList{QString::fromStdString(job.command)} + runner,
                                          setup.env);
}

}  // namespace kestrel::testing
