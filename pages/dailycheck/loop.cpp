// The supervision loop: one session per element, the alarm list, the solution queue, and on
// to the next element.
#include "mml/columns.h"
#include "pages/dailycheck/dailycheck_page.h"

namespace kestrel::dailycheck {

using mml::Contains;

namespace {
constexpr std::string_view kAlarmList = "ALLIP;";
constexpr std::string_view kRelease = "\x04";
}  // namespace

void DailyCheckPage::Chunk(std::string_view chunk) {
  if (StopIfNoElement()) return;
  const std::uint64_t session = session_serial_;
  if (!visit_.open || !Going(session)) {
    // Text that arrived just before the session closed: it belongs in the log, but nothing
    // more is sent on its account.
    if (visit_.open && DcAttached) session_.Receive(chunk, visit_.element);
    return;
  }
  const mml::Received received = session_.Receive(chunk, visit_.element);
  if (received.overflow) {
    Report(*received.overflow + " " + TimeOfDay());
    visit_.noted = true;
    session_.Note(*received.overflow);
    EndSession("the answer passed the printout cap");
    return;
  }
  if (received.attached_now) {
    Outcomes.Reached();
    *refusals_in_a_row_ = 0;
  }
  if (received.refused) {
    Refused(*received.refused);
    return;
  }
  const bool prompt = Contains(chunk, "<");
  if (DcStep == kAlarmList && prompt) {
    switch (ScanAlarmList()) {
      case ScanState::kPaused:
        return;  // the rest of the list, and what follows it, after the warning's sound
      case ScanState::kDone:
        NextCommand();
        return;
      case ScanState::kIncomplete:
        break;
    }
  }
  if (prompt && Going(session) && Memokom.LineCount() > 0 && DcStep == Memokom.Line(0)) {
    QueueEntryDone();
  }
  NextCommand();
}

// The gateway refused the login or the element: the loop goes on with the next element. When
// every element of the list was refused in a row, the login itself is at fault; the watchdog
// then tries again at its own pace rather than at once, over and over.
void DailyCheckPage::Refused(const std::string& words) {
  const std::string line = visit_.element + ": refused: " + words;
  Report(line + " " + TimeOfDay());
  visit_.noted = true;
  session_.Note(line);
  if (++*refusals_in_a_row_ < ListBoxdc.Count()) {
    RestartCycle(words);
  } else {
    EndSession(words);
  }
}

// The alarm list is scanned once, when its end has arrived: an "END" line whose second row
// below holds the prompt. Each alarm of a visit thus gives one warning and one solution at
// most, however the network cut the list.
DailyCheckPage::ScanState DailyCheckPage::ScanAlarmList() {
  const std::optional<std::size_t> end = ListEnd();
  if (!end) {
    // A refused list cannot be read: the element is noted and the loop goes on with the next
    // one at once, rather than waiting for its watchdog.
    const mml::Answer answer = mml::ReadAnswer(Memobufdc);
    if (!answer.Refused() || !answer.prompt) return ScanState::kIncomplete;
    Problem(answer.RefusalNote(visit_.element, kAlarmList));
    Settle(false);
    EndPass(PassEnding::kUnknownElement, answer.RefusalNote(visit_.element, kAlarmList));
    visit_.open = false;  // not done, and nothing of it left in flight
    RestartCycle("");
    return ScanState::kDone;
  }
  scan_ = Scan{0, *end};
  last_warning_key_.clear();
  if (ManyAlarmsTest()) return ScanState::kPaused;
  return ContinueScan();
}

DailyCheckPage::ScanState DailyCheckPage::ContinueScan() {
  while (scan_->next <= scan_->end) {
    const std::size_t i = scan_->next++;
    NoteAlarm(i);
    SolutionRules(i);
    if (WarningRule(i)) return ScanState::kPaused;
  }
  scan_.reset();
  DcStep = mml::kReady;
  DcAllipDone = "OK";
  if (Memokom.LineCount() == 0) {
    VisitDone();
    Memodc.Clear();
    RestartCycle("");
  }
  return ScanState::kDone;
}

std::optional<std::size_t> DailyCheckPage::ListEnd() const {
  for (std::size_t i = 0; i < Memobufdc.LineCount(); ++i) {
    if (Contains(Memobufdc.Line(i), "END") &&
        Contains(Memobufdc.Line(mml::RowBelow(Memobufdc, i, 2)), "<")) {
      return i;
    }
  }
  return std::nullopt;
}

// The head of the queue has its answer: follow-ups for its event codes, then the next entry,
// or, when the queue is empty, the report file and the next element.
void DailyCheckPage::QueueEntryDone() {
  const std::string entry(Memokom.Line(0));
  const mml::Answer answer = mml::ReadAnswer(Memobufdc);
  for (std::size_t j = 0; j < Memobufdc.LineCount(); ++j) {
    EventCodeRule(j);
    if (!Contains(Memobufdc.Line(j), "<")) continue;
    DcStep = mml::kReady;
    Answered(entry, answer);
    Memokom.DeleteLine(0);
    if (Memokom.LineCount() == 0) {
      SaveReportFile(visit_.element);
      VisitDone();
      Memodc.Clear();
      RestartCycle("");
    }
    return;
  }
}

void DailyCheckPage::NextCommand() {
  if (!DcAttached || DcStep != mml::kReady || !Going(session_serial_)) return;
  if (DcAllipDone != "OK") {
    Memokom.Clear();  // what an earlier session left is not run again
    visit_.queue_started = true;
    session_.Send(kAlarmList);
    return;
  }
  if (Memokom.LineCount() == 0) return;
  const std::string entry(Memokom.Line(0));
  Sending(entry);
  session_.Send(entry);
  if (DcStep == kRelease) Timerdc_release.SetEnabled(true);
}

bool DailyCheckPage::Going(std::uint64_t session) const {
  return session == session_serial_ && !stopped_ && IdTelnetdc.Connected();
}

// Each session's work pane starts empty: it is the visit's report file and its many-alarms
// count, and what a session abandoned before it (silent, refused, lost) is no part of the next
// element's (the session log keeps it).
void DailyCheckPage::OpenSession(bool in_cycle) {
  ++session_serial_;
  visit_ = Visit{};
  visit_.open = true;
  visit_.element = Element();
  visit_.in_cycle = in_cycle;
  Memodc.Clear();
  end_reason_.clear();
  Outcomes.Begin(visit_.element);
  BeginPass();
  try {
    session_.Connect();
  } catch (const std::exception& error) {
    visit_.open = false;
    Outcomes.EndedEarly(std::string("connection failed: ") + error.what());
    EndPass(PassEnding::kUnreachable, std::string("connection failed: ") + error.what());
    throw;
  }
  Animate2.SetVisible(true);
  Timerdc.SetEnabled(true);
  Statusdc.SetCaption(visit_.element + ": checking");
}

void DailyCheckPage::EndSession(const std::string& why) {
  end_reason_ = why;
  if (IdTelnetdc.Connected()) {
    closing_ = true;
    struct Closed {
      bool& closing;
      ~Closed() { closing = false; }
    } closed{closing_};
    IdTelnetdc.Disconnect();
  }
  // A session that never stood, or whose end is still waiting among the deferred events,
  // ends here.
  if (visit_.open) Disconnected();
  end_reason_.clear();
}

// Rotates the list and opens a session to the next element. A connection that fails here
// is noted and the watchdog tries the next element at its next tick: an unattended loop
// must not end for one unreachable moment.
void DailyCheckPage::RestartCycle(const std::string& why) {
  if (StopIfNoElement()) return;
  Rotate();
  EndSession(why);
  Timerdc.SetEnabled(false);
  if (stopped_) return;
  if (BeforeNextElement && !BeforeNextElement()) return;
  GoOn();
}

void DailyCheckPage::ConnectionFailed(const std::string& error) {
  Report(Element() + ": " + mml::Printable(error) + "; the watchdog tries the next element " +
         TimeOfDay());
  WatchdogGoesOn(mml::Printable(error));
}

// No session stands: the watchdog goes on to the next element at its next tick, a whole
// interval from now, and the page says when.
void DailyCheckPage::WatchdogGoesOn(const std::string& why) {
  Timerdc.SetEnabled(false);
  Timerdc.SetEnabled(true);
  Statusdc.SetCaption(Element() + ": " + why + "; next element at " + TimeIn(Timerdc.Interval()));
}

// Every step reads the first element of the list; an engineer may have emptied it.
bool DailyCheckPage::StopIfNoElement() {
  if (!ListBoxdc.Empty()) return false;
  const bool running = IdTelnetdc.Connected() || Timerdc.Enabled() || Timerdc_wait.Enabled();
  Timerdc.SetEnabled(false);
  Timerdc_release.SetEnabled(false);
  Timerdc_wait.SetEnabled(false);
  visit_.noted = true;  // said below, for the loop
  EndSession("stopped: the element list is empty");
  if (running) Report("Daily check stopped: the element list is empty");
  Statusdc.SetCaption("stopped: the element list is empty");
  return true;
}

void DailyCheckPage::Disconnected() {
  session_.Closed();
  const bool was_open = visit_.open;
  const bool in_cycle = visit_.in_cycle;
  if (visit_.open) VisitEndedEarly();
  DcAttached = false;
  DcAllipDone.clear();
  Animate2.SetVisible(false);
  Timerdc_release.SetEnabled(false);  // the pause belonged to the session
  end_reason_.clear();
  const std::string& error = IdTelnetdc.ConnectError;
  if (!was_open) return;
  if (error.empty()) {
    // The session ended early and the loop goes on: after the watchdog's interval.
    if (Timerdc.Enabled() && !stopped_) WatchdogGoesOn(last_end_);
    return;
  }
  if (in_cycle) {
    ConnectionFailed(error);
    return;
  }
  // The engineer has just pressed Start: the loop does not go on against a gateway that
  // cannot be reached, and says so.
  Timerdc.SetEnabled(false);
  Statusdc.SetCaption("stopped");
  const std::string line = visit_.element + ": " + error + "; the Daily check is stopped";
  Report(mml::Printable(line) + " " + TimeOfDay());
  if (messages_ != nullptr) messages_->Warn(mml::Printable(line));
}

}  // namespace kestrel::dailycheck
