#include "sim/ssh_front.h"

#include <libssh/callbacks.h>
#include <libssh/libssh.h>
#include <libssh/server.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "net/telnet_codec.h"
#include "platform/streams.h"

namespace kestrel::sim {

namespace {

// A connection that has not logged in within this long is dropped.
constexpr int kLoginSeconds = 60;

// The gateway's telnet as plain text: its negotiation answered as a client would, its data
// passed on. Each piece goes out at once, as the gateway cut it. Reading and typing may run
// on two threads.
class GatewayLink {
 public:
  GatewayLink(int port, std::string terminal_type)
      : socket_(platform::ConnectLoopback(port)), codec_(std::move(terminal_type)) {}
  ~GatewayLink() { platform::CloseSocket(socket_); }
  GatewayLink(const GatewayLink&) = delete;
  GatewayLink& operator=(const GatewayLink&) = delete;

  bool Open() const { return socket_ != platform::kNoSocket; }
  platform::Socket Socket() const { return socket_; }
  // The gateway's next text; false when it has closed.
  bool Read(std::string& data) {
    char buffer[64 * 1024];
    const std::size_t n = platform::ReceiveSome(socket_, buffer, sizeof buffer);
    if (n == 0) return false;
    std::string replies;
    data.clear();
    codec_.Receive(std::string_view(buffer, n), data, replies);
    return replies.empty() || Send(replies);
  }
  bool Type(std::string_view bytes) { return Send(net::telnet::EscapedData(bytes)); }
  // Wakes a thread waiting in Read.
  void End() { platform::ShutdownSocket(socket_); }

 private:
  bool Send(std::string_view bytes) {
    const std::lock_guard lock(sending_);
    return platform::SendAll(socket_, bytes);
  }

  platform::Socket socket_;
  net::TelnetClientCodec codec_;
  std::mutex sending_;
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
  std::shared_ptr<std::atomic<int>> keepalives;
  int gateway_port = 0;
  // Keyboard-interactive: the user it is for and the rounds answered rightly so far.
  std::string interactive_user;
  std::size_t interactive_round = 0;
  bool logged_in = false;
  bool shell = false;
  bool over = false;
  std::string terminal_type = "dumb";
  ssh_channel channel = nullptr;
  std::unique_ptr<GatewayLink> link;
  ssh_channel_callbacks_struct channel_callbacks{};
  ssh_callbacks_struct session_callbacks{};
};

int AuthPassword(ssh_session, const char* user, const char* password, void* userdata) {
  auto& served = *static_cast<Served*>(userdata);
  if (!served.users->interactive_rounds.empty()) return SSH_AUTH_DENIED;
  served.logged_in = user == served.users->user && password == served.users->password;
  return served.logged_in ? SSH_AUTH_SUCCESS : SSH_AUTH_DENIED;
}

// Asks the next round of keyboard-interactive prompts.
void AskRound(ssh_message message, int prompts) {
  std::vector<std::string> texts;
  for (int i = 0; i < prompts; ++i) {
    texts.push_back(i == 0 ? "Password: " : "Password again (" + std::to_string(i + 1) + "): ");
  }
  std::vector<const char*> pointers;
  for (const std::string& text : texts) pointers.push_back(text.c_str());
  std::vector<char> echo(texts.size(), 0);
  ssh_message_auth_interactive_request(message, "", "", static_cast<unsigned>(prompts),
                                       pointers.data(), echo.data());
}

// Keyboard-interactive logins, which libssh's server callbacks leave to messages; 1: the
// default answer (a refusal).
int Message(ssh_session session, ssh_message message, void* userdata) {
  auto& served = *static_cast<Served*>(userdata);
  const std::vector<int>& rounds = served.users->interactive_rounds;
  if (ssh_message_type(message) != SSH_REQUEST_AUTH ||
      ssh_message_subtype(message) != SSH_AUTH_METHOD_INTERACTIVE || rounds.empty()) {
    return 1;
  }
  if (!ssh_message_auth_kbdint_is_response(message)) {
    const char* user = ssh_message_auth_user(message);
    served.interactive_user = user != nullptr ? user : "";
    served.interactive_round = 0;
    AskRound(message, rounds[0]);
    return 0;
  }
  bool right = served.interactive_user == served.users->user &&
               ssh_userauth_kbdint_getnanswers(session) == rounds[served.interactive_round];
  for (int i = 0; right && i < rounds[served.interactive_round]; ++i) {
    const char* answer = ssh_userauth_kbdint_getanswer(session, static_cast<unsigned>(i));
    right = answer != nullptr && answer == served.users->password;
  }
  if (!right) return 1;
  if (++served.interactive_round < rounds.size()) {
    AskRound(message, rounds[served.interactive_round]);
    return 0;
  }
  served.logged_in = true;
  ssh_message_auth_reply_success(message, 0);
  return 0;
}

void GlobalRequest(ssh_session, ssh_message message, void* userdata) {
  auto& served = *static_cast<Served*>(userdata);
  if (ssh_message_subtype(message) == SSH_GLOBAL_REQUEST_KEEPALIVE) {
    ++*served.keepalives;
    ssh_message_global_request_reply_success(message, 0);
  }
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

void Serve(ssh_session session, std::shared_ptr<const SshUsers> users,
           std::shared_ptr<std::atomic<int>> keepalives, int gateway_port) {
  Served served;
  served.users = users;
  served.keepalives = std::move(keepalives);
  served.gateway_port = gateway_port;
  ssh_server_callbacks_struct callbacks{};
  ssh_callbacks_init(&callbacks);
  callbacks.userdata = &served;
  callbacks.auth_password_function = AuthPassword;
  callbacks.auth_pubkey_function = AuthKey;
  callbacks.channel_open_request_session_function = OpenSession;
  ssh_set_server_callbacks(session, &callbacks);
  ssh_callbacks_init(&served.session_callbacks);
  served.session_callbacks.userdata = &served;
  served.session_callbacks.global_request_function = GlobalRequest;
  ssh_set_callbacks(session, &served.session_callbacks);
  ssh_set_message_callback(session, Message, &served);
  ssh_set_auth_methods(session, users->interactive_rounds.empty()
                                    ? SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_PUBLICKEY
                                    : SSH_AUTH_METHOD_INTERACTIVE |
                                          (users->keys.empty() ? 0 : SSH_AUTH_METHOD_PUBLICKEY));
  ssh_event event = ssh_event_new();
  platform::SendAtOnce(static_cast<platform::Socket>(ssh_get_fd(session)));
  if (ssh_handle_key_exchange(session) == SSH_OK && event != nullptr &&
      ssh_event_add_session(event, session) == SSH_OK) {
    for (int waited = 0; !served.shell && !served.over && waited < kLoginSeconds * 10; ++waited) {
      if (ssh_event_dopoll(event, 100) == SSH_ERROR) served.over = true;
    }
    if (served.shell && served.logged_in && !served.over) {
      served.link = std::make_unique<GatewayLink>(gateway_port, served.terminal_type);
      const auto gateway = static_cast<socket_t>(served.link->Socket());
      if (served.link->Open()) {
        ssh_event_add_fd(event, gateway, platform::ReadableEvents(), GatewaySays, &served);
        while (!served.over) {
          if (ssh_event_dopoll(event, 1000) == SSH_ERROR) break;
        }
        ssh_event_remove_fd(event, gateway);
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
  port_ = platform::LocalPort(static_cast<platform::Socket>(ssh_bind_get_fd(bind_)));
  accepting_ = std::thread([this] { Accept(); });
  return true;
}

void SshFront::Accept() {
  while (!stop_) {
    const auto listening = static_cast<platform::Socket>(ssh_bind_get_fd(bind_));
    if (platform::WaitReadable(listening, 100) <= 0) continue;  // and look at stop_ again
    ssh_session session = ssh_new();
    if (ssh_bind_accept(bind_, session) != SSH_OK) {
      ssh_free(session);
      continue;
    }
    std::thread(Serve, session, users_, keepalives_, gateway_port_).detach();
  }
}

void ServeStdio(int gateway_port, std::function<void()> ended) {
  // On a terminal (an SSH server's pseudo-terminal) the lines pass as typed: the gateway
  // echoes, and CR stays CR.
  platform::MakeStdinRaw();
  auto link = std::make_shared<GatewayLink>(gateway_port, "dumb");
  auto once = std::make_shared<std::once_flag>();
  auto end = [once, ended = std::move(ended)] { std::call_once(*once, ended); };
  if (!link->Open()) {
    std::thread(end).detach();
    return;
  }
  // One thread a direction: a console's input cannot be waited on together with a socket on
  // every system. The typing thread may stay blocked on input when the gateway ends first;
  // the program ends then anyway.
  std::thread([link, end] {
    char buffer[4096];
    for (;;) {
      const std::size_t n = platform::ReadStdin(buffer, sizeof buffer);
      if (n == 0 || !link->Type(std::string_view(buffer, n))) break;
    }
    link->End();
    end();
  }).detach();
  std::thread([link, end] {
    std::string data;
    while (link->Read(data) && platform::WriteStdout(data)) {
    }
    end();
  }).detach();
}

}  // namespace kestrel::sim
