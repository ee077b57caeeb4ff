#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/streams.h"

namespace kestrel::platform {

namespace {

int Fd(Socket socket) { return static_cast<int>(socket); }

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

void SendAtOnce(Socket socket) {
  const int on = 1;
  ::setsockopt(Fd(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

Socket ConnectLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  SendAtOnce(fd);
  const sockaddr_in address = Loopback(port);
  int result;
  do {
    result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

Socket ListenLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in address = Loopback(port);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  port = LocalPort(fd);
  return fd;
}

Socket AcceptConnection(Socket listening) {
  int fd;
  do {
    fd = ::accept4(Fd(listening), nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? kNoSocket : fd;
}

bool SendAll(Socket socket, std::string_view bytes) {
  while (!bytes.empty()) {
    // No SIGPIPE for a peer that has gone: the caller hears of it as false.
    const ssize_t n = ::send(Fd(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::size_t ReceiveSome(Socket socket, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::recv(Fd(socket), buffer, size, 0);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}

void ShutdownSocket(Socket socket) { ::shutdown(Fd(socket), SHUT_RDWR); }

void CloseSocket(Socket socket) {
  if (socket != kNoSocket) ::close(Fd(socket));
}

int WaitReadable(Socket socket, int timeout_ms) {
  pollfd watched{Fd(socket), POLLIN, 0};
  const int result = ::poll(&watched, 1, timeout_ms);
  if (result < 0) return errno == EINTR ? 0 : -1;
  return result > 0 ? 1 : 0;
}

int LocalPort(Socket socket) {
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&bound), &size) != 0) return 0;
  return ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                           : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
}

short ReadableEvents() { return POLLIN; }

void MakeStdinRaw() {
  if (!::isatty(STDIN_FILENO)) return;
  termios raw{};
  if (::tcgetattr(STDIN_FILENO, &raw) != 0) return;
  ::cfmakeraw(&raw);
  ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

std::size_t ReadStdin(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}

bool WriteStdout(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace kestrel::platform
