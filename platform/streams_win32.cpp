#include <winsock2.h>
#include <ws2tcpip.h>

// After winsock2.h: on its own it brings the older winsock.h, which clashes with it.
#include <windows.h>

#include <climits>
#include <mutex>
#include <set>

#include "platform/streams.h"

namespace kestrel::platform {

namespace {

SOCKET Handle(Socket socket) { return static_cast<SOCKET>(socket); }

// Winsock wants its start-up once in the process before any socket; libssh makes its own.
void StartWinsock() {
  static std::once_flag started;
  std::call_once(started, [] {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
  });
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = ::htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  return address;
}

// The sockets shut down and not yet closed. A recv already waiting is not woken by a shutdown
// everywhere (wine leaves it waiting), so ReceiveSome waits in short polls and looks here.
std::mutex shut_lock;
std::set<Socket> shut_down;

bool IsShutDown(Socket socket) {
  const std::lock_guard<std::mutex> lock(shut_lock);
  return shut_down.contains(socket);
}

int Chunk(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

Socket NewSocket() {
  StartWinsock();
  // Not inherited by the processes this one starts.
  const SOCKET handle =
      ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  return handle == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(handle);
}

}  // namespace

void SendAtOnce(Socket socket) {
  const BOOL on = TRUE;
  ::setsockopt(Handle(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
               sizeof on);
}

Socket ConnectLoopback(int port) {
  const Socket socket = NewSocket();
  if (socket == kNoSocket) return kNoSocket;
  SendAtOnce(socket);
  const sockaddr_in address = Loopback(port);
  if (::connect(Handle(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    CloseSocket(socket);
    return kNoSocket;
  }
  return socket;
}

Socket ListenLoopback(int& port) {
  const Socket socket = NewSocket();
  if (socket == kNoSocket) return kNoSocket;
  // Not SO_REUSEADDR: on Windows it would let another program take the port too.
  const BOOL on = TRUE;
  ::setsockopt(Handle(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
               sizeof on);
  const sockaddr_in address = Loopback(port);
  if (::bind(Handle(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(Handle(socket), 16) != 0) {
    CloseSocket(socket);
    return kNoSocket;
  }
  port = LocalPort(socket);
  return socket;
}

Socket AcceptConnection(Socket listening) {
  const SOCKET handle = ::accept(Handle(listening), nullptr, nullptr);
  return handle == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(handle);
}

bool SendAll(Socket socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const int n = ::send(Handle(socket), bytes.data(), Chunk(bytes.size()), 0);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::size_t ReceiveSome(Socket socket, char* buffer, std::size_t size) {
  for (;;) {
    if (IsShutDown(socket)) return 0;
    const int ready = WaitReadable(socket, 100);
    if (ready < 0) return 0;
    if (ready == 0) continue;
    if (IsShutDown(socket)) return 0;
    const int n = ::recv(Handle(socket), buffer, Chunk(size), 0);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}

void ShutdownSocket(Socket socket) {
  {
    const std::lock_guard<std::mutex> lock(shut_lock);
    shut_down.insert(socket);
  }
  ::shutdown(Handle(socket), SD_BOTH);
}

void CloseSocket(Socket socket) {
  if (socket == kNoSocket) return;
  {
    const std::lock_guard<std::mutex> lock(shut_lock);
    shut_down.erase(socket);
  }
  ::closesocket(Handle(socket));
}

int WaitReadable(Socket socket, int timeout_ms) {
  WSAPOLLFD watched{};
  watched.fd = Handle(socket);
  watched.events = POLLRDNORM;
  const int result = ::WSAPoll(&watched, 1, timeout_ms);
  if (result == SOCKET_ERROR) return -1;
  return result > 0 ? 1 : 0;
}

int LocalPort(Socket socket) {
  sockaddr_storage bound{};
  int size = sizeof bound;
  if (::getsockname(Handle(socket), reinterpret_cast<sockaddr*>(&bound), &size) != 0) return 0;
  return ::ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                             : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
}

short ReadableEvents() { return POLLRDNORM; }

void MakeStdinRaw() {
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(input, &mode)) return;  // a pipe or a file: nothing to change
  mode &= ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
  ::SetConsoleMode(input, mode | ENABLE_VIRTUAL_TERMINAL_INPUT);
}

std::size_t ReadStdin(char* buffer, std::size_t size) {
  DWORD read = 0;
  const DWORD wanted = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  if (!::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, wanted, &read, nullptr)) return 0;
  return read;
}

bool WriteStdout(std::string_view bytes) {
  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD size = bytes.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(bytes.size());
    if (!::WriteFile(output, bytes.data(), size, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace kestrel::platform
