#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

namespace kestrel::cli {

// SIGTERM and SIGINT as a request to stop the job, handled on the event loop. The signal
// handler only writes the signal's number into a pipe; the event loop reads it and calls
// `on_signal`, where anything may be done. Each handler is given once: a second signal of
// the same kind acts as it would without this (the program ends), for whoever cannot wait.
// The previous handlers come back when this goes.
class StopSignals {
 public:
  explicit StopSignals(std::function<void(int signal)> on_signal);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // "SIGTERM", "SIGINT".
  static const char* Name(int signal);

 private:
  static void Handler(int signal);
  void Read();

  std::function<void(int)> on_signal_;
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction old_term_ {};
  struct sigaction old_int_ {};
};

}  // namespace kestrel::cli
