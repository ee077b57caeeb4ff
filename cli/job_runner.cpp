#include "cli/job_runner.h"

#include <QCoreApplication>
#include <QTimer>
#include <iostream>
#include <optional>

#include "platform/dispatch.h"

namespace kestrel::cli {

namespace {

// Writes the report's complete lines to standard output as they appear.
class ReportPrinter {
 public:
  explicit ReportPrinter(controls::Memo& report)
      : report_(report), subscription_(report.changed.Subscribe([this] { Print(false); })) {}
  void Print(bool all) {
    const std::string& text = report_.Text();
    std::size_t complete = report_.LineCount();
    if (!all && complete > 0 && !text.ends_with("\r\n")) --complete;
    for (; printed_ < complete; ++printed_) std::cout << report_.Line(printed_) << '\n';
    std::cout.flush();
  }

 private:
  controls::Memo& report_;
  controls::Notifier::Subscription subscription_;
  std::size_t printed_ = 0;
};

}  // namespace

int RunJob(Job job) {
  ReportPrinter printer(job.report);
  std::optional<std::string> error;
  bool timed_out = false;
  platform::SetErrorSink([&](const std::string& message) {
    if (!error) error = message;
    QCoreApplication::exit(1);
  });
  // Looked at between events only: within one handler a queue job may stop and start again.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!job.running()) QCoreApplication::exit(0);
  });
  watch.start(20);
  if (job.timeout_s > 0) {
    QTimer::singleShot(job.timeout_s * 1000, [&] {
      timed_out = true;
      QCoreApplication::exit(3);
    });
  }

  platform::Dispatch(job.start);
  if (!error && job.running()) QCoreApplication::exec();
  watch.stop();
  if ((error || timed_out) && job.running()) platform::Dispatch(job.stop);
  platform::SetErrorSink({});
  printer.Print(true);

  if (error) {
    std::cerr << "kestrel-batch: " << *error << std::endl;
    return 1;
  }
  const std::string unfinished = job.unfinished();
  if (timed_out) {
    std::cerr << "kestrel-batch: stopped after " << job.timeout_s << " s without an end"
              << (unfinished.empty() ? "" : "; " + unfinished) << std::endl;
    return 3;
  }
  if (!unfinished.empty()) {
    std::cerr << "kestrel-batch: the session ended early; " << unfinished << std::endl;
    return 1;
  }
  return 0;
}

}  // namespace kestrel::cli
