#include "cli/job_runner.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <iostream>
#include <optional>

#include "mml/text.h"
#include "platform/dispatch.h"
#include "platform/os.h"

namespace kestrel::cli {

ReportPrinter::ReportPrinter(controls::Memo& report)
    : report_(report), subscription_(report.changed.Subscribe([this] { Print(false); })) {}

void ReportPrinter::Print(bool all) {
  const std::size_t complete = all ? report_.LineCount() : report_.EndedLineCount();
  // Whatever a printout held, nothing that could act on the engineer's terminal is printed.
  for (; printed_ < complete; ++printed_) {
    std::cout << mml::PrintableLine(report_.Line(printed_)) << '\n';
  }
  std::cout.flush();
}

std::function<std::vector<pages::ElementOutcome>()> OutcomesOf(const pages::Outcomes& outcomes) {
  return [&outcomes] { return outcomes.All(); };
}

std::vector<std::string> Recap(const std::vector<pages::ElementOutcome>& outcomes,
                               const std::vector<std::string>& elements, bool& clean) {
  std::vector<std::string> named = elements;
  for (const auto& outcome : outcomes) named.push_back(outcome.element);
  std::vector<std::string> lines, seen;
  clean = true;
  for (const std::string& element : named) {
    if (std::find(seen.begin(), seen.end(), element) != seen.end()) continue;
    seen.push_back(element);
    pages::ElementOutcome never;
    never.element = element;
    const auto found =
        std::find_if(outcomes.begin(), outcomes.end(),
                     [&](const pages::ElementOutcome& o) { return o.element == element; });
    const pages::ElementOutcome& outcome = found == outcomes.end() ? never : *found;
    clean = clean && outcome.Clean();
    lines.push_back(mml::Printable(pages::RecapLine(outcome)));
  }
  return lines;
}

namespace {
// What a run leaves behind that someone must see to: an object that may still be blocked, a
// report that was not saved.
bool LeftOpen(const std::vector<pages::ElementOutcome>& outcomes) {
  return std::any_of(outcomes.begin(), outcomes.end(), [](const pages::ElementOutcome& o) {
    return !o.maybe_blocked.empty() || !o.unsaved.empty();
  });
}
}  // namespace

int RunJob(Job job) {
  std::optional<std::string> error;
  bool timed_out = false;
  std::optional<platform::StopSignal> stopped_by;  // what asked for the stop
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
  // The watch calls from a thread of its own: the request is handled on the event loop.
  QObject stop_context;
  platform::StopSignalWatch stop_signals([&](platform::StopSignal signal) {
    QMetaObject::invokeMethod(
        &stop_context,
        [&, signal] {
          if (stopped_by) return;
          stopped_by = signal;
          QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
  });

  platform::Dispatch(job.start);
  if (!error && job.running()) QCoreApplication::exec();
  watch.stop();
  if ((error || timed_out || stopped_by) && job.running()) platform::Dispatch(job.stop);
  platform::SetErrorSink({});
  if (job.print) job.print(true);
  std::cout.flush();

  bool clean = true;
  const std::vector<pages::ElementOutcome> outcomes =
      job.outcomes ? job.outcomes() : std::vector<pages::ElementOutcome>{};
  if (job.outcomes) {
    for (const std::string& line : Recap(outcomes, job.elements, clean)) {
      std::cerr << "recap: " << line << '\n';
    }
  }
  if (error && !timed_out) {
    std::cerr << "kestrel-batch: " << mml::Printable(*error) << std::endl;
    return 1;
  }
  const std::string unfinished = job.unfinished ? job.unfinished() : std::string();
  if (timed_out) {
    std::cerr << "kestrel-batch: stopped after " << job.timeout_s << " s without an end"
              << (unfinished.empty() ? "" : "; " + unfinished) << std::endl;
    return 3;
  }
  if (stopped_by) {
    std::cerr << "kestrel-batch: stopped by " << platform::StopSignalName(*stopped_by)
              << (unfinished.empty() ? "" : "; " + unfinished) << std::endl;
    if (job.endless) return LeftOpen(outcomes) ? 1 : 0;
    return unfinished.empty() && clean ? 0 : 1;
  }
  if (!unfinished.empty()) {
    std::cerr << "kestrel-batch: the session ended early; " << unfinished << std::endl;
    return 1;
  }
  return clean ? 0 : 1;
}

}  // namespace kestrel::cli
