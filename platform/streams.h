#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Byte streams outside Qt: TCP on loopback (the simulator's SSH side reaches its own telnet
// gateway that way) and the process's standard input and output, for POSIX and Win32.
namespace kestrel::platform {

// The system's socket: an int on POSIX, a SOCKET on Windows; both fit.
using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// A connection to `port` on 127.0.0.1, each write sent at once (no Nagle delay); kNoSocket
// when nothing listens there.
Socket ConnectLoopback(int port);
// Listens on 127.0.0.1 at `port`, or a free port when it is 0; `port` then holds the port.
Socket ListenLoopback(int& port);
Socket AcceptConnection(Socket listening);
// Turns off the Nagle delay: what is said goes out in the pieces it was said in.
void SendAtOnce(Socket socket);

// False when the connection broke before all was sent.
bool SendAll(Socket socket, std::string_view bytes);
// What has come, at most `size` bytes, waiting for some; 0 when the peer has closed, the
// socket was shut down or it failed.
std::size_t ReceiveSome(Socket socket, char* buffer, std::size_t size);
// Ends both directions: a thread waiting in ReceiveSome on it gets 0.
void ShutdownSocket(Socket socket);
void CloseSocket(Socket socket);
// 1 when there is something to read (or the peer closed), 0 after `timeout_ms`, -1 on error.
int WaitReadable(Socket socket, int timeout_ms);
// The port the socket is bound to, or 0.
int LocalPort(Socket socket);
// The poll() event mask for "readable" on this system, as libssh's event loop takes it.
short ReadableEvents();

// On a terminal the keys pass as typed: no line editing, no echo, CR stays CR.
void MakeStdinRaw();
// What standard input has, at most `size` bytes, waiting for some; 0 at its end.
std::size_t ReadStdin(char* buffer, std::size_t size);
bool WriteStdout(std::string_view bytes);

}  // namespace kestrel::platform
