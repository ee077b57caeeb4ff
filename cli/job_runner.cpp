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
  auto stop = [&] {
    if (job.start_button.Caption() == "Stop") platform::Dispatch(job.start);
  };
  platform::SetErrorSink([&](const std::string& message) {
    if (!error) error = message;
    QCoreApplication::exit(1);
  });
  // Between two items of a queue the button reads "Start" for a moment within one handler;
  // the job has ended only if it still reads "Start" once that handler is over.
  auto watch = job.start_button.changed.Subscribe([&] {
    QTimer::singleShot(0, [&] {
      if (job.start_button.Caption() == "Start") QCoreApplication::exit(0);
    });
  });
  if (job.timeout_s > 0) {
    QTimer::singleShot(job.timeout_s * 1000, [&] {
      timed_out = true;
      QCoreApplication::exit(3);
    });
  }

  platform::Dispatch(job.start);
  if (!error && job.start_button.Caption() == "Stop") QCoreApplication::exec();
  if (error || timed_out) stop();
  watch.Reset();
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
