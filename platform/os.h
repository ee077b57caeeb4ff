#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

// The few system calls Kestrel makes outside Qt, with a POSIX and a Win32 implementation
// (os_posix.cpp, os_win32.cpp). Nothing here needs Qt.
namespace kestrel::platform {

// The local date and time of `when`; false when the system cannot say.
bool LocalTime(std::time_t when, std::tm& local);

// A file made for writing. `fd` is -1 when it could not be made: `exists` when the name was
// taken, else `error` says why.
struct NewFile {
  int fd = -1;
  bool exists = false;
  std::string error;
};
// Makes the file `path` (UTF-8), never one that is there already. Bytes are written as they
// are given (no LF to CR LF), the file stays out of programs started from this one, and on
// POSIX only its owner may read it (on Windows the folder's access list applies).
NewFile CreateNewFile(const std::string& path);
// Writes up to `size` bytes of `data` to `fd`; the count written, or -1 on failure. An
// interrupted write is tried again.
long long WriteSome(int fd, const char* data, std::size_t size);
bool CloseFile(int fd);

// Standard output takes bytes as they are: a CSV line's "\r\n" stays "\r\n" on Windows,
// where a text-mode stream would make it "\r\r\n".
void SetStdoutBinary();

// TCP keepalive on a connected socket (a descriptor on POSIX, a SOCKET on Windows), so that a
// firewall does not drop a session during its long waits; false when the system refused.
bool TurnOnTcpKeepalive(std::intptr_t socket);

// The requests to stop that a console program gets: SIGTERM and SIGINT on POSIX; Ctrl+C,
// Ctrl+Break and the console window closing (or the user logging off, the system shutting
// down) on Windows.
enum class StopSignal { kTerminate, kInterrupt, kBreak, kClose };
// "SIGTERM", "SIGINT", "Ctrl+Break", "the console closing" (Ctrl+C is "SIGINT" on Windows too).
const char* StopSignalName(StopSignal signal);

// While it lives, the stop signals call `on_stop` on a thread of the watch's own, never in a
// signal handler, so that it may take locks (post to an event loop). Each kind is taken once:
// a second of the same kind acts as it would without the watch (the program ends), for whoever
// cannot wait. A signal ignored by whoever started the program stays ignored. A closing
// console is held until the watch ends (the program has written its reports) or for the few
// seconds Windows allows. One watch at a time.
class StopSignalWatch {
 public:
  explicit StopSignalWatch(std::function<void(StopSignal)> on_stop);
  ~StopSignalWatch();
  StopSignalWatch(const StopSignalWatch&) = delete;
  StopSignalWatch& operator=(const StopSignalWatch&) = delete;
};

// The password the system keeps for the gateway `host`: on Windows the generic credential
// "Kestrel/<host>" of the Credential Manager; POSIX has no such store (none).
std::optional<std::string> StoredPassword(const std::string& host);

// Whether users other than the file's owner, the administrators and the system may read it,
// from its access list on Windows; none where it cannot be told (no such file) and on POSIX,
// where the permission bits say it.
std::optional<bool> AccessListLetsOthersRead(const std::string& path);

#ifdef _WIN32
// What the console control handler does with the event `type` (CTRL_C_EVENT, ...): true
// when the watch took it. Exposed for the tests, which cannot close their own console.
bool HandleConsoleEvent(unsigned long type);
// The access list `acl` (an ACL) of a file owned by `owner` (a SID) lets others read it: the
// rule of AccessListLetsOthersRead, exposed for the tests (wine keeps no access lists of files).
bool AclLetsOthersRead(const void* acl, const void* owner);
#endif

}  // namespace kestrel::platform
