#include "cli/job_runner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <iostream>
#include <optional>

#include "mml/text.h"
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
    // Whatever a printout held, nothing that could act on the engineer's terminal is printed.
    for (; printed_ < complete; ++printed_) {
      std::cout << mml::Printable(report_.Line(printed_)) << '\n';
    }
    std::cout.flush();
  }

 private:
  controls::Memo& report_;
  controls::Notifier::Subscription subscription_;
  std::size_t printed_ = 0;
};

}  // namespace

std::vector<std::string> Recap(const pages::Outcomes& outcomes,
                               const std::vector<std::string>& elements, bool& clean) {
  std::vector<std::string> named = elements;
  for (const auto& outcome : outcomes.All()) named.push_back(outcome.element);
  std::vector<std::string> lines, seen;
  clean = true;
  for (const std::string& element : named) {
    if (std::find(seen.begin(), seen.end(), element) != seen.end()) continue;
    seen.push_back(element);
    pages::ElementOutcome never;
    never.element = element;
    const pages::ElementOutcome* outcome = outcomes.Find(element);
    if (outcome == nullptr) outcome = &never;
    clean = clean && outcome->Clean();
    lines.push_back(mml::Printable(pages::RecapLine(*outcome)));
  }
  return lines;
}

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

  QElapsedTimer elapsed;
  elapsed.start();
  platform::Dispatch(job.start);
  if (!error && job.running()) QCoreApplication::exec();
  watch.stop();
  // A connect cut short by the job's deadline fails before the timer can fire: that is the
  // time-out too, not a failure of its own.
  if (error && job.timeout_s > 0 && elapsed.elapsed() >= job.timeout_s * 1000LL) {
    timed_out = true;
  }
  if ((error || timed_out) && job.running()) platform::Dispatch(job.stop);
  platform::SetErrorSink({});
  printer.Print(true);

  bool clean = true;
  if (job.outcomes != nullptr) {
    for (const std::string& line : Recap(*job.outcomes, job.elements, clean)) {
      std::cerr << "recap: " << line << '\n';
    }
  }
  if (error && !timed_out) {
    std::cerr << "kestrel-batch: " << mml::Printable(*error) << std::endl;
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
  return clean ? 0 : 1;
}

}  // namespace kestrel::cli
