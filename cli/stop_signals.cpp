#include "cli/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace kestrel::cli {

namespace {
// The write end for the handler: a plain int is all a signal handler may touch.
volatile sig_atomic_t write_end = -1;
}  // namespace

void StopSignals::Handler(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  if (write_end >= 0) {
    // A full pipe already holds a request to stop: nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(write_end, &number, 1);
  }
  errno = saved;
}

StopSignals::StopSignals(std::function<void(int)> on_signal) : on_signal_(std::move(on_signal)) {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw std::runtime_error("cannot make the pipe for SIGTERM and SIGINT");
  }
  write_end = pipe_[1];
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Read(); });
  struct sigaction action {};
  action.sa_handler = &StopSignals::Handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  ::sigaction(SIGTERM, &action, &old_term_);
  ::sigaction(SIGINT, &action, &old_int_);
  // A signal ignored by whoever started the program (SIGINT of a job started in the
  // background) stays ignored.
  if (old_term_.sa_handler == SIG_IGN) ::sigaction(SIGTERM, &old_term_, nullptr);
  if (old_int_.sa_handler == SIG_IGN) ::sigaction(SIGINT, &old_int_, nullptr);
}

StopSignals::~StopSignals() {
  ::sigaction(SIGTERM, &old_term_, nullptr);
  ::sigaction(SIGINT, &old_int_, nullptr);
  write_end = -1;
  notifier_.reset();
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void StopSignals::Read() {
  unsigned char number = 0;
  while (::read(pipe_[0], &number, 1) == 1) {
    if (on_signal_) on_signal_(number);
  }
}

const char* StopSignals::Name(int signal) {
  switch (signal) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    default:
      return "a signal";
  }
}

}  // namespace kestrel::cli
