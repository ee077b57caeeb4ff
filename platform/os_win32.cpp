#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <winsock2.h>

// After winsock2.h: on its own it brings the older winsock.h, which clashes with it.
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <wincred.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/os.h"
#include "platform/win32_text.h"

namespace kestrel::platform {

bool LocalTime(std::time_t when, std::tm& local) { return ::localtime_s(&local, &when) == 0; }

NewFile CreateNewFile(const std::string& path) {
  NewFile file;
  // Binary: a log line ends in LF as on every system, and its bytes are counted as written.
  file.fd = ::_wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                     _S_IREAD | _S_IWRITE);
  if (file.fd < 0) {
    file.exists = errno == EEXIST;
    file.error = std::strerror(errno);
  }
  return file;
}

long long WriteSome(int fd, const char* data, std::size_t size) {
  const unsigned chunk = size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
  for (;;) {
    const int n = ::_write(fd, data, chunk);
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool CloseFile(int fd) { return ::_close(fd) == 0; }

bool TurnOnTcpKeepalive(std::intptr_t socket) {
  const BOOL on = TRUE;
  return ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_KEEPALIVE,
                      reinterpret_cast<const char*>(&on), sizeof on) == 0;
}

void SetStdoutBinary() {
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

namespace {

// Windows calls the handler on a thread of its own: it may call `on_stop` directly.
std::mutex mutex;
std::condition_variable ended;
std::function<void(StopSignal)> on_stop;
bool watching = false;
bool taken[4] = {};

// Windows ends the program this long after a close, logoff or shutdown event at the latest.
constexpr auto kCloseGrace = std::chrono::milliseconds(4500);

BOOL WINAPI ConsoleHandler(DWORD type) { return HandleConsoleEvent(type) ? TRUE : FALSE; }

}  // namespace

bool HandleConsoleEvent(unsigned long type) {
  StopSignal signal;
  switch (type) {
    case CTRL_C_EVENT:
      signal = StopSignal::kInterrupt;
      break;
    case CTRL_BREAK_EVENT:
      signal = StopSignal::kBreak;
      break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      signal = StopSignal::kClose;
      break;
    default:
      return false;
  }
  std::unique_lock lock(mutex);
  bool& once = taken[static_cast<int>(signal)];
  if (!watching || once) return false;  // the default: the program ends
  once = true;
  const std::function<void(StopSignal)> call = on_stop;
  lock.unlock();
  call(signal);
  if (signal == StopSignal::kClose) {
    // Returning lets Windows end the program at once: give it the time to wind up.
    lock.lock();
    ended.wait_for(lock, kCloseGrace, [] { return !watching; });
  }
  return true;
}

StopSignalWatch::StopSignalWatch(std::function<void(StopSignal)> on_stop_given) {
  {
    std::lock_guard lock(mutex);
    on_stop = std::move(on_stop_given);
    watching = true;
    for (bool& once : taken) once = false;
  }
  ::SetConsoleCtrlHandler(&ConsoleHandler, TRUE);
}

StopSignalWatch::~StopSignalWatch() {
  ::SetConsoleCtrlHandler(&ConsoleHandler, FALSE);
  std::lock_guard lock(mutex);
  watching = false;
  ended.notify_all();
}

std::optional<std::string> StoredPassword(const std::string& host) {
  PCREDENTIALW credential = nullptr;
  if (!::CredReadW(Wide("Kestrel/" + host).c_str(), CRED_TYPE_GENERIC, 0, &credential)) {
    return std::nullopt;
  }
  const std::unique_ptr<CREDENTIALW, decltype(&::CredFree)> held(credential, &::CredFree);
  // The Credential Manager and cmdkey keep a password as UTF-16.
  const std::wstring password(reinterpret_cast<const wchar_t*>(credential->CredentialBlob),
                              credential->CredentialBlobSize / sizeof(wchar_t));
  return Utf8(password);
}

std::optional<bool> AccessListLetsOthersRead(const std::string& path) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::unique_ptr<void, decltype(&::LocalFree)> held(descriptor, &::LocalFree);
  return AclLetsOthersRead(dacl, owner);
}

bool AclLetsOthersRead(const void* acl_given, const void* owner_given) {
  const auto* dacl = static_cast<const ACL*>(acl_given);
  const PSID owner = const_cast<void*>(owner_given);
  if (dacl == nullptr) return true;  // no access list: everyone may do anything
  constexpr ACCESS_MASK kReading = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(const_cast<ACL*>(dacl), i, &entry)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    // Denials are not weighed: a file that others may not read after all still gets the
    // warning, which asks for an access list that grants them nothing.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) {
      continue;
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    if ((allowed->Mask & kReading) == 0) continue;
    const PSID sid = &allowed->SidStart;
    if ((owner != nullptr && ::EqualSid(sid, owner)) ||
        ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
        ::IsWellKnownSid(sid, WinLocalSystemSid)) {
      continue;
    }
    return true;
  }
  return false;
}

}  // namespace kestrel::platform
