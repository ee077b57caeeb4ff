// The headless runner end to end, for all six jobs: each row of runner-rows.txt is one job
// against a peer of its own on loopback (the simulator over telnet or SSH, OpenSSH's sshd, a
// replay of session logs, a port that is silent, never answers or is closed), with what must
// come of it: the exit status, the report's lines, the recap, the report files, against the
// simulator's own record of what it carried out what may still be blocked, and the report of
// each page's happy path as the data folder holds it. A row's twins (the same job over SSH,
// cut into other chunks, on one lane, replayed from its own session logs) must give what it
// gave; its formats, the records of the data folder. Every row also holds the rules no run
// may break: nothing the exchange holds out of traffic goes unnamed, nothing is named that it
// does not hold but for the order in flight, no typed line carries a second command or a
// control byte, and nothing from a printout acts on the engineer's terminal.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <thread>

#include "tests/csv_reader.h"
#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSubsetOf;
using ::testing::Not;
using Record = std::map<std::string, std::string>;

struct Row {
  std::string title;
  std::vector<std::pair<std::string, std::string>> lines;  // key, value; in order
  std::vector<std::string> All(const std::string& key) const {
    std::vector<std::string> values;
    for (const auto& [k, v] : lines) {
      if (k == key) values.push_back(v);
    }
    return values;
  }
  bool Has(const std::string& key) const { return !All(key).empty(); }
  std::string One(const std::string& key) const {
    const auto values = All(key);
    return values.empty() ? std::string() : values.back();
  }
};

// A file of the data folder.
QString DataFile(const std::string& name) {
  return QString(KESTREL_E2E_DATA "/") + QString::fromStdString(name);
}

// The rows of `table` in the data file: blocks that start "-- <title>", of lines "<key>
// <value>", after a line "== <table>". Each row starts with the lines of its job's row in the
// table "Jobs", "@element" there standing for the row's element (BSC9 unless it names one).
std::vector<Row> Rows(const std::string& table) {
  static const std::set<std::string> kKeys = {
      "job",   "element", "network",  "args",    "more",      "gateway",   "env",     "nopassword",
      "ssh",   "mute",    "peer",     "address", "file",      "file+r",    "noshare", "secret",
      "known", "pin",     "noaccept", "replay",  "twin",      "format",    "until",   "exit",
      "line",  "out",     "!out",     "err",     "note",      "recap",     "recap~",  "stdout",
      "quiet", "left",    "never",    "said",    "unreached", "reports",   "filed",   "attach",
      "nolog", "expect",  "inorder",  "done",    "otherwise", "files",     "absent",  "unrecorded",
      "kept",  "paced",   "fails",    "unnamed", "logs",      "replayerr", "copy",    "once",
      "same",  "aside"};
  std::map<std::string, std::vector<Row>> tables;
  std::vector<Row>* rows = nullptr;
  for (const std::string& line : Lines(ReadWhole(DataFile("runner-rows.txt")))) {
    if (line.empty() || line.starts_with("#")) continue;
    if (line.starts_with("== ")) {
      rows = &tables[line.substr(3)];
    } else if (line.starts_with("-- ") && rows) {
      rows->push_back({line.substr(3), {}});
    } else {
      const std::size_t blank = std::min(line.find(' '), line.size());
      const std::string key = line.substr(0, blank);
      EXPECT_TRUE(kKeys.contains(key) && rows && !rows->empty()) << line;
      if (rows && !rows->empty())
        rows->back().lines.push_back({key, line.substr(std::min(blank + 1, line.size()))});
    }
  }
  std::vector<Row> wanted = tables[table];
  EXPECT_FALSE(wanted.empty()) << table;
  for (Row& row : wanted) {
    const std::string element = row.Has("element") ? row.One("element") : "BSC9";
    for (const Row& job : tables["Jobs"]) {
      if (job.title != row.One("job")) continue;
      auto lines = job.lines;
      for (auto& [key, value] : lines) {
        for (std::size_t at; (at = value.find("@element")) != std::string::npos;)
          value.replace(at, 8, element);
      }
      lines.insert(lines.begin(), {"element", element});
      row.lines.insert(row.lines.begin(), lines.begin(), lines.end());
    }
  }
  return wanted;
}

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

// A loopback port free a moment ago.
int FreePort() {
  int port = 0;
  ::close(ListenOnLoopback(1, port));
  return port;
}

// `text` with "@dir" standing for the row's folder, "@data" for the data folder, "@port" for
// a free port of the row's own, "\\n" for a line feed and "\\x04" for the release byte.
std::string Expanded(std::string text, const QString& dir) {
  static std::map<QString, int> ports;
  if (!ports.contains(dir)) ports[dir] = FreePort();
  for (const auto& [mark, with] : {std::pair<std::string, std::string>{"@dir", dir.toStdString()},
                                   {"@data", KESTREL_E2E_DATA},
                                   {"@port", std::to_string(ports[dir])}}) {
    for (std::size_t at; (at = text.find(mark)) != std::string::npos;)
      text.replace(at, mark.size(), with);
  }
  for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
  for (std::size_t at; (at = text.find("\\x04")) != std::string::npos;) text.replace(at, 4, "\x04");
  return text;
}

// Words split at blanks; "..." holds blanks.
QStringList Words(const std::string& text) {
  QStringList words;
  for (std::size_t at = text.find_first_not_of(' '); at < text.size();
       at = text.find_first_not_of(' ', at)) {
    const bool quoted = text[at] == '"';
    const std::size_t end = text.find(quoted ? '"' : ' ', at + 1);
    words << QString::fromStdString(text.substr(at + quoted, end - at - quoted));
    at = end == std::string::npos ? end : end + 1;
  }
  return words;
}

std::set<std::string> Set(const std::string& text) {
  std::set<std::string> set;
  for (const QString& word : Words(text)) set.insert(word.toStdString());
  return set;
}

// Writes `text` into `path`, readable by its owner only unless `others_may_read`.
void WriteFile(const QString& path, const std::string& text, bool others_may_read = false) {
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

// Runs ssh-keygen with `arguments` and returns what it printed.
std::string KeyGen(const QStringList& arguments) {
  QProcess keygen;
  keygen.start("ssh-keygen", arguments);
  if (!keygen.waitForFinished(10000) || keygen.exitCode() != 0)
    throw std::runtime_error("ssh-keygen failed: " + arguments.join(' ').toStdString());
  return keygen.readAllStandardOutput().trimmed().toStdString();
}

// The OpenSSH fingerprint ("SHA256:...") of a key file, as ssh-keygen shows it.
std::string KeyFingerprint(const QString& key_file) {
  const std::string shown = KeyGen({"-l", "-f", key_file});  // "256 SHA256:... comment (TYPE)"
  const std::size_t start = shown.find(' ') + 1;
  return shown.substr(start, shown.find(' ', start) - start);
}

// What each session of a transcript folder recorded: the lines typed, the orders executed.
// Session files are numbered in the order of connection.
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

// The lines a session typed ("typed X" events), in order.
std::vector<std::string> TypedLines(const std::vector<std::string>& events) {
  std::vector<std::string> typed;
  for (const auto& event : events) {
    if (event.starts_with("typed ")) typed.push_back(event.substr(6));
  }
  return typed;
}

// Every line typed in any of `sessions`.
std::vector<std::string> AllTyped(const std::vector<std::vector<std::string>>& sessions) {
  std::vector<std::string> typed;
  for (const auto& events : sessions) {
    const auto lines = TypedLines(events);
    typed.insert(typed.end(), lines.begin(), lines.end());
  }
  return typed;
}

// What the exchange holds out of traffic after `sessions`, as their "executed" lines tell:
// objects blocked (RXBLI) or out of service (RXESE) and not put back (RXBLE, RXESI), and
// transmission paths blocked (TPBLI) and not deblocked (TPBLE), named as the pages name them
// ("RXOTS-12-0-1", "SDIP=RSDIP12,LP=VC12-1").
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
        object = QString::fromStdString(event.substr(15)).trimmed().toStdString();
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

// The objects a text names after `marker` ("May still be blocked: " or "may still be
// blocked: "), up to the next ";" or ". " or the end of the line.
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

// Stands between the runner and a gateway on loopback: passes everything both ways until the
// runner types a line that starts with `trigger`; from then on that connection stays open but
// nothing more the gateway says reaches the runner (the gateway still hears the runner).
class MutingProxy {
 public:
  MutingProxy(int gateway_port, std::string trigger)
      : gateway_port_(gateway_port), trigger_(std::move(trigger)) {}
  ~MutingProxy() {
    // Shutting a socket ends the accept or read that waits on it.
    ::shutdown(listener_, SHUT_RDWR);
    accepter_.join();
    for (const int fd : fds_) ::shutdown(fd, SHUT_RDWR);
    for (std::thread& pass : passes_) pass.join();
    for (const int fd : fds_) ::close(fd);
    ::close(listener_);
  }
  QString Address() const { return "127.0.0.1:" + QString::number(port_); }

 private:
  void Accept() {
    for (int runner; (runner = ::accept(listener_, nullptr, nullptr)) >= 0;) {
      const int gateway = ConnectOnLoopback(gateway_port_);
      fds_.insert(fds_.end(), {runner, gateway});
      const auto muted = std::make_shared<std::atomic<bool>>(false);
      passes_.emplace_back([=, this] { Pass(runner, gateway, *muted, true); });
      passes_.emplace_back([=, this] { Pass(gateway, runner, *muted, false); });
    }
  }
  // Copies `from` to `to` until either ends, then ends both. The runner's lines are looked at
  // before the gateway hears them, so that nothing it answers to the trigger gets through.
  void Pass(int from, int to, std::atomic<bool>& muted, bool from_runner) {
    std::string line;  // what the runner has typed of its current line
    char buffer[65536];
    for (ssize_t got; (got = ::read(from, buffer, sizeof buffer)) > 0;) {
      for (ssize_t k = 0; from_runner && k < got; ++k) {
        if (buffer[k] != '\n' && buffer[k] != '\r') {
          line += buffer[k];
        } else {
          muted = muted || line.starts_with(trigger_);
          line.clear();
        }
      }
      if (!from_runner && muted) continue;
      for (ssize_t at = 0, sent = 0; at < got && sent >= 0; at += sent)
        sent = ::send(to, buffer + at, static_cast<std::size_t>(got - at), MSG_NOSIGNAL);
    }
    ::shutdown(from, SHUT_RDWR);
    ::shutdown(to, SHUT_RDWR);
  }

  int gateway_port_;
  std::string trigger_;
  int port_ = 0;
  int listener_ = ListenOnLoopback(8, port_);
  std::vector<int> fds_;
  std::vector<std::thread> passes_;
  std::thread accepter_{[this] { Accept(); }};
};

// The peer of a row's job on loopback:
//   gateway     kestrel-gateway, its transcripts kept (over SSH with "ssh", behind a
//               MutingProxy with "mute"); unless the row names another;
//   direct      kestrel-gateway --direct as the element itself, named in the site's
//               [elements] table; --gateway names a port where nothing listens;
//   openssh     OpenSSH's sshd with a key login, whose forced command is kestrel-gateway
//               --stdio;
//   replay      ("logs", or a twin's "replay") kestrel-gateway --replay of the session logs;
//   silent      a port that takes the connection and never says a word;
//   unanswered  a port whose connects are never answered (its queue full, never accepted);
//   closed      a port where nothing listens;
//   none        ("address") no gateway: --gateway is that address, or not given with "-".
std::string Peer(const Row& row) {
  if (row.Has("replay") || row.Has("logs")) return "replay";
  if (row.Has("address")) return "none";
  return row.Has("peer") ? row.One("peer") : "gateway";
}

// The bytes of the in-band login that an SSH login spares the gateway: "\r\n", "User: ",
// the user's echo, "Password: " and "\r\nLOGGED IN AS kestrel\r\n".
constexpr int kInBandLogin = 2 + 6 + 9 + 10 + 24;

// A row's job, set up under `dir` against its peer and started: its arguments, its files; the
// runner's session logs go to <dir>/logs, its host keys to <dir>/keys. `logs` are what a
// replay serves unless the row names them.
class JobRun {
 public:
  JobRun(const Row& row, const QString& dir, const QStringList& logs);
  ~JobRun() {
    batch_.reset();
    if (sshd_) {
      sshd_->terminate();
      sshd_->waitForFinished(5000);
    }
    if (filler_ >= 0) ::close(filler_);
    if (listener_ >= 0) ::close(listener_);
  }
  // Only a hang outlasts it.
  RunResult Wait() { return batch_->Wait(600000); }
  bool Running(int ms) { return batch_->Running(ms); }
  void Terminate() { batch_->Terminate(); }
  // The same job once more against the same peer, new host keys no longer taken.
  RunResult Again() {
    QStringList arguments = arguments_;
    arguments.removeAll("--accept-new-host-key");
    return RunBatch(arguments, env_);
  }
  std::vector<std::vector<std::string>> Sessions() const {
    return TranscriptEvents(transcripts_.path());
  }
  // What the replay gateway said went wrong (stopping it).
  std::string ReplayErrors() { return gateway_ ? gateway_->Stop() : std::string(); }
  QString Address() const { return address_; }
  // The key file, over SSH, of the server ("server") or another ("other").
  QString Key(const std::string& which) const {
    return dir_ + (which == "server" ? "/keys/host_key" : "/keys/other_key");
  }

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

JobRun::JobRun(const Row& row, const QString& dir, const QStringList& logs)
    : dir_(dir), env_(row.Has("nopassword") ? QProcessEnvironment() : DemoPassword()) {
  const auto one = [&](const std::string& key) { return Expanded(row.One(key), dir); };
  const std::string peer = Peer(row);
  if (!row.Has("noshare")) QDir(dir).mkdir("Kestreldailycheck");
  QStringList network;
  if (row.Has("network")) network = {"--scenario", DataFile(one("network"))};
  QStringList runner = Words(one("args")) + QStringList{"--log-dir", dir + "/logs"};
  QStringList faults;
  for (const auto& [key, raw] : row.lines) {
    const std::string value = Expanded(raw, dir);
    if (key == "more") runner += Words(value);
    if (key == "gateway") faults += Words(value);
    if (key == "env") {
      const std::size_t equals = value.find('=');
      env_.insert(QString::fromStdString(value.substr(0, equals)),
                  QString::fromStdString(value.substr(equals + 1)));
    }
    if (key == "copy") {
      const QString name = QString::fromStdString(value.substr(0, value.find(' ')));
      QFile::copy(DataFile("../data/e2e/" + value.substr(name.size() + 1)), dir + "/" + name);
      QFile(dir + "/" + name).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    if (key == "file" || key == "file+r") {
      const std::size_t blank = value.find(' ');
      WriteFile(dir + "/" + QString::fromStdString(value.substr(0, blank)), value.substr(blank + 1),
                key == "file+r");
    }
  }
  if (row.Has("secret")) {
    // The job's network, with the secret for its password.
    std::string json =
        ReadWhole(network.isEmpty() ? DataFile("../../data/demo-network.json") : network[1]);
    const std::string demo = "\"password\": \"kestrel\"";
    json.replace(json.find(demo), demo.size(), "\"password\": \"" + one("secret") + "\"");
    WriteFile(dir + "/network.json", json);
    network = {"--scenario", dir + "/network.json"};
    env_.insert("KESTREL_PASSWORD", QString::fromStdString(one("secret")));
  }
  const QString keys = dir + "/keys";
  const bool gateway_ssh = row.Has("ssh");
  if (gateway_ssh || peer == "openssh") {
    QDir().mkpath(keys);
    for (const char* key : {"/host_key", "/other_key"})
      KeyGen({"-q", "-t", "ed25519", "-N", "", "-f", keys + key});
    runner += {"--transport", "ssh", "--known-hosts", keys + "/known_hosts"};
    if (!row.Has("noaccept")) runner += "--accept-new-host-key";
  }
  // Over SSH the gateway sends no in-band login: a drop after so many bytes of the dialogue
  // falls where it falls over telnet.
  const qsizetype bytes = faults.indexOf("--drop-after-bytes") + 1;
  if (gateway_ssh && bytes > 0 && faults[bytes].toInt() >= 100)
    faults[bytes] = QString::number(faults[bytes].toInt() - kInBandLogin);
  const QStringList gateway =
      network + QStringList{"--transcript-dir", transcripts_.path()} + faults +
      (gateway_ssh ? QStringList{"--ssh", "--host-key", keys + "/host_key"} : QStringList{});
  int port = 0;
  if (peer == "gateway") {
    gateway_ = std::make_unique<GatewayProcess>(gateway);
    port = gateway_->Port();
    if (row.Has("mute")) {
      proxy_ = std::make_unique<MutingProxy>(port, one("mute"));
      address_ = proxy_->Address();
    }
  } else if (peer == "direct") {
    gateway_ = std::make_unique<GatewayProcess>(
        gateway + QStringList{"--direct", QString::fromStdString(one("element"))});
    WriteFile(dir + "/direct.ini", "[elements]\n" + one("element") + "=" +
                                       (gateway_ssh ? "ssh://" : "telnet://") +
                                       gateway_->Address().toStdString() + "\n");
    runner += {"--settings", dir + "/direct.ini"};
    port = FreePort();  // for --gateway
  } else if (peer == "openssh") {
    KeyGen({"-q", "-t", "ed25519", "-N", "", "-f", keys + "/user_key"});
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
  } else if (peer == "replay") {
    QStringList replay = {"--quiet"};
    for (const QString& log : row.Has("logs") ? Words(one("logs")) : logs)
      replay << "--replay" << log;
    gateway_ = std::make_unique<GatewayProcess>(replay + Words(one("replay")), true);
    port = gateway_->Port();
  } else if (peer == "silent") {
    listener_ = ListenOnLoopback(8, port);
  } else if (peer == "unanswered") {
    // One connection fills the queue that is never accepted; the next is never answered.
    listener_ = ListenOnLoopback(0, port);
    filler_ = ConnectOnLoopback(port);
  } else if (peer == "closed") {
    port = FreePort();
  } else if (peer != "none") {
    throw std::runtime_error("no such peer: " + peer);
  } else if (one("address") != "-") {
    address_ = QString::fromStdString(one("address"));
  }
  if (address_.isEmpty() && port != 0) address_ = "127.0.0.1:" + QString::number(port);
  if (row.Has("known")) {
    WriteFile(keys + "/known_hosts", "[127.0.0.1]:" + std::to_string(port) + " " +
                                         KeyGen({"-y", "-f", Key(one("known"))}) + "\n");
  }
  if (row.Has("pin")) {
    WriteFile(keys + "/pin.ini", "[ssh]\nhost_key=" + KeyFingerprint(Key(one("pin"))) + "\n");
    runner += {"--settings", keys + "/pin.ini"};
  }
  if (!address_.isEmpty() && !row.Has("unnamed"))
    runner = QStringList{"--gateway", address_} + runner;
  arguments_ = QStringList{QString::fromStdString(one("job"))} + runner;
  batch_ = std::make_unique<BatchProcess>(arguments_, env_);
}

// The "recap: " lines of a runner's standard error, without the prefix.
std::vector<std::string> RecapLines(const std::string& err) {
  std::vector<std::string> recap;
  for (const std::string& line : Lines(err)) {
    if (line.starts_with("recap: ")) recap.push_back(line.substr(7));
  }
  return recap;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The objects of the orders a text says were in flight ("while RXBLE:MO=RXOCF-12  ; was in
// flight"), named as LeftOutOfTraffic names them.
std::set<std::string> InFlight(const std::string& text) {
  std::set<std::string> objects;
  for (std::size_t at = text.find("while "); at != std::string::npos;
       at = text.find("while ", at + 1)) {
    const std::string order = text.substr(at + 6, text.find(" was in flight", at) - at - 6);
    if (order.size() < 6 || order[5] != ':') continue;
    const bool path = order.starts_with("TP");
    const std::string object =
        order.substr(path ? 6 : 9, path ? std::string::npos : order.find_first_of(",;") - 9);
    objects.merge(LeftOutOfTraffic({{(path ? "executed TPBLI:" : "executed RXBLI ") + object}}));
  }
  return objects;
}

// A report as two runs of one job can compare it: the row's folder, the times of day, the
// port, the simulator's stamps and the in-band login (which an SSH login does instead) masked.
std::string Comparable(const std::string& text, const QString& dir) {
  return QString::fromStdString(Masked(text, dir))
      .replace(QRegularExpression("\\b\\d{6} +\\d{4,6}\\b"), "<stamp>")
      .replace("\nUser: kestrel\nPassword: \nLOGGED IN AS kestrel\n", "")
      .toStdString();
}

// What the sessions typed and the exchange carried out, session by session, past the in-band
// login (which an SSH login does instead); sessions of one job may begin at once (both sides
// of Qonsuluq, the lanes of a parallel run): in their order per element.
std::string Events(const std::vector<std::vector<std::string>>& transcripts, bool in_band) {
  std::vector<std::string> sessions;
  for (std::vector<std::string> events : transcripts) {
    const std::vector<std::string> login = {"typed kestrel", "typed (password)"};
    const bool logged_in =
        events.size() >= 2 && std::equal(login.begin(), login.end(), events.begin());
    EXPECT_TRUE(logged_in || !in_band || events.empty()) << events.front();
    if (logged_in) events.erase(events.begin(), events.begin() + 2);
    std::string& text = sessions.emplace_back("session\n");
    for (const std::string& event : events) text += event + "\n";
  }
  std::stable_sort(sessions.begin(), sessions.end(), [](const auto& a, const auto& b) {
    return a.substr(0, a.find('\n', 8)) < b.substr(0, b.find('\n', 8));
  });
  std::string text;
  for (const std::string& session : sessions) text += session;
  return text;
}

// The Daily check's report files under `dir`, by name, times, numbers and the in-band login
// masked.
std::multimap<std::string, std::string> ReportFiles(const QString& dir) {
  const QDir folder(dir + "/Kestreldailycheck");
  std::multimap<std::string, std::string> files;
  const QRegularExpression numbers("\\d{4,}");
  const QRegularExpression login("\r\nUser: [^\r]*\r\nPassword: \r\nLOGGED IN AS [^\r]*\r\n");
  for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
    files.emplace(QString(name).replace(QRegularExpression("_\\d{8}_\\d{6}"), "_#").toStdString(),
                  QString::fromStdString(Masked(ReadWhole(folder.filePath(name))))
                      .replace(login, "")
                      .replace(numbers, "#")
                      .toStdString());
  }
  return files;
}

// `text` is the data folder's file `name`; with KESTREL_WRITE_EXPECTED set, a missing one is
// written, for review.
void ExpectFile(const std::string& text, const std::string& name) {
  const QString path = DataFile("../data/e2e/" + name);
  if (qEnvironmentVariableIsSet("KESTREL_WRITE_EXPECTED") && !QFile::exists(path))
    WriteFile(path, text, true);
  EXPECT_EQ(text, ReadWhole(path)) << name;
}

// The records of a CSV text by the names of its header, or of JSON lines (every line one
// object of texts), as another tool reads them; the empty fields left out.
std::vector<Record> Records(const std::string& text, bool csv) {
  std::vector<Record> records;
  if (csv) {
    const auto rows = ReadCsvRows(text);
    for (std::size_t r = 1; r < rows.size(); ++r) {
      EXPECT_EQ(rows[r].size(), rows[0].size()) << "row " << r;
      Record& record = records.emplace_back();
      for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c)
        if (!rows[r][c].empty()) record[rows[0][c]] = rows[r][c];
    }
    return records;
  }
  for (const std::string& line : Lines(text)) {
    QJsonParseError error;
    const QJsonObject object =
        QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    Record& record = records.emplace_back();
    for (auto it = object.begin(); it != object.end(); ++it) {
      EXPECT_TRUE(it.value().isString()) << line;
      if (!it.value().toString().isEmpty())
        record[it.key().toStdString()] = it.value().toString().toStdString();
    }
  }
  return records;
}

// A line of the report (standard output, or standard error but the recap) that holds `text`
// and one of `elements` ("BSC9/BSC10"); the element, or empty.
std::string SaidBy(const RunResult& result, const std::string& row_text) {
  const std::size_t blank = row_text.find(' ');
  const std::string text = row_text.substr(blank + 1);
  for (const QString& element : QString::fromStdString(row_text.substr(0, blank)).split('/')) {
    for (const std::string& line : Lines(result.out + "\n" + result.err)) {
      if (!line.starts_with("recap: ") && line.find(text) != std::string::npos &&
          line.find(element.toStdString()) != std::string::npos) {
        return element.toStdString();
      }
    }
  }
  return {};
}

// The secret stands nowhere: not in the output, the session logs under `dir` nor the Daily
// check's report file; the line of the logs that sent it reads "********".
void ExpectSecretKept(const std::string& secret, const QString& dir, const RunResult& result) {
  EXPECT_THAT(result.out + result.err, Not(HasSubstr(secret)));
  int logs = 0;
  for (QDirIterator files(dir, QDir::Files, QDirIterator::Subdirectories); files.hasNext();) {
    const QString path = files.next();
    if (path.endsWith("network.json")) continue;
    EXPECT_THAT(ReadWhole(path), Not(HasSubstr(secret))) << path.toStdString();
    if (!path.startsWith(dir + "/logs/")) continue;
    ++logs;
    const auto lines = ReadLog(path);
    const auto sent = std::find_if(lines.begin(), lines.end(), [](const auto& line) {
      return line.kind == "sent" && line.text != "kestrel";  // the user name goes first
    });
    EXPECT_TRUE(sent != lines.end() && sent->text == "********") << path.toStdString();
  }
  EXPECT_GE(logs, 1);
}

// The elements of a job's arguments (--ne), in their order.
std::vector<std::string> Elements(const Row& row, const QString& dir) {
  const QStringList words = Words(Expanded(row.One("args") + " " + row.One("more"), dir));
  std::vector<std::string> elements;
  for (qsizetype i = 1; i < words.size(); ++i)
    if (words[i - 1] == "--ne") elements.push_back(words[i].toStdString());
  return elements;
}

// The session logs under `dir` whose paths match `pattern`.
long SessionsBegun(const QString& dir, const QString& pattern) {
  const QStringList logs = SessionLogs(dir + "/logs");
  const QRegularExpression match(pattern);
  return std::count_if(logs.begin(), logs.end(),
                       [&](const QString& log) { return match.match(log).hasMatch(); });
}

void Check(const Row& row, const QString& dir, const RunResult& result, JobRun& run) {
  const auto sessions = run.Sessions();
  const std::string out = Masked(result.out);
  const auto recap = RecapLines(result.err);
  std::vector<std::string> notes;  // of the Proses log
  for (const std::string& line : Lines(out))
    if (line.starts_with("*** ")) notes.push_back(line.substr(4));
  const auto typed = AllTyped(sessions);
  const auto files = ReportFiles(dir);
  std::vector<std::string> want_recap, want_stdout, want_reports;
  using V = const std::string&;
  const std::map<std::string, std::function<void(V)>> checks = {
      {"exit", [&](V v) { EXPECT_EQ(result.exit_code, std::stoi(v)) << result.err; }},
      {"fails", [&](V) { EXPECT_NE(result.exit_code, 0); }},
      {"line", [&](V v) { EXPECT_THAT(Lines(out), Contains(v)) << out; }},
      {"out", [&](V v) { EXPECT_THAT(out, HasSubstr(v)); }},
      {"!out", [&](V v) { EXPECT_THAT(out + result.err, Not(HasSubstr(v))); }},
      {"err", [&](V v) { EXPECT_THAT(result.err, HasSubstr(v)); }},
      {"note", [&](V v) { EXPECT_THAT(notes, Contains(v)) << out; }},
      {"recap", [&](V v) { want_recap.push_back(v); }},
      {"stdout", [&](V v) { want_stdout.push_back(v); }},
      {"reports", [&](V v) { want_reports.push_back(v); }},
      {"quiet", [&](V) { EXPECT_EQ(result.out, ""); }},
      {"recap~", [&](V v) { EXPECT_THAT(recap.empty() ? "" : recap[0], HasSubstr(v)); }},
      {"left", [&](V v) { EXPECT_EQ(LeftOutOfTraffic(sessions), Set(v)); }},
      {"never", [&](V v) { EXPECT_THAT(typed, Not(Contains(HasSubstr(v)))); }},
      {"unrecorded", [&](V) { EXPECT_THAT(sessions, ::testing::IsEmpty()); }},
      {"said", [&](V v) { EXPECT_NE(SaidBy(result, v), "") << result.out << result.err; }},
      {"unreached",
       [&](V v) {
         // Not reached, in the gateway's words; the recap says the same of that element.
         const std::string element = SaidBy(result, v);
         EXPECT_NE(element, "") << result.out << result.err;
         EXPECT_THAT(recap, Contains(::testing::AllOf(
                                ::testing::StartsWith(element + ": not reached; ended early: "),
                                HasSubstr(v.substr(v.find(' ') + 1)))));
       }},
      {"filed",
       [&](V v) {
         EXPECT_TRUE(std::any_of(files.begin(), files.end(), [&](const auto& file) {
           return file.second.find(v) != std::string::npos;
         })) << v;
       }},
      {"files",
       [&](V v) {
         // So many report files in all, or of one element.
         const QStringList words = Words(v);
         const auto counted = std::count_if(files.begin(), files.end(), [&](const auto& file) {
           return words.size() < 2 || file.first.starts_with(words[1].toStdString() + "_");
         });
         EXPECT_EQ(counted, words[0].toInt()) << v;
       }},
      {"absent",
       [&](V v) {
         for (const auto& [name, text] : files) EXPECT_THAT(text, Not(HasSubstr(v))) << name;
       }},
      {"attach",
       [&](V) {
         // The prompts answered in their order, the first command only at the element's prompt.
         for (const auto& session : sessions) {
           const auto lines = TypedLines(session);
           ASSERT_GE(lines.size(), 4u);
           EXPECT_EQ(lines[0], "kestrel");
           EXPECT_EQ(lines[1], "(password)");
           EXPECT_THAT(lines[2], ::testing::StartsWith("NE="));
           EXPECT_THAT(lines[3], ::testing::EndsWith(";"));
         }
       }},
      {"nolog", [&](V) { EXPECT_FALSE(QDir(dir + "/logs").exists()) << "a session was opened"; }},
      {"secret", [&](V v) { ExpectSecretKept(v, dir, result); }},
      {"expect",
       [&](V v) {
         // The report and the dialogue of the data folder.
         ExpectFile(Comparable(result.out, dir), v + ".out");
         ExpectFile(Events(sessions, !row.Has("ssh")), v + ".events");
       }},
      {"inorder",
       [&](V) {
         // Every element had its turn, in list order, and its recap line.
         const auto elements = Elements(row, dir);
         ASSERT_EQ(recap.size(), elements.size()) << result.err;
         for (std::size_t i = 0; i < recap.size(); ++i)
           EXPECT_TRUE(recap[i].starts_with(elements[i] + ": ")) << recap[i];
         std::vector<std::string> checked;
         for (const std::string& line : Lines(result.out))
           if (line.starts_with("Check: ")) checked.push_back(line.substr(7));
         EXPECT_TRUE(checked.empty() || checked == elements) << result.out;
       }},
      {"done",
       [&](V v) {
         EXPECT_GE(std::count_if(recap.begin(), recap.end(),
                                 [](V line) { return line.ends_with(": reached, done"); }),
                   std::stoi(v));
       }},
      {"otherwise",
       [&](V v) {
         for (const std::string& line : recap)
           EXPECT_TRUE(line.ends_with(": reached, done") || line.find(v) != std::string::npos)
               << line;
       }},
      {"once",
       [&](V v) {
         std::size_t times = 0;
         for (std::size_t at = result.err.find(v); at != std::string::npos;
              at = result.err.find(v, at + 1))
           ++times;
         EXPECT_EQ(times, 1u) << result.err;
       }},
      {"same",
       [&](V v) {
         const std::string name = v.substr(0, v.find(' '));
         EXPECT_TRUE(ReadWhole(dir + "/" + name.c_str()) ==
                     ReadWhole(DataFile("../data/e2e/" + v.substr(name.size() + 1))))
             << name << " was changed";
       }},
      {"aside",
       [&](V v) {
         // The file set aside as it was.
         const QStringList aside = QDir(dir).entryList({QString::fromStdString(v) + ".damaged-*"});
         ASSERT_EQ(aside.size(), 1);
         for (const std::string& file : row.All("file")) {
           EXPECT_TRUE(!file.starts_with(v + " ") ||
                       ReadWhole(dir + "/" + aside[0]) == Expanded(file.substr(v.size() + 1), dir));
         }
       }},
      {"replayerr", [&](V v) { EXPECT_THAT(run.ReplayErrors(), HasSubstr(v)); }},
      {"kept", [&](V) { EXPECT_EQ(run.Again().exit_code, 0) << "the key taken is kept"; }},
      {"paced",
       [&](V v) {
         // Whatever time the run took, it began no more sessions than its pace allows in it:
         // at most so many in every 2 s.
         const QStringList words = Words(v);
         const long begun = SessionsBegun(dir, words[0]);
         EXPECT_GE(begun, 1);
         EXPECT_LE(begun, words[1].toInt() * (result.elapsed_ms / 2000 + 1)) << result.elapsed_ms;
       }},
  };
  for (const auto& [key, raw] : row.lines) {
    std::string value = Expanded(raw, dir);
    for (const auto& [mark, with] : std::map<std::string, std::function<std::string()>>{
             {"@gateway", [&] { return run.Address().toStdString(); }},
             {"@key", [&] { return KeyFingerprint(run.Key("server")); }},
             {"@other", [&] { return KeyFingerprint(run.Key("other")); }}}) {
      if (const auto at = value.find(mark); at != std::string::npos)
        value.replace(at, mark.size(), with());
    }
    if (const auto check = checks.find(key); check != checks.end()) check->second(value);
  }
  if (!want_recap.empty()) {
    EXPECT_EQ(recap, want_recap) << result.err;
  }
  if (!want_stdout.empty()) {
    EXPECT_EQ(Lines(out), want_stdout);
  }
  if (!want_reports.empty() || row.Has("expect")) {
    std::vector<std::string> names;
    for (const auto& [name, text] : files) names.push_back(name);
    EXPECT_EQ(names, want_reports);
  }
  for (const auto& [name, text] : files) EXPECT_THAT(text, HasSubstr("\r\n")) << name;

  // The simulator records a session when, and only when, the runner went on to reach it: a
  // run refused at its start (status 2) sends nothing.
  const std::string peer = Peer(row);
  const bool recorded = peer == "gateway" || peer == "direct" || peer == "openssh";
  if (recorded && !row.Has("unrecorded")) {
    EXPECT_EQ(sessions.empty(), result.exit_code == 2) << "sessions recorded: " << sessions.size();
  }
  // What the exchange holds out of traffic is named, and what is named the exchange holds, or
  // was ordered to while the session ended; the notes name the same.
  const std::set<std::string> named = NamedAfter(Joined(recap), "may still be blocked: ");
  const std::set<std::string> left = LeftOutOfTraffic(sessions);
  EXPECT_THAT(left, IsSubsetOf(named)) << result.err;
  std::set<std::string> may_be = InFlight(Joined(recap));
  may_be.insert(left.begin(), left.end());
  EXPECT_THAT(named, IsSubsetOf(may_be)) << result.err;
  std::set<std::string> noted = NamedAfter(Joined(notes), "May still be blocked: ");
  noted.merge(NamedAfter(Joined(notes), "May still be blocked on BSC9: "));
  if (!noted.empty()) {
    EXPECT_EQ(noted, named) << out;
  }
  // One command a line, and nothing of a printout on the wire or the engineer's terminal.
  for (const std::string& line : typed) {
    const std::size_t separator = line.find(';');
    EXPECT_TRUE((separator == std::string::npos || separator + 1 == line.size()) &&
                (line == "\\x04" || line.find("\\x") == std::string::npos))
        << line;
  }
  // No byte that could act on a terminal: below a blank but the line feed and the tab the
  // reports use, and DEL.
  const std::string said = result.out + result.err;
  EXPECT_EQ(std::find_if(
                said.begin(), said.end(),
                [](unsigned char c) { return (c < 0x20 && c != '\n' && c != '\t') || c == 0x7f; }),
            said.end())
      << said;
  EXPECT_TRUE(result.out.empty() || result.out.ends_with("\n"));
}

// The row once more with the set-up lines of `change` ("KEY VALUE; KEY VALUE").
Row Changed(Row row, const std::string& change) {
  for (const QString& line : QString::fromStdString(change).split("; ")) {
    const qsizetype blank = line.indexOf(' ');
    row.lines.push_back({line.left(blank).toStdString(),
                         blank < 0 ? std::string() : line.mid(blank + 1).toStdString()});
  }
  return row;
}

// The row's twins give what it gave: the exit status, the recap, the report, the report files,
// and the dialogue (the lines a replay sends, the report files and messages it gives); its
// formats, the records of the data folder, the same in each.
void CheckTwins(const Row& row, const QString& dir, const RunResult& result, JobRun& run) {
  // A session cut within the in-band login shows it as far as it went, over telnet only.
  const std::string report = Comparable(result.out, dir);
  const bool login_shown = report.find("User: ") != std::string::npos ||
                           report.find("LOGGED IN AS") != std::string::npos;
  for (const std::string& change : row.All("twin")) {
    SCOPED_TRACE("twin: " + change);
    const Row twin = Changed(row, change);
    const QTemporaryDir twin_dir;
    const auto twin_run =
        std::make_unique<JobRun>(twin, twin_dir.path(), SessionLogs(dir + "/logs"));
    const RunResult again = twin_run->Wait();
    EXPECT_EQ(again.exit_code, result.exit_code) << again.err;
    EXPECT_EQ(Comparable(Joined(RecapLines(again.err)), twin_dir.path()),
              Comparable(Joined(RecapLines(result.err)), dir));
    if (!login_shown) {
      EXPECT_EQ(Comparable(again.out, twin_dir.path()), report);
    }
    EXPECT_EQ(ReportFiles(twin_dir.path()), ReportFiles(dir));
    if (twin.Has("replay")) {
      EXPECT_EQ(twin_run->ReplayErrors(), "");
      EXPECT_EQ(Comparable(again.err, twin_dir.path()), Comparable(result.err, dir));
      EXPECT_EQ(SentLines(SessionLogs(twin_dir.path() + "/logs")),
                SentLines(SessionLogs(dir + "/logs")));
      if (row.Has("secret")) ExpectSecretKept(row.One("secret"), twin_dir.path(), again);
    } else if (twin.One("peer") == row.One("peer") &&
               (result.exit_code == 0 || twin.Has("ssh") == row.Has("ssh"))) {
      // (Over another transport a cut falls elsewhere in the dialogue.)
      EXPECT_EQ(Events(twin_run->Sessions(), false), Events(run.Sessions(), false));
    }
  }
  std::vector<std::vector<Record>> records;
  for (const std::string& format : row.All("format")) {
    const QTemporaryDir format_dir;
    const std::string name = format.substr(0, format.find(' '));
    const RunResult run_format =
        JobRun(Changed(row, "more --format " + name), format_dir.path(), {}).Wait();
    EXPECT_EQ(run_format.exit_code, 0) << run_format.err;
    EXPECT_THAT(run_format.err, HasSubstr("recap: ")) << "the recap stays on standard error";
    ExpectFile(Comparable(run_format.out, format_dir.path()), format.substr(name.size() + 1));
    records.push_back(Records(Masked(run_format.out), name == "csv"));
  }
  if (records.size() > 1) {
    EXPECT_EQ(records[0], records[1]) << "the formats read back to other values";
  }
}

// Waits until every "until" of the row holds ("typed ELEMENT LINE": a session selected the
// element and then typed a line starting LINE; "logs PATTERN N": N session logs whose paths
// match), then ends the run by SIGTERM; false if the run ended first. Only a hang waits on.
bool SignalledOnceReached(const Row& row, const QString& dir, JobRun& run) {
  const auto reached = [&](const std::string& until) {
    const QStringList words = Words(until);
    if (words[0] == "logs") return SessionsBegun(dir, words[1]) >= words[2].toInt();
    for (const auto& events : run.Sessions()) {
      const auto lines = TypedLines(events);
      const auto at = std::find(lines.begin(), lines.end(), "NE=" + words[1].toStdString());
      if (std::any_of(at, lines.end(), [&](const std::string& line) {
            return line.starts_with(words[2].toStdString());
          }))
        return true;
    }
    return false;
  };
  const auto untils = row.All("until");
  QElapsedTimer waited;
  for (waited.start(); waited.elapsed() < 120000;) {
    if (std::all_of(untils.begin(), untils.end(), reached)) {
      run.Terminate();
      return true;
    }
    if (!run.Running(50)) return false;
  }
  return false;
}

// The rows of `table`, each with a peer of its own: side by side, or one after the other
// (those that run many sessions each, or twins one after the other).
void RunTable(const std::string& table, bool side_by_side = true) {
  std::vector<std::unique_ptr<QTemporaryDir>> dirs;
  std::vector<Row> rows = Rows(table);
  std::vector<std::unique_ptr<JobRun>> runs(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    dirs.push_back(std::make_unique<QTemporaryDir>());
    if (side_by_side) runs[i] = std::make_unique<JobRun>(rows[i], dirs[i]->path(), QStringList());
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].title);
    const QString dir = dirs[i]->path();
    if (!runs[i]) runs[i] = std::make_unique<JobRun>(rows[i], dir, QStringList());
    if (rows[i].Has("until")) {
      EXPECT_TRUE(SignalledOnceReached(rows[i], dir, *runs[i])) << "ended before it was signalled";
    }
    const RunResult result = runs[i]->Wait();
    Check(rows[i], dir, result, *runs[i]);
    CheckTwins(rows[i], dir, result, *runs[i]);
  }
}

TEST(PagesEndToEnd, EachPagesJobGivesItsReportOverEveryWayAndInEveryFormat) {
  RunTable("Pages", false);
}
TEST(UsageMistakes, ExitWithTwoAndOpenNoSession) { RunTable("UsageMistakes"); }
TEST(RunnerTruth, EveryElementHasItsRecapLineWhateverBecameOfIt) { RunTable("RunnerTruth"); }
TEST(ConnectionEnds, EachIsReportedAndEndsOverSshAsOverTelnet) { RunTable("ConnectionEnds"); }
TEST(Refusals, EveryRefusalIsNotedWithElementCommandAndWords) { RunTable("Refusals"); }
TEST(Login, RefusedLoginsAndUnknownElementsInTheGatewaysWords) { RunTable("Login"); }
TEST(Ssh, HostKeysAreTakenOnlyAsTheSiteSaysAndElementsReachedDirectly) { RunTable("Ssh"); }
TEST(DailyCheckFailures, EveryEarlyEndIsReportedWithItsElement) { RunTable("DailyCheckFailures"); }
TEST(ProsesFailures, EveryEarlyEndNamesWhatTheExchangeHoldsAndReplaysSo) {
  RunTable("ProsesFailures");
}
TEST(HostileGateway, HostilePrintoutsNeverReachTheWire) { RunTable("HostileGateway"); }
TEST(HostileGateway, FloodsAndEndlessPrintoutsEndTheJobByTheirCaps) { RunTable("HostileFloods"); }
TEST(Settings, WhatMustNotBeUsedIsRefusedOrWarnedAbout) { RunTable("Settings"); }
TEST(Replay, AJobThatStraysFromItsLogIsRefusedAndTheGatewaySaysWhere) { RunTable("Replay"); }
TEST(History, AHistoryThatCannotBeUsedChangesNothingOfTheCheck) { RunTable("History"); }
TEST(Parallel, SessionsAtOnceGiveWhatOneGivesInListOrderAndFailAlone) {
  RunTable("Parallel", false);
}
TEST(EndlessDailyCheck, SigtermEndsTheRunWithItsRecapAndReportFilesAndTheRunIsPaced) {
  RunTable("Endless", false);
}

}  // namespace
}  // namespace kestrel::testing
