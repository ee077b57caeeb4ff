#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "platform/os.h"

namespace kestrel::platform {

bool LocalTime(std::time_t when, std::tm& local) { return ::localtime_r(&when, &local) != nullptr; }

NewFile CreateNewFile(const std::string& path) {
  NewFile file;
  file.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (file.fd < 0) {
    file.exists = errno == EEXIST;
    file.error = std::strerror(errno);
  }
  return file;
}

long long WriteSome(int fd, const char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::write(fd, data, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool CloseFile(int fd) { return ::close(fd) == 0; }

bool TurnOnTcpKeepalive(std::intptr_t socket) {
  const int on = 1;
  return ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0;
}

void SetStdoutBinary() {}

namespace {

// The handler only writes the signal's number into a pipe (a plain int is all it may touch);
// the watch's thread reads it. Byte 0 ends the thread.
volatile sig_atomic_t write_end = -1;
int pipe_ends[2] = {-1, -1};
struct sigaction old_term {};
struct sigaction old_int {};
std::thread reader;

void Handler(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  // A full pipe already holds a request to stop: nothing is lost.
  if (write_end >= 0) [[maybe_unused]]
    const ssize_t written = ::write(write_end, &number, 1);
  errno = saved;
}

}  // namespace

StopSignalWatch::StopSignalWatch(std::function<void(StopSignal)> on_stop) {
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot make the pipe for SIGTERM and SIGINT");
  }
  // The handler must never block; the thread may.
  ::fcntl(pipe_ends[1], F_SETFL, O_NONBLOCK);
  reader = std::thread([on_stop = std::move(on_stop)] {
    unsigned char number = 0;
    for (;;) {
      const ssize_t n = ::read(pipe_ends[0], &number, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n != 1 || number == 0) return;
      on_stop(number == SIGTERM ? StopSignal::kTerminate : StopSignal::kInterrupt);
    }
  });
  write_end = pipe_ends[1];
  struct sigaction action {};
  action.sa_handler = &Handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  ::sigaction(SIGTERM, &action, &old_term);
  ::sigaction(SIGINT, &action, &old_int);
  // SIGINT of a job started in the background stays ignored.
  if (old_term.sa_handler == SIG_IGN) ::sigaction(SIGTERM, &old_term, nullptr);
  if (old_int.sa_handler == SIG_IGN) ::sigaction(SIGINT, &old_int, nullptr);
}

StopSignalWatch::~StopSignalWatch() {
  ::sigaction(SIGTERM, &old_term, nullptr);
  ::sigaction(SIGINT, &old_int, nullptr);
  write_end = -1;
  const unsigned char end = 0;
  [[maybe_unused]] const ssize_t written = ::write(pipe_ends[1], &end, 1);
  reader.join();
  ::close(pipe_ends[0]);
  ::close(pipe_ends[1]);
}

std::optional<std::string> StoredPassword(const std::string&) { return std::nullopt; }

std::optional<bool> AccessListLetsOthersRead(const std::string&) { return std::nullopt; }

}  // namespace kestrel::platform
