#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct ssh_bind_struct;

namespace kestrel::sim {

// Who may log in over SSH: the scenario's user, with its password or one of its keys
// (OpenSSH public key lines).
struct SshUsers {
  std::string user;
  std::string password;
  std::vector<std::string> keys;
  // Not empty: the password is taken by keyboard-interactive only (not as a password), in
  // rounds of this many prompts, each to be answered with the password.
  std::vector<int> interactive_rounds = {};
};

// The simulator's SSH side: it takes SSH logins and plays the telnet gateway that listens
// on loopback at `gateway_port` behind them, one telnet connection per shell channel, so
// that every fault and replay of the gateway holds over SSH too. The SSH login stands for
// the gateway's own. Each connection runs on a thread of its own; going, this stops taking
// connections (those open end with the gateway's side).
class SshFront {
 public:
  SshFront(int gateway_port, SshUsers users);
  ~SshFront();

  // Listens with the key in `host_key_file`, made there (ed25519) when the file does not
  // exist. False with `error` saying why.
  bool Listen(const std::string& address, int port, const std::string& host_key_file,
              std::string& error);
  int Port() const { return port_; }
  // The keepalive requests that clients have sent so far, over all connections.
  int Keepalives() const { return *keepalives_; }

 private:
  void Accept();

  int gateway_port_;
  // Shared with the connections' threads, which may outlive this.
  std::shared_ptr<const SshUsers> users_;
  std::shared_ptr<std::atomic<int>> keepalives_ = std::make_shared<std::atomic<int>>(0);
  ssh_bind_struct* bind_ = nullptr;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread accepting_;
};

// Plays the gateway at `gateway_port` on standard input and output, as a command that an SSH
// server runs for its logins; `ended` runs (on another thread) when either side has ended.
void ServeStdio(int gateway_port, std::function<void()> ended);

// The fingerprint of the key in the host key file, or empty.
std::string HostKeyFingerprint(const std::string& host_key_file);

}  // namespace kestrel::sim
