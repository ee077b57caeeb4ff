#pragma once

#include <string>

namespace kestrel::net {

enum class Transport { kTelnet, kSsh };

// Where an element is reached when it is not reached through the gateway.
struct DirectElement {
  Transport transport = Transport::kSsh;
  std::string host;
  int port = 0;
};

// "ssh://host:port" or "telnet://host:port" (an IPv6 address in brackets); throws
// std::invalid_argument saying what is wrong.
DirectElement ParseElementAddress(const std::string& text);

// What an SSH session needs besides host and port.
struct SshOptions {
  // A private key file for public-key login; empty: the keys of the user's agent.
  std::string identity;
  // Kestrel's own known-hosts file (OpenSSH's format); empty: none, every key is new.
  std::string known_hosts;
  // A pinned key ("SHA256:..."): the only key taken, the known-hosts file is not read.
  std::string host_key;
  // Seconds of silence after which a keepalive request goes out; 0: none.
  int keepalive_s = 60;
};

// How a key that the known-hosts file does not know is answered.
enum class HostKeyAnswer { kRefuse, kAcceptOnce, kAcceptAlways };

}  // namespace kestrel::net
