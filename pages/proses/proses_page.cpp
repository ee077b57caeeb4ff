#include "pages/proses/proses_page.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "mml/columns.h"
#include "mml/network_elements.h"

namespace kestrel::proses {

namespace {

constexpr std::string_view kConfirmPending = "TESDIQ";

bool AnyLineContains(const controls::Memo& memo, std::string_view text) {
  if (text.empty()) return false;
  for (std::size_t i = 0; i < memo.LineCount(); ++i) {
    if (memo.Line(i).find(text) != std::string_view::npos) return true;
  }
  return false;
}

// Keeps the first of equal lines and drops empty ones and those `drop` names.
void Clean(controls::Memo& list, const std::function<bool(std::string_view)>& drop) {
  std::set<std::string, std::less<>> seen;
  std::string kept;
  for (std::size_t i = 0; i < list.LineCount(); ++i) {
    const std::string_view line = list.Line(i);
    if (!seen.insert(std::string(line)).second || line.empty() || drop(line)) continue;
    kept.append(line).append("\r\n");
  }
  list.SetText(kept);
}

}  // namespace

ProsesPage::ProsesPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
                       pages::ReadForm& read_form, controls::Control& broadcast_sheet,
                       platform::Sound& sound, platform::Messages& messages)
    : Necbox(mml::BscPickList(), mml::BscPickList().front()),
      IdTelnet1(telnet),
      properties_(properties),
      read_form_(read_form),
      broadcast_sheet_(broadcast_sheet),
      sound_(sound),
      messages_(messages),
      // The pane shows the session's text as the exchange printed it, not as TCP cut it.
      login_(telnet, InMemo, &OutMemo, ProsesAttached, ProsesStep, properties,
             mml::Session::LogStyle::kText) {
  InMemo.SetVisible(false);
  CellMemo.SetVisible(false);
  TsMemo.SetVisible(false);
  Rxaspbufmemo.SetVisible(false);
  TsltiMemo.SetVisible(false);
  IdTelnet1.OnDataAvailable = [this](std::string_view chunk) { IdTelnet1DataAvailable(chunk); };
  IdTelnet1.OnDisconnected = [this] { IdTelnet1Disconnected(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  ReleaseTimer.OnTimer = [this] { ReleaseTimerTimer(); };
  BusyTimer.OnTimer = [this] { BusyTimerTimer(); };
  WatchdogTimer.OnTimer = [this] { WatchdogTimerTimer(); };
  for (controls::Notifier* source :
       {&Timer1.changed, &ReleaseTimer.changed, &BusyTimer.changed, &Startpnl.changed}) {
    status_sources_.push_back(source->Subscribe([this] { ShowStatus(); }));
  }
}

// A wait is never a silent page: the status says what the run waits for, and until when.
void ProsesPage::ShowStatus() {
  if (Startpnl.Caption() != "Stop") {
    StatusLabel.SetCaption("");
    return;
  }
  auto until = [this](const controls::Timer& timer) -> std::string {
    if (clock_ == nullptr) return "";
    const platform::LocalDateTime now = clock_->Now();
    const int seconds =
        (now.hour * 3600 + now.minute * 60 + now.second + (timer.Interval() + 999) / 1000) % 86400;
    char text[24];
    std::snprintf(text, sizeof text, ", until %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
  };
  std::string what = ProsesAttached ? "at work" : "logging in";
  if (Timer1.Enabled()) {
    what = "the 30-second wait" + until(Timer1);
  } else if (ReleaseTimer.Enabled()) {
    what = "release pause" + until(ReleaseTimer);
  } else if (BusyTimer.Enabled()) {
    what = "FUNCTION BUSY; the outage list again" + until(BusyTimer);
  }
  StatusLabel.SetCaption(mml::Printable(element_ + ": " + what));
}

void ProsesPage::SpeedButton4Click() {
  if (!mml::Trim(Necbox.Text()).empty()) ListBox1.Add(Necbox.Text());
}

void ProsesPage::SpeedButton2Click() {
  for (const auto& name : Necbox.Items()) ListBox1.Add(name);
}

void ProsesPage::SpeedButton5Click() { ListBox1.DeleteSelected(); }

void ProsesPage::SpeedButton3Click() { ListBox1.Clear(); }

void ProsesPage::AddBtnClick() { FilterListBox.Add(AddEdit.Text()); }

void ProsesPage::DelBtnClick() { FilterListBox.DeleteSelected(); }

void ProsesPage::ReleaseTimerButtonClick() {
  const auto interval = mml::WholeNumber(ReleaseTimerEdit.Text());
  if (!interval || *interval < kShortestRelease || *interval > kLongestRelease) {
    const std::string given = mml::Printable(ReleaseTimerEdit.Text());
    const std::string kept = std::to_string(ReleaseTimer.Interval());
    ReleaseTimerEdit.SetText(kept);  // the field shows the interval that still holds
    throw std::runtime_error("\"" + given +
                             "\" is not a release interval: give a whole number of milliseconds "
                             "from " +
                             std::to_string(kShortestRelease) + " to " +
                             std::to_string(kLongestRelease) + ". The interval stays " + kept +
                             " ms.");
  }
  ReleaseTimer.SetInterval(*interval);
}

void ProsesPage::OutMemoDblClick() {
  read_form_.Memo1.SetText(OutMemo.Text());
  read_form_.Show();
}

void ProsesPage::StartpnlClick() {
  if (Startpnl.Caption() != "Start") {
    EndSession(Ending::kStopped);
    Startpnl.SetCaption("Start");
    return;
  }
  // Checked before anything changes, so that a wrong port leaves the page as it was.
  const auto port = mml::WholeNumber(properties_.PortEdit.Text());
  if (!port) {
    throw std::runtime_error("\"" + properties_.PortEdit.Text() + "\" is not a port number");
  }
  if (ListBox1.Empty()) {
    if (mml::Trim(Necbox.Text()).empty()) {
      throw std::runtime_error("No BSC to treat: choose one and add it to the queue");
    }
    ListBox1.Add(Necbox.Text());
  }
  if (!chaining_) {
    run_problems_.clear();
    run_elements_.clear();
  }
  element_ = ListBox1.First();
  if (std::find(run_elements_.begin(), run_elements_.end(), element_) == run_elements_.end()) {
    run_elements_.push_back(element_);
  }
  TabSheet1.SetEnabled(false);
  broadcast_sheet_.SetEnabled(false);
  if (Rxteirbtn.Checked()) ProsesProcedure = "RXTEI";
  if (Rxltirbtn.Checked()) ProsesProcedure = "RXLTI";
  // A session works only on what its own printouts name: lists left by a broken session
  // would have it block objects the exchange no longer reports.
  CellMemo.Clear();
  TsMemo.Clear();
  TsltiMemo.Clear();
  Rxaspbufmemo.Clear();
  IdTelnet1.Host = properties_.IpEdit.Text();
  IdTelnet1.Port = *port;
  Outcomes.Begin(element_);
  try {
    login_.Connect();
  } catch (const std::exception& error) {
    Note("Cannot connect for " + element_ + ": " + error.what() +
         ". The run is stopped; the BSC stays at the head of the queue.");
    Outcomes.EndedEarly(mml::Printable(std::string("cannot connect: ") + error.what()));
    ReleasePages();
    throw;
  }
  ++session_number_;
  Startpnl.SetColor(controls::Colour::kYellow);
  Startpnl.SetCaption("Stop");
  Watch();
}

void ProsesPage::ConnectButtonClick() {
  if (!ProsesAttached) return;
  ProsesStep = "RELEASETIMER";
  Send("\x04");
  ReleaseTimer.SetEnabled(true);
  Watch();
}

void ProsesPage::IdTelnet1DataAvailable(std::string_view chunk) {
  const mml::Received received = login_.Receive(chunk, element_);
  if (received.overflow) {
    EndSession(Ending::kOverflow, *received.overflow);
    return;
  }
  if (received.refused) {
    EndSession(Ending::kRefused, *received.refused);
    return;
  }
  if (received.attached_now) {
    Startpnl.SetColor(controls::Colour::kGreen);
    Outcomes.Reached();
  }
  if (ProsesProcedure == "RXTEI") TeiservispnlDblClick();
  if (ProsesProcedure == "RXLTI") LtiservispnlDblClick();
  Watch();
}

void ProsesPage::TeiservispnlDblClick() {
  RunFrame(&ProsesPage::TeiDispatch, &ProsesPage::TeiPrintouts);
}

void ProsesPage::LtiservispnlDblClick() {
  RunFrame(&ProsesPage::LtiDispatch, &ProsesPage::LtiPrintouts);
}

// The frame both procedures run on every chunk: confirmation, echo discard, re-prompt,
// printout handling, dispatch.
void ProsesPage::RunFrame(Dispatcher dispatch, PrintoutHandler printouts) {
  const std::uint64_t session = session_number_;
  if (ProsesAttached && ProsesConfirm == kConfirmPending) {
    if (AnyLineContains(InMemo, "<")) {
      // The order may already be refused here; the answer to ";" will not say so again.
      OrderFirstAnswer();
      InMemo.Clear();
      Send(";");
      ProsesConfirm = "OK";
      return;
    }
  }
  if (ProsesAttached && InMemo.LineCount() < 2 && AnyLineContains(InMemo, ProsesStep)) {
    InMemo.Clear();  // the echo of the command just sent
  } else if (ProsesStep == "CONNECT") {
    if (AnyLineContains(InMemo, "<")) ProsesStep = mml::kReady;
  } else {
    (this->*printouts)();
  }
  if (session != session_number_ || !ProsesAttached) return;  // the BSC was finished meanwhile

  if (ProsesStep == "RELEASE") {
    ProsesStep = "RELEASETIMER";
    Send("\x04");
    ReleaseTimer.SetEnabled(true);
  }
  if (ProsesStep == mml::kReady) {
    if (const auto command = (this->*dispatch)()) {
      InMemo.Clear();
      ProsesStep = command->step.empty() ? command->text : command->step;
      first_answer_.reset();
      Send(command->text);
      if (command->needs_confirmation) ProsesConfirm = kConfirmPending;
      OrderSent(*command);
    }
  }
}

bool ProsesPage::OnCompletePrintout(const std::function<void(std::size_t)>& per_line,
                                    const std::function<void()>& on_prompt) {
  std::size_t prompt = InMemo.LineCount();
  for (std::size_t i = 0; i < InMemo.LineCount(); ++i) {
    if (InMemo.Line(i).find('<') != std::string_view::npos) {
      prompt = i;
      break;
    }
  }
  if (prompt == InMemo.LineCount()) return false;
  for (std::size_t i = 0; i <= prompt; ++i) per_line(i);
  on_prompt();
  return true;
}

// Only this goes out: the text of a line, checked to be one line.
void ProsesPage::Send(std::string_view line) { IdTelnet1.WriteLn(line); }

void ProsesPage::Note(const std::string& text) {
  const std::string shown = mml::Printable(text);
  OutMemo.AddLine("*** " + shown);
  login_.Note(shown);
}

void ProsesPage::Problem(const std::string& text) {
  const std::string shown = mml::Printable(text);
  Note(shown);
  Outcomes.Problem(shown);
  if (std::find(run_problems_.begin(), run_problems_.end(), shown) == run_problems_.end()) {
    run_problems_.push_back(shown);
  }
}

void ProsesPage::NotSent(std::string_view command, std::string_view value, std::string_view what) {
  Problem(element_ + ": " + std::string(command) + " names \"" + std::string(value) + "\", not " +
          std::string(what) + "; not sent");
}

void ProsesPage::ReleasePages() {
  TabSheet1.SetEnabled(true);
  broadcast_sheet_.SetEnabled(true);
}

void ProsesPage::Timer1Timer() {
  Timer1.SetEnabled(false);
  ProsesStep = "CONNECT";
  ProsesMoIndex = 0;
  InMemo.Clear();
  Send("");
  Watch();
}

void ProsesPage::ReleaseTimerTimer() {
  ReleaseTimer.SetEnabled(false);
  ProsesStep = "CONNECT";
  InMemo.Clear();
  Send("");
  Watch();
}

// Re-sends the outage list command once, if the page still waits for it in the session in
// which it was found busy.
void ProsesPage::BusyTimerTimer() {
  BusyTimer.SetEnabled(false);
  if (busy_session_ != session_number_ || !ProsesAttached || ProsesStep != busy_step_) return;
  InMemo.Clear();
  CellMemo.Clear();
  Send(ProsesStep);
  Watch();
}

void ProsesPage::FinishbtnClick() {
  Outcomes.Finished();
  EndSession(Ending::kFinished);
  ListBox1.Delete(0);
  TsltiMemo.Clear();
  Rxaspbufmemo.Clear();
  CellMemo.Clear();
  TsMemo.Clear();
  if (ListBox1.Empty()) {
    if (BeepCheckBox.Checked()) {
      sound_.Beep(2000, 300, [this] { sound_.Beep(1000, 500, {}); });
    }
    const std::string message = ClosingMessage();
    // The pane keeps what the message box said when the run did not end clean.
    if (message != "Proses finish") {
      std::size_t from = 0;
      for (std::size_t end; (end = message.find('\n', from)) != std::string::npos; from = end + 1) {
        OutMemo.AddLine("*** " + message.substr(from, end - from));
      }
      OutMemo.AddLine("*** " + message.substr(from));
    }
    if (message == "Proses finish") {
      messages_.Inform(message);
    } else {
      messages_.Warn(message);
    }
    ReleasePages();
  } else {
    chaining_ = true;
    try {
      StartpnlClick();
    } catch (...) {
      chaining_ = false;
      throw;
    }
    chaining_ = false;
  }
}

void ProsesPage::CellMemoDblClick() {
  Clean(CellMemo, [this](std::string_view line) {
    return std::any_of(FilterListBox.Items().begin(), FilterListBox.Items().end(),
                       [line](const std::string& cell) { return mml::Trim(cell) == line; });
  });
}

void ProsesPage::TsMemoDblClick() {
  Clean(TsMemo, [this](std::string_view line) {
    return Cfcbox.Checked() && line.find("RXOCF") != std::string_view::npos;
  });
}

void ProsesPage::TsltiMemoDblClick() {
  Clean(TsltiMemo, [](std::string_view) { return false; });
}

void ProsesPage::RxaspbufmemoDblClick() {
  Clean(Rxaspbufmemo, [](std::string_view) { return false; });
}

}  // namespace kestrel::proses
