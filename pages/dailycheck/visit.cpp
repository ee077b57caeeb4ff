// One visit of an element: what its orders blocked and whether the deblocks were confirmed,
// how it ended, and its report file. An object counts as blocked from the moment its block
// order is sent until a deblock order is confirmed with "EXECUTED".
#include <algorithm>
#include <cstdio>

#include "mml/columns.h"
#include "pages/dailycheck/dailycheck_page.h"
#include "platform/file_names.h"

namespace kestrel::dailycheck {

namespace {
constexpr std::string_view kRelease = "\x04";
constexpr std::string_view kConfirm = ";";
// Report files of one element within one second get a counter; past this many the share is
// taken to be answering wrongly.
constexpr int kSameNameMost = 1000;
}  // namespace

void DailyCheckPage::Sending(const std::string& entry) {
  if (visit_.deblock && visit_.deblock->confirming && entry != kConfirm) {
    Unconfirmed(*visit_.deblock);  // the engineer took the ";" out of the queue
    visit_.deblock.reset();
  }
  if (entry == kConfirm || entry == kRelease) return;
  visit_.last_order = entry;
  const std::optional<BlockOrder> order = ReadBlockOrder(entry);
  if (!order) return;
  if (order->blocks) {
    visit_.blocked.Add(order->object);
    Outcomes.Blocked(order->object);
  } else {
    visit_.deblock = Deblock{order->object, entry, false};
  }
}

void DailyCheckPage::Answered(const std::string& entry, const mml::Answer& answer) {
  if (answer.Refused()) {
    const std::string command = entry == kConfirm && !visit_.last_order.empty()
                                    ? "; after " + visit_.last_order
                                : entry == kRelease ? std::string("Ctrl-D")
                                                    : entry;
    Problem(answer.RefusalNote(visit_.element, command));
  }
  NoteAnswer(entry, answer);
  if (!visit_.deblock) return;
  Deblock& deblock = *visit_.deblock;
  const bool own = !deblock.confirming && entry == deblock.order;
  const bool confirmation = deblock.confirming && entry == kConfirm;
  if (!own && !confirmation) return;
  if (answer.Executed()) {
    visit_.blocked.Remove(deblock.object);
    Outcomes.Deblocked(deblock.object);
  } else if (!answer.Refused()) {
    // The exchange asks for ";" before it carries an order out: its answer decides.
    if (own && Memokom.LineCount() > 1 && Memokom.Line(1) == kConfirm) {
      deblock.confirming = true;
      return;
    }
    Unconfirmed(deblock);
  }
  visit_.deblock.reset();
}

void DailyCheckPage::Unconfirmed(const Deblock& deblock) {
  Problem(visit_.element + ": " + mml::Printable(deblock.order) +
          " not confirmed: no EXECUTED in its answer");
}

void DailyCheckPage::VisitDone() {
  Outcomes.Finished();
  Settle(true);
  if (!visit_.blocked.Empty()) {
    const std::string line = visit_.element + ": queue done; may still be blocked: " +
                             mml::Printable(visit_.blocked.Joined());
    Report(line + " " + TimeOfDay());
    session_.Note(line);
  }
  EndPass(PassEnding::kChecked, "");
  visit_.open = false;
}

// The session ended before the visit's work was done. When its queue had work or its orders
// left objects blocked, the report pane says what was in flight and what may still be
// blocked, and the element's report file keeps the session as far as it went.
void DailyCheckPage::VisitEndedEarly() {
  std::string why = end_reason_;
  if (!IdTelnetdc.ConnectError.empty()) {
    why = "connection failed: " + mml::Printable(IdTelnetdc.ConnectError);
  } else {
    if (why.empty()) {
      why = "connection lost";
      if (!IdTelnetdc.EndReason.empty()) {
        why += " (" + mml::Printable(IdTelnetdc.EndReason) + ")";
      }
    }
    if (!DcAttached) {
      if (!session_.LoginRefused()) why += " during the login";
    } else if (const std::string command = InFlight(); !command.empty()) {
      why += " while " + command + " was in flight";
    }
  }
  Outcomes.EndedEarly(why);
  EndPass(EarlyEnding(), why);
  Settle(DcAllipDone == "OK");
  last_end_ = why;
  const bool queue_work = visit_.queue_started && Memokom.LineCount() > 0;
  if (queue_work || !visit_.blocked.Empty()) {
    const std::string line = visit_.element + ": " + why + "; " +
                             (visit_.blocked.Empty() ? std::string("nothing blocked")
                                                     : "may still be blocked: " +
                                                           mml::Printable(visit_.blocked.Joined()));
    Report(line + " " + TimeOfDay());
    session_.Note(line);
    SaveReportFile(visit_.element);
    Memodc.Clear();
  } else if (!visit_.noted && IdTelnetdc.ConnectError.empty()) {
    // Every early end is one line of the report, with its time and why.
    const std::string line = visit_.element + ": " + why;
    Report(line + " " + TimeOfDay());
    session_.Note(line);
  }
  visit_.open = false;
}

std::string DailyCheckPage::InFlight() const {
  if (DcStep == mml::kReady) return {};
  if (DcStep == kRelease) return "Ctrl-D";
  return mml::Printable(DcStep);
}

// The session log of an element, as
// <root>/Kestreldailycheck/<element>_Create_<ddmmyyyy_hhmmss>.txt, with "_2", "_3", ...
// before ".txt" when that name is taken: a report never replaces another. The element's
// name is only ever a file name, the same on Windows and Linux (platform::FileSafe).
void DailyCheckPage::SaveReportFile(const std::string& element) {
  const platform::LocalDateTime now = clock_.Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%04d_%02d%02d%02d", now.day, now.month, now.year,
                now.hour, now.minute, now.second);
  const std::string name = platform::FileSafe(element + "_Create_" + stamp);
  // The root may be a UNC path or a drive of a Windows workstation: the separators are the
  // system's own, so the pane names the file as the engineer would type it.
  const auto in_folder = [this](const std::string& file) {
    return platform::JoinPath(platform::kNativePathStyle, report_share_root_,
                              "Kestreldailycheck/" + file);
  };
  std::string text;
  for (std::size_t i = 0; i < Memodc.LineCount(); ++i) text.append(Memodc.Line(i)).append("\r\n");
  std::string path = in_folder(name + ".txt");
  try {
    for (int n = 2; files_.Exists(path); ++n) {
      if (n > kSameNameMost) throw std::runtime_error("every name of this second is taken");
      path = in_folder(name + "_" + std::to_string(n) + ".txt");
    }
    files_.WriteWhole(path, text);
  } catch (const std::exception& error) {
    Report(element + ": report file " + path + " not saved: " + mml::Printable(error.what()));
    Outcomes.Unsaved(path);
  }
}

void DailyCheckPage::Report(const std::string& text) { Memoreportdc.AddLine(text); }

void DailyCheckPage::Found(std::string_view kind, std::string alarm_class, std::string slogan,
                           const std::string& line, const platform::LocalDateTime& at) {
  if (pass_ && kind == "warning") {
    pass_->warnings.push_back(mml::Printable(line));
    if (!alarm_class.empty() && !pass_->alarms.empty()) pass_->alarms.back().warned = true;
  }
  if (RecordResults) {
    Results.push_back({mml::Printable(visit_.element), DateTime(at), std::move(alarm_class),
                       mml::Printable(slogan), std::string(kind), mml::Printable(line)});
  }
  Report(line);
}

void DailyCheckPage::Problem(const std::string& text) {
  Report(text + " " + TimeOfDay());
  Outcomes.Problem(text);
  session_.Note(text);
}

std::string DailyCheckPage::DateTime() const { return DateTime(clock_.Now()); }

std::string DailyCheckPage::TimeOfDay() const { return TimeOfDay(clock_.Now()); }

std::string DailyCheckPage::DateTime(const platform::LocalDateTime& now) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", now.day, now.month, now.year,
                now.hour, now.minute, now.second);
  return text;
}

std::string DailyCheckPage::TimeOfDay(const platform::LocalDateTime& now) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  return text;
}

}  // namespace kestrel::dailycheck
