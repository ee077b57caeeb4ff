#include "net/qt_ssh_client.h"

#include <libssh/callbacks.h>
#include <libssh/libssh.h>
#include <libssh/server.h>  // ssh_send_keepalive, which clients send too

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <stdexcept>

#include "net/qt_telnet_client.h"
#include "platform/dispatch.h"
#include "platform/os.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#endif

namespace kestrel::net {

namespace {
constexpr int kReadSize = 64 * 1024;
// A server that asks keyboard-interactive questions round after round is not taking the
// password.
constexpr int kMostInteractiveRounds = 4;

std::string Duration(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

std::string Fingerprint(ssh_key key) {
  unsigned char* hash = nullptr;
  size_t length = 0;
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != 0) return {};
  char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
  ssh_clean_pubkey_hash(&hash);
  if (text == nullptr) return {};
  std::string fingerprint = text;
  ssh_string_free_char(text);
  return fingerprint;
}

}  // namespace

QtSshClient::QtSshClient(QObject* parent) : QObject(parent) {
  connect_timer_.setSingleShot(true);
  connect(&connect_timer_, &QTimer::timeout, this,
          [this] { Fail("no answer within " + Duration(ConnectTimeoutMs)); });
  keepalive_timer_.setSingleShot(true);
  connect(&keepalive_timer_, &QTimer::timeout, this, [this] {
    if (session_ == nullptr || stage_ != Stage::kOpen) return;
    ssh_send_keepalive(session_);
    keepalive_timer_.start();
    Watch();
  });
}

QtSshClient::~QtSshClient() {
  if (session_ != nullptr) Release();
}

std::string QtSshClient::Where() const { return Host + ":" + std::to_string(Port); }

std::string QtSshClient::LastError() const {
  const char* error = session_ != nullptr ? ssh_get_error(session_) : nullptr;
  return error != nullptr && *error != '\0' ? error : "the SSH session failed";
}

std::string QtSshClient::FingerprintOfPublicKey(const std::string& line) {
  const std::size_t space = line.find(' ');
  if (space == std::string::npos) return {};
  std::string base64 = line.substr(space + 1);
  base64 = base64.substr(0, base64.find(' '));
  ssh_key key = nullptr;
  const ssh_keytypes_e type = ssh_key_type_from_name(line.substr(0, space).c_str());
  if (ssh_pki_import_pubkey_base64(base64.c_str(), type, &key) != SSH_OK) return {};
  std::string fingerprint = Fingerprint(key);
  ssh_key_free(key);
  return fingerprint;
}

void QtSshClient::Connect() {
  if (Connected()) throw std::runtime_error("Already connected to " + Where());
  EndReason.clear();
  ConnectError.clear();
  if (Port < 1 || Port > 65535) {
    throw std::runtime_error("Cannot connect to " + Where() + ": the port is not a port number");
  }
  TransportLogin = true;
  user_ = User ? User() : std::string();
  session_ = ssh_new();
  if (session_ == nullptr) throw std::runtime_error("Cannot connect to " + Where() + ": no memory");
  const unsigned port = static_cast<unsigned>(Port);
  const int no = 0;
  ssh_options_set(session_, SSH_OPTIONS_HOST, Host.c_str());
  ssh_options_set(session_, SSH_OPTIONS_PORT, &port);
  ssh_options_set(session_, SSH_OPTIONS_USER, user_.c_str());
  // What the user's own OpenSSH set-up says is no business of a job's session.
  ssh_options_set(session_, SSH_OPTIONS_PROCESS_CONFIG, &no);
  // A typed line goes out at once, as over telnet, not held for the peer's acknowledgement.
  const int yes = 1;
  ssh_options_set(session_, SSH_OPTIONS_NODELAY, &yes);
  if (!Ssh.known_hosts.empty()) {
    ssh_options_set(session_, SSH_OPTIONS_KNOWNHOSTS, Ssh.known_hosts.c_str());
    ssh_options_set(session_, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, Ssh.known_hosts.c_str());
  }
  ssh_set_blocking(session_, 0);
  stage_ = Stage::kConnecting;
  methods_ = 0;
  interactive_rounds_ = 0;
  tried_.clear();
  out_.clear();
  pending_data_.clear();
  inbox_.clear();
  remote_end_ = false;
  peer_closed_ = ended_by_client_ = false;
  const std::uint64_t connection = ++connection_;
  connect_timer_.start(ConnectTimeoutMs);
  // The first step may fail at once; the page must never see its session end inside Connect.
  DriveLater(connection);
}

void QtSshClient::Disconnect() {
  if (!Connected()) return;
  Release();
  if (OnDisconnected) OnDisconnected();
}

void QtSshClient::WriteLn(std::string_view text) {
  if (!Connected()) throw std::runtime_error("Not connected to " + Where());
  if (!mml::IsOneLine(text)) {
    throw std::invalid_argument("A line to send holds a line break; nothing was sent");
  }
  if (ended_by_client_) return;
  if (out_.size() + text.size() + 2 > static_cast<std::size_t>(kMaxUnsentOutput)) {
    EndReason = QtTelnetClient::kUnsentOutputReason;
    ended_by_client_ = true;
    out_.clear();
  } else {
    out_.append(text).append("\r\n");
  }
  if (driving_) return;
  DriveLater(connection_);
}

// From the event loop, and only for the connection it was asked for: a page's handler may be
// on its way to a nested loop, and the first step must not end the session inside Connect.
void QtSshClient::DriveLater(std::uint64_t connection) {
  QMetaObject::invokeMethod(
      this,
      [this, connection] {
        if (connection == connection_) Drive();
      },
      Qt::QueuedConnection);
}

void QtSshClient::Drive() {
  if (session_ == nullptr || driving_) return;
  driving_ = true;
  const std::uint64_t connection = connection_;
  if (stage_ != Stage::kOpen) Handshake();
  if (connection == connection_ && stage_ == Stage::kOpen && !peer_closed_) Flush();
  driving_ = false;
  if (connection != connection_) return;
  Deliver();
  if (connection == connection_) Watch();
}

bool QtSshClient::Handshake() {
  for (;;) {
    if (peer_closed_) return false;
    switch (stage_) {
      case Stage::kConnecting: {
        const int rc = ssh_connect(session_);
        if (rc == SSH_AGAIN) return false;
        if (rc != SSH_OK) {
          Fail(LastError());
          return false;
        }
        platform::TurnOnTcpKeepalive(static_cast<std::intptr_t>(ssh_get_fd(session_)));
        if (!CheckHostKey()) return false;
        break;
      }
      case Stage::kAsking:
        return false;
      case Stage::kAuthNone: {
        const int rc = ssh_userauth_none(session_, nullptr);
        if (rc == SSH_AUTH_AGAIN) return false;
        if (rc == SSH_AUTH_ERROR) {
          Fail(LastError());
          return false;
        }
        if (rc == SSH_AUTH_SUCCESS) {
          stage_ = Stage::kChannel;
          break;
        }
        methods_ = ssh_userauth_list(session_, nullptr);
        NextMethod();
        break;
      }
      case Stage::kAuthKey:
      case Stage::kAuthAgent:
      case Stage::kAuthInteractive:
      case Stage::kAuthPassword: {
        int rc = SSH_AUTH_DENIED;
        if (stage_ == Stage::kAuthKey) {
          ssh_key key = nullptr;
          if (ssh_pki_import_privkey_file(Ssh.identity.c_str(), nullptr, nullptr, nullptr, &key) !=
              SSH_OK) {
            Fail("the key file " + Ssh.identity + " cannot be read (or needs a passphrase)");
            return false;
          }
          rc = ssh_userauth_publickey(session_, nullptr, key);
          ssh_key_free(key);
        } else if (stage_ == Stage::kAuthAgent) {
          rc = ssh_userauth_agent(session_, nullptr);
        } else if (stage_ == Stage::kAuthInteractive) {
          rc = ssh_userauth_kbdint(session_, nullptr, nullptr);
          while (rc == SSH_AUTH_INFO && ++interactive_rounds_ <= kMostInteractiveRounds) {
            const std::string password = Password ? Password() : std::string();
            const int prompts = ssh_userauth_kbdint_getnprompts(session_);
            for (int i = 0; i < prompts; ++i) {
              ssh_userauth_kbdint_setanswer(session_, static_cast<unsigned>(i), password.c_str());
            }
            rc = ssh_userauth_kbdint(session_, nullptr, nullptr);
          }
          if (rc == SSH_AUTH_INFO) rc = SSH_AUTH_DENIED;
        } else {
          const std::string password = Password ? Password() : std::string();
          rc = ssh_userauth_password(session_, nullptr, password.c_str());
        }
        if (rc == SSH_AUTH_AGAIN) return false;
        if (rc == SSH_AUTH_ERROR) {
          Fail(LastError());
          return false;
        }
        if (rc == SSH_AUTH_SUCCESS) {
          stage_ = Stage::kChannel;
          break;
        }
        // Partly done (the server wants a second method) or refused: what else it offers.
        if (rc == SSH_AUTH_PARTIAL) methods_ = ssh_userauth_list(session_, nullptr);
        NextMethod();
        break;
      }
      case Stage::kChannel: {
        if (channel_ == nullptr) {
          channel_ = ssh_channel_new(session_);
          // Data comes to us as libssh takes it off the wire (both streams, in order), so
          // none waits unseen in a buffer of libssh while the socket is quiet.
          callbacks_ = std::make_unique<ssh_channel_callbacks_struct>();
          *callbacks_ = {};
          ssh_callbacks_init(callbacks_.get());
          callbacks_->userdata = this;
          callbacks_->channel_data_function = [](ssh_session, ssh_channel, void* data,
                                                 uint32_t length, int, void* self) {
            static_cast<QtSshClient*>(self)->inbox_.append(static_cast<const char*>(data), length);
            return static_cast<int>(length);
          };
          callbacks_->channel_eof_function = [](ssh_session, ssh_channel, void* self) {
            static_cast<QtSshClient*>(self)->remote_end_ = true;
          };
          callbacks_->channel_close_function = callbacks_->channel_eof_function;
          if (channel_ != nullptr) ssh_set_channel_callbacks(channel_, callbacks_.get());
        }
        const int rc = channel_ != nullptr ? ssh_channel_open_session(channel_) : SSH_ERROR;
        if (rc == SSH_AGAIN) return false;
        if (rc != SSH_OK) {
          Fail("the server opened no session channel: " + LastError());
          return false;
        }
        stage_ = Stage::kPty;
        break;
      }
      case Stage::kPty: {
        const int rc = ssh_channel_request_pty_size(channel_, TerminalType.c_str(), 80, 24);
        if (rc == SSH_AGAIN) return false;
        // A server that gives no terminal still gives the shell.
        if (rc != SSH_OK && !ssh_is_connected(session_)) {
          Fail(LastError());
          return false;
        }
        stage_ = Stage::kShell;
        break;
      }
      case Stage::kShell: {
        const int rc = ssh_channel_request_shell(channel_);
        if (rc == SSH_AGAIN) return false;
        if (rc != SSH_OK) {
          Fail("the server started no shell: " + LastError());
          return false;
        }
        stage_ = Stage::kOpen;
        connect_timer_.stop();
        if (Ssh.keepalive_s > 0) keepalive_timer_.start(Ssh.keepalive_s * 1000);
        return true;
      }
      case Stage::kOpen:
        return true;
    }
  }
}

bool QtSshClient::CheckHostKey() {
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(session_, &key) != SSH_OK) {
    Fail("the server showed no host key");
    return false;
  }
  const std::string offered = Fingerprint(key);
  ssh_key_free(key);
  const std::string changed = "the host key of " + Where() + " has changed: ";
  const std::string nothing = "; nothing was sent";
  if (!Ssh.host_key.empty()) {
    if (offered == Ssh.host_key) {
      stage_ = Stage::kAuthNone;
      return true;
    }
    Fail(changed + "the site pins " + Ssh.host_key + ", the server shows " + offered + nothing);
    return false;
  }
  ssh_known_hosts_e state = SSH_KNOWN_HOSTS_UNKNOWN;
  if (!Ssh.known_hosts.empty()) state = ssh_session_is_known_server(session_);
  switch (state) {
    case SSH_KNOWN_HOSTS_OK:
      stage_ = Stage::kAuthNone;
      return true;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER: {
      // libssh names no entry for a key that differs: the file's own line for the host does.
      std::string known = "another key";
      QFile file(QString::fromStdString(Ssh.known_hosts));
      const std::string name = Port == 22 ? Host : "[" + Host + "]:" + std::to_string(Port);
      if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
          const std::string line = file.readLine().trimmed().toStdString();
          const std::size_t space = line.find(' ');
          if (space == std::string::npos) continue;
          const QStringList hosts = QString::fromStdString(line.substr(0, space)).split(',');
          if (!hosts.contains(QString::fromStdString(name))) continue;
          const std::string fingerprint = FingerprintOfPublicKey(line.substr(space + 1));
          if (!fingerprint.empty()) known = fingerprint;
          break;
        }
      }
      Fail(changed + Ssh.known_hosts + " knows " + known + ", the server shows " + offered +
           nothing + " (remove its line from that file if the change is expected)");
      return false;
    }
    case SSH_KNOWN_HOSTS_ERROR:
      Fail("the known-hosts file " + Ssh.known_hosts + " cannot be read: " + LastError());
      return false;
    case SSH_KNOWN_HOSTS_NOT_FOUND:
    case SSH_KNOWN_HOSTS_UNKNOWN:
      break;
  }
  if (!OnUnknownHostKey) {
    Fail("the host key of " + Where() + " is not known (" + offered +
         "); refused, nothing was sent");
    return false;
  }
  stage_ = Stage::kAsking;
  connect_timer_.stop();  // the engineer may take a while
  const std::uint64_t connection = connection_;
  // The answer may come after this client is gone (a box closed as the program ends).
  OnUnknownHostKey({Where(), offered}, [self = QPointer<QtSshClient>(this), this, connection,
                                        offered](HostKeyAnswer answer) {
    if (self.isNull() || connection != connection_ || stage_ != Stage::kAsking) return;
    if (answer == HostKeyAnswer::kRefuse) {
      Fail("the host key of " + Where() + " (" + offered + ") was refused; nothing was sent");
    } else {
      if (answer == HostKeyAnswer::kAcceptAlways && !Ssh.known_hosts.empty()) {
        QDir().mkpath(QFileInfo(QString::fromStdString(Ssh.known_hosts)).absolutePath());
        if (ssh_session_update_known_hosts(session_) != SSH_OK) {
          Note("the host key could not be added to " + Ssh.known_hosts + ": " + LastError());
        }
      }
      stage_ = Stage::kAuthNone;
      connect_timer_.start(ConnectTimeoutMs);
    }
    if (!driving_) {
      DriveLater(connection);
    }
  });
  return stage_ != Stage::kAsking && !peer_closed_;
}

void QtSshClient::NextMethod() {
  const bool has_password = Password && !Password().empty();
  struct Method {
    Stage stage;
    int flag;
    bool usable;
    const char* name;
  };
  const Method order[] = {
      {Ssh.identity.empty() ? Stage::kAuthAgent : Stage::kAuthKey, SSH_AUTH_METHOD_PUBLICKEY, true,
       "public key"},
      {Stage::kAuthInteractive, SSH_AUTH_METHOD_INTERACTIVE, has_password, "keyboard-interactive"},
      {Stage::kAuthPassword, SSH_AUTH_METHOD_PASSWORD, has_password, "password"},
  };
  // Each method once, in this order, after the one that was just refused.
  bool past = stage_ == Stage::kAuthNone;
  for (const Method& method : order) {
    if (!past) {
      past = method.stage == stage_;
      continue;
    }
    if (!method.usable || (methods_ & method.flag) == 0) continue;
    if (!tried_.empty()) tried_ += ", ";
    tried_ += method.name;
    stage_ = method.stage;
    return;
  }
  Refuse(tried_.empty() ? "none that Kestrel has (no password is configured)" : tried_);
}

void QtSshClient::Refuse(const std::string& tried) {
  pending_data_ = "LOGIN INCORRECT (" + Where() + " over SSH took none of: " + tried + "; user " +
                  user_ + ")\r\n";
  peer_closed_ = true;
}

void QtSshClient::Fail(const std::string& why) {
  if (session_ == nullptr || peer_closed_) return;
  if (stage_ != Stage::kOpen) ConnectError = "Cannot connect to " + Where() + ": " + why;
  peer_closed_ = true;
  if (!driving_) Deliver();
}

void QtSshClient::Deliver() {
  if (delivering_ || session_ == nullptr) return;
  struct Running {
    QtSshClient& client;
    explicit Running(QtSshClient& c) : client(c) {
      client.delivering_ = true;
      if (client.reading_) client.reading_->setEnabled(false);
    }
    ~Running() {
      client.delivering_ = false;
      if (client.session_ != nullptr) client.Watch();
    }
  } running(*this);

  while (session_ != nullptr) {
    if (!pending_data_.empty()) {
      const std::string data = std::move(pending_data_);
      pending_data_.clear();
      if (OnDataAvailable) platform::Dispatch([this, &data] { OnDataAvailable(data); });
      continue;
    }
    if (stage_ == Stage::kOpen && !ended_by_client_ && !peer_closed_) {
      if (inbox_.empty() && !remote_end_) {
        // Takes what the socket holds; its data lands in the inbox.
        if (ssh_channel_poll(channel_, 0) == SSH_ERROR || !ssh_is_connected(session_) ||
            ssh_channel_is_closed(channel_)) {
          remote_end_ = true;
        }
      }
      if (!inbox_.empty()) {
        if (Ssh.keepalive_s > 0) keepalive_timer_.start(Ssh.keepalive_s * 1000);
        const std::size_t size = std::min<std::size_t>(inbox_.size(), kReadSize);
        const std::string data = inbox_.substr(0, size);
        inbox_.erase(0, size);
        if (OnDataAvailable) platform::Dispatch([this, &data] { OnDataAvailable(data); });
        continue;
      }
      if (remote_end_) peer_closed_ = true;
    }
    if (!peer_closed_ && !ended_by_client_) return;
    Release();
    if (OnDisconnected) platform::Dispatch([this] { OnDisconnected(); });
  }
}

void QtSshClient::Flush() {
  while (!out_.empty()) {
    const std::uint32_t window = ssh_channel_window_size(channel_);
    if (window == 0) break;
    const auto size =
        static_cast<std::uint32_t>(std::min<std::size_t>({out_.size(), window, 32 * 1024}));
    const int written = ssh_channel_write(channel_, out_.data(), size);
    if (written == SSH_ERROR) {
      peer_closed_ = true;
      return;
    }
    if (written <= 0) break;
    out_.erase(0, static_cast<std::size_t>(written));
  }
}

void QtSshClient::Watch() {
  if (session_ == nullptr) return;
  const socket_t fd = ssh_get_fd(session_);
  if (fd == SSH_INVALID_SOCKET) return;
  if (!reading_ || reading_->socket() != static_cast<qintptr>(fd)) {
    const std::uint64_t connection = connection_;
    auto activated = [this, connection] {
      if (connection == connection_) Drive();
    };
    reading_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    writing_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(reading_.get(), &QSocketNotifier::activated, this, activated);
    connect(writing_.get(), &QSocketNotifier::activated, this, activated);
  }
  reading_->setEnabled(!delivering_);
  const bool waiting_output =
      (ssh_get_poll_flags(session_) & SSH_WRITE_PENDING) != 0 ||
      (stage_ == Stage::kOpen && !out_.empty() && ssh_channel_window_size(channel_) > 0);
  writing_->setEnabled(waiting_output);
}

void QtSshClient::Release() {
  ++connection_;
  connect_timer_.stop();
  keepalive_timer_.stop();
  // A notifier may be the one whose signal runs now: it goes once that is over.
  for (std::unique_ptr<QSocketNotifier>* notifier : {&reading_, &writing_}) {
    if (*notifier) {
      (*notifier)->setEnabled(false);
      (*notifier)->disconnect(this);
      notifier->release()->deleteLater();
    }
  }
  ssh_session session = session_;
  session_ = nullptr;
  if (channel_ != nullptr) {
    ssh_remove_channel_callbacks(channel_, callbacks_.get());
    ssh_channel_free(channel_);
    channel_ = nullptr;
  }
  callbacks_.reset();
  inbox_.clear();
  ssh_disconnect(session);
  ssh_free(session);
}

}  // namespace kestrel::net
