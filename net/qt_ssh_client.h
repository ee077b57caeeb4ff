#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "mml/telnet_client.h"
#include "net/transport.h"

struct ssh_session_struct;
struct ssh_channel_struct;
struct ssh_channel_callbacks_struct;

namespace kestrel::net {

// The MML session over SSH: one shell channel with a pseudo-terminal of `TerminalType`, with
// libssh in non-blocking mode driven by the notifiers of its socket on the one thread that
// runs everything. Events, caps and their reasons are those of the telnet client.
//
// Login: public key (the `SshOptions::identity` file, or the agent's keys), then
// keyboard-interactive (every prompt answered with the password), then password; only the
// methods the server offers are tried. A server that takes none of them refuses the login:
// the session then receives one line "LOGIN INCORRECT (...)" saying what was tried, as a
// gateway's own refusal reads, and ends. Nothing is typed on a channel before the host key
// is taken.
class QtSshClient : public QObject, public mml::TelnetClient {
  Q_OBJECT

 public:
  static constexpr qint64 kMaxUnsentOutput = 4 * 1024 * 1024;

  // A key not in the known-hosts file: `reply` (at once or later, exactly once) decides.
  struct HostKeyQuestion {
    std::string host;         // "10.0.0.1:52000"
    std::string fingerprint;  // "SHA256:..."
  };
  using AskHostKey =
      std::function<void(const HostKeyQuestion&, std::function<void(HostKeyAnswer)> reply)>;

  explicit QtSshClient(QObject* parent = nullptr);
  ~QtSshClient() override;

  SshOptions Ssh;
  // Read at every Connect, as the engineer may have changed them since the last one.
  std::function<std::string()> User;
  std::function<std::string()> Password;
  // None: an unknown key is refused.
  AskHostKey OnUnknownHostKey;
  int ConnectTimeoutMs = 10000;

  void Connect() override;
  void Disconnect() override;
  bool Connected() const override { return session_ != nullptr; }
  void WriteLn(std::string_view text) override;

  // The output not yet taken by the peer's window; 0 when not connected.
  qint64 UnsentOutput() const { return static_cast<qint64>(out_.size()); }

  // The OpenSSH fingerprint ("SHA256:" and unpadded base64) of a key in OpenSSH's public
  // key format ("ssh-ed25519 AAAA... comment"); empty when it is none.
  static std::string FingerprintOfPublicKey(const std::string& line);

 private:
  enum class Stage {
    kConnecting,
    kAsking,
    kAuthNone,
    kAuthKey,
    kAuthAgent,
    kAuthInteractive,
    kAuthPassword,
    kChannel,
    kPty,
    kShell,
    kOpen
  };

  // Takes the session as far as it can go now, then delivers what arrived.
  void Drive();
  void DriveLater(std::uint64_t connection);
  // Runs the stages of the login; false when the session ended or waits for the peer.
  bool Handshake();
  bool CheckHostKey();
  void HostKeyAnswered(std::uint64_t connection, HostKeyAnswer answer);
  // The next login method the server offers after `after`, or the channel.
  void NextMethod();
  void Deliver();
  void Flush();
  void Watch();
  // Ends the session for `why`: before the channel stood, as a connect error.
  void Fail(const std::string& why);
  void Refuse(const std::string& tried);
  void Release();
  std::string Where() const;
  std::string LastError() const;

  ssh_session_struct* session_ = nullptr;
  ssh_channel_struct* channel_ = nullptr;
  std::unique_ptr<QSocketNotifier> reading_, writing_;
  Stage stage_ = Stage::kConnecting;
  int methods_ = 0;
  int interactive_rounds_ = 0;
  std::string tried_;
  std::string user_;  // the one this session logs in as
  std::string out_;
  std::string pending_data_;  // a login refusal, delivered as the session's last text
  // What the channel brought and the page has not had yet, and whether its end came.
  std::string inbox_;
  bool remote_end_ = false;
  std::unique_ptr<ssh_channel_callbacks_struct> callbacks_;
  std::uint64_t connection_ = 0;
  bool peer_closed_ = false;
  bool ended_by_client_ = false;
  bool delivering_ = false;
  bool driving_ = false;
  QTimer connect_timer_;
  QTimer keepalive_timer_;
};

}  // namespace kestrel::net
