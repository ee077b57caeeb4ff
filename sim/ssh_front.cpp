#include "sim/ssh_front.h"

#include <arpa/inet.h>
#include <libssh/callbacks.h>
#include <libssh/libssh.h>
#include <libssh/server.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <thread>

#include "net/telnet_codec.h"

namespace kestrel::sim {

namespace {

// A connection that has not logged in within this long is dropped.
constexpr int kLoginSeconds = 60;

// What is said goes out at once, each piece as the gateway cut it.
void NoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int ConnectLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  NoDelay(fd);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The gateway's telnet as plain text: its negotiation answered as a client would, its data
// passed on.
class GatewayLink {
 public:
  GatewayLink(int port, std::string terminal_type)
      : fd_(ConnectLoopback(port)), codec_(terminal_type) {}
  ~GatewayLink() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Fd() const { return fd_; }
  // The gateway's next text; false when it has closed.
  bool Read(std::string& data) {
    char buffer[64 * 1024];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) return false;
    std::string replies;
    data.clear();
    codec_.Receive(std::string_view(buffer, static_cast<std::size_t>(n)), data, replies);
    return replies.empty() || WriteAll(fd_, replies);
  }
  bool Type(std::string_view bytes) { return WriteAll(fd_, net::telnet::EscapedData(bytes)); }

 private:
  int fd_;
  net::TelnetClientCodec codec_;
};

bool KeyAllowed(const SshUsers& users, ssh_key offered) {
  for (const std::string& line : users.keys) {
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    std::string base64 = line.substr(space + 1);
    base64 = base64.substr(0, base64.find(' '));
    ssh_key key = nullptr;
    if (ssh_pki_import_pubkey_base64(base64.c_str(),
                                     ssh_key_type_from_name(line.substr(0, space).c_str()),
                                     &key) != SSH_OK) {
      continue;
    }
    const bool same = ssh_key_cmp(key, offered, SSH_KEY_CMP_PUBLIC) == 0;
    ssh_key_free(key);
    if (same) return true;
  }
  return false;
}

// One SSH connection, from its key exchange to its end.
struct Served {
  std::shared_ptr<const SshUsers> users;
  int gateway_port = 0;
  bool logged_in = false;
  bool shell = false;
  bool over = false;
  std::string terminal_type = "dumb";
  ssh_channel channel = nullptr;
  std::unique_ptr<GatewayLink> link;
  ssh_channel_callbacks_struct channel_callbacks{};
};

int AuthPassword(ssh_session, const char* user, const char* password, void* userdata) {
  auto& served = *static_cast<Served*>(userdata);
  served.logged_in = user == served.users->user && password == served.users->password;
  return served.logged_in ? SSH_AUTH_SUCCESS : SSH_AUTH_DENIED;
}

int AuthKey(ssh_session, const char* user, ssh_key key, char signature_state, void* userdata) {
  auto& served = *static_cast<Served*>(userdata);
  if (user != served.users->user || !KeyAllowed(*served.users, key)) return SSH_AUTH_DENIED;
  if (signature_state == SSH_PUBLICKEY_STATE_NONE) return SSH_AUTH_SUCCESS;  // try it
  if (signature_state != SSH_PUBLICKEY_STATE_VALID) return SSH_AUTH_DENIED;
  served.logged_in = true;
  return SSH_AUTH_SUCCESS;
}

int Pty(ssh_session, ssh_channel, const char* term, int, int, int, int, void* userdata) {
  static_cast<Served*>(userdata)->terminal_type = term;
  return 0;
}

int Shell(ssh_session, ssh_channel, void* userdata) {
  static_cast<Served*>(userdata)->shell = true;
  return 0;
}

int ChannelData(ssh_session, ssh_channel, void* data, uint32_t length, int, void* userdata) {
  auto& served = *static_cast<Served*>(userdata);
  if (served.link && !served.link->Type(std::string_view(static_cast<char*>(data), length))) {
    served.over = true;
  }
  return static_cast<int>(length);
}

void ChannelEnd(ssh_session, ssh_channel, void* userdata) {
  static_cast<Served*>(userdata)->over = true;
}

ssh_channel OpenSession(ssh_session session, void* userdata) {
  auto& served = *static_cast<Served*>(userdata);
  if (served.channel != nullptr) return nullptr;  // one channel a connection
  served.channel = ssh_channel_new(session);
  ssh_callbacks_init(&served.channel_callbacks);
  served.channel_callbacks.userdata = &served;
  served.channel_callbacks.channel_pty_request_function = Pty;
  served.channel_callbacks.channel_shell_request_function = Shell;
  served.channel_callbacks.channel_data_function = ChannelData;
  served.channel_callbacks.channel_eof_function = ChannelEnd;
  served.channel_callbacks.channel_close_function = ChannelEnd;
  ssh_set_channel_callbacks(served.channel, &served.channel_callbacks);
  return served.channel;
}

int GatewaySays(socket_t, int, void* userdata) {
  auto& served = *static_cast<Served*>(userdata);
  std::string data;
  if (!served.link->Read(data)) {
    served.over = true;
    return 0;
  }
  if (!data.empty() && ssh_channel_write(served.channel, data.data(),
                                         static_cast<uint32_t>(data.size())) == SSH_ERROR) {
    served.over = true;
  }
  return 0;
}

void Serve(ssh_session session, std::shared_ptr<const SshUsers> users, int gateway_port) {
  Served served;
  served.users = users;
  served.gateway_port = gateway_port;
  ssh_server_callbacks_struct callbacks{};
  ssh_callbacks_init(&callbacks);
  callbacks.userdata = &served;
  callbacks.auth_password_function = AuthPassword;
  callbacks.auth_pubkey_function = AuthKey;
  callbacks.channel_open_request_session_function = OpenSession;
  ssh_set_server_callbacks(session, &callbacks);
  ssh_set_auth_methods(session, SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_PUBLICKEY);
  ssh_event event = ssh_event_new();
  NoDelay(ssh_get_fd(session));
  if (ssh_handle_key_exchange(session) == SSH_OK && event != nullptr &&
      ssh_event_add_session(event, session) == SSH_OK) {
    for (int waited = 0; !served.shell && !served.over && waited < kLoginSeconds * 10; ++waited) {
      if (ssh_event_dopoll(event, 100) == SSH_ERROR) served.over = true;
    }
    if (served.shell && served.logged_in && !served.over) {
      served.link = std::make_unique<GatewayLink>(gateway_port, served.terminal_type);
      if (served.link->Fd() >= 0) {
        ssh_event_add_fd(event, served.link->Fd(), POLLIN, GatewaySays, &served);
        while (!served.over) {
          if (ssh_event_dopoll(event, 1000) == SSH_ERROR) break;
        }
        ssh_event_remove_fd(event, served.link->Fd());
      }
      // What was said goes out before the channel closes.
      if (ssh_is_connected(session)) {
        ssh_channel_send_eof(served.channel);
        ssh_channel_close(served.channel);
        ssh_blocking_flush(session, 2000);
      }
    }
  }
  if (event != nullptr) {
    ssh_event_remove_session(event, session);
    ssh_event_free(event);
  }
  served.link.reset();
  ssh_disconnect(session);
  ssh_free(session);
}

}  // namespace

SshFront::SshFront(int gateway_port, SshUsers users)
    : gateway_port_(gateway_port), users_(std::make_shared<const SshUsers>(std::move(users))) {}

SshFront::~SshFront() {
  stop_ = true;
  if (accepting_.joinable()) accepting_.join();
  if (bind_ != nullptr) ssh_bind_free(bind_);
}

std::string HostKeyFingerprint(const std::string& host_key_file) {
  ssh_key key = nullptr;
  if (ssh_pki_import_privkey_file(host_key_file.c_str(), nullptr, nullptr, nullptr, &key) !=
      SSH_OK) {
    return {};
  }
  unsigned char* hash = nullptr;
  size_t length = 0;
  std::string fingerprint;
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) == 0) {
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    if (text != nullptr) fingerprint = text;
    ssh_string_free_char(text);
    ssh_clean_pubkey_hash(&hash);
  }
  ssh_key_free(key);
  return fingerprint;
}

bool SshFront::Listen(const std::string& address, int port, const std::string& host_key_file,
                      std::string& error) {
  const QString key_path = QString::fromStdString(host_key_file);
  if (!QFileInfo::exists(key_path)) {
    QDir().mkpath(QFileInfo(key_path).absolutePath());
    ssh_key key = nullptr;
    if (ssh_pki_generate(SSH_KEYTYPE_ED25519, 0, &key) != SSH_OK ||
        ssh_pki_export_privkey_file(key, nullptr, nullptr, nullptr, host_key_file.c_str()) !=
            SSH_OK) {
      ssh_key_free(key);
      error = "cannot make the host key " + host_key_file;
      return false;
    }
    ssh_key_free(key);
    // A private key: its owner's alone.
    QFile::setPermissions(key_path, QFile::ReadOwner | QFile::WriteOwner);
  }
  bind_ = ssh_bind_new();
  const unsigned bind_port = static_cast<unsigned>(port);
  const int no = 0;
  ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_PROCESS_CONFIG, &no);
  ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_BINDADDR, address.c_str());
  ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_BINDPORT, &bind_port);
  if (ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_HOSTKEY, host_key_file.c_str()) != SSH_OK ||
      ssh_bind_listen(bind_) != SSH_OK) {
    error = ssh_get_error(bind_);
    return false;
  }
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  getsockname(ssh_bind_get_fd(bind_), reinterpret_cast<sockaddr*>(&bound), &size);
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  accepting_ = std::thread([this] { Accept(); });
  return true;
}

void SshFront::Accept() {
  while (!stop_) {
    pollfd listening{ssh_bind_get_fd(bind_), POLLIN, 0};
    if (::poll(&listening, 1, 100) <= 0) continue;  // and look at stop_ again
    ssh_session session = ssh_new();
    if (ssh_bind_accept(bind_, session) != SSH_OK) {
      ssh_free(session);
      continue;
    }
    std::thread(Serve, session, users_, gateway_port_).detach();
  }
}

void ServeStdio(int gateway_port, std::function<void()> ended) {
  std::thread([gateway_port, ended = std::move(ended)] {
    // On a terminal (an SSH server's pseudo-terminal) the lines pass as typed: the gateway
    // echoes, and CR stays CR.
    if (isatty(STDIN_FILENO)) {
      termios raw{};
      if (tcgetattr(STDIN_FILENO, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
      }
    }
    GatewayLink link(gateway_port, "dumb");
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {link.Fd(), POLLIN, 0}};
    while (link.Fd() >= 0 && ::poll(fds, 2, -1) > 0) {
      if (fds[1].revents != 0) {
        std::string data;
        if (!link.Read(data) || !WriteAll(STDOUT_FILENO, data)) break;
      }
      if (fds[0].revents != 0) {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0 || !link.Type(std::string_view(buffer, static_cast<std::size_t>(n)))) break;
      }
    }
    ended();
  }).detach();
}

}  // namespace kestrel::sim
