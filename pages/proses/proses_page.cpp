#include "pages/proses/proses_page.h"

#include <algorithm>
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
      login_{telnet, InMemo, &OutMemo, ProsesAttached, ProsesStep, properties} {
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
  if (!interval || *interval <= 0) {
    throw std::runtime_error("\"" + ReleaseTimerEdit.Text() +
                             "\" is not a release interval: give a whole number of milliseconds");
  }
  ReleaseTimer.SetInterval(*interval);
}

void ProsesPage::OutMemoDblClick() {
  read_form_.Memo1.SetText(OutMemo.Text());
  read_form_.Show();
}

void ProsesPage::StartpnlClick() {
  if (Startpnl.Caption() != "Start") {
    ending_on_purpose_ = true;
    IdTelnet1.Disconnect();
    ending_on_purpose_ = false;
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
  TabSheet1.SetEnabled(false);
  broadcast_sheet_.SetEnabled(false);
  if (Rxteirbtn.Checked()) ProsesProcedure = "RXTEI";
  if (Rxltirbtn.Checked()) ProsesProcedure = "RXLTI";
  IdTelnet1.Host = properties_.IpEdit.Text();
  IdTelnet1.Port = *port;
  try {
    login_.Connect();
  } catch (const std::exception& error) {
    Note("Cannot connect for " + std::string(ListBox1.First()) + ": " + error.what() +
         ". The run is stopped; the BSC stays at the head of the queue.");
    ReleasePages();
    throw;
  }
  ++session_number_;
  maybe_blocked_.clear();
  Startpnl.SetColor(controls::Colour::kYellow);
  Startpnl.SetCaption("Stop");
}

void ProsesPage::ConnectButtonClick() {
  if (!ProsesAttached) return;
  ProsesStep = "RELEASETIMER";
  Send("\x04");
  ReleaseTimer.SetEnabled(true);
}

void ProsesPage::IdTelnet1DataAvailable(std::string_view chunk) {
  const bool was_attached = ProsesAttached;
  const mml::Received received = login_.Receive(chunk, ListBox1.First());
  // A refused login or an answer past the printout cap ends the session.
  if (received.refused || received.overflow) {
    IdTelnet1.Disconnect();
    return;
  }
  if (!was_attached && ProsesAttached) Startpnl.SetColor(controls::Colour::kGreen);
  if (ProsesProcedure == "RXTEI") TeiservispnlDblClick();
  if (ProsesProcedure == "RXLTI") LtiservispnlDblClick();
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
      Send(command->text);
      if (command->needs_confirmation) ProsesConfirm = kConfirmPending;
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

void ProsesPage::Note(const std::string& text) { OutMemo.AddLine("*** " + text); }

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
}

void ProsesPage::ReleaseTimerTimer() {
  ReleaseTimer.SetEnabled(false);
  ProsesStep = "CONNECT";
  InMemo.Clear();
  Send("");
}

// Re-sends the outage list command once, if the page still waits for it in the session in
// which it was found busy.
void ProsesPage::BusyTimerTimer() {
  BusyTimer.SetEnabled(false);
  if (busy_session_ != session_number_ || !ProsesAttached || ProsesStep != busy_step_) return;
  InMemo.Clear();
  CellMemo.Clear();
  Send(ProsesStep);
}

void ProsesPage::FinishbtnClick() {
  ending_on_purpose_ = true;
  IdTelnet1.Disconnect();
  ending_on_purpose_ = false;
  ListBox1.Delete(0);
  TsltiMemo.Clear();
  Rxaspbufmemo.Clear();
  CellMemo.Clear();
  TsMemo.Clear();
  if (ListBox1.Empty()) {
    if (BeepCheckBox.Checked()) {
      sound_.Beep(2000, 300);
      sound_.Beep(1000, 500);
    }
    messages_.Show("Proses finish");
    ReleasePages();
  } else {
    StartpnlClick();
  }
}

void ProsesPage::IdTelnet1Disconnected() {
  const bool lost = !ending_on_purpose_ && Startpnl.Caption() == "Stop";
  if (lost) {
    std::string note = "Connection to " + std::string(ListBox1.First()) + " lost";
    if (!ProsesAttached) {
      note += " before the BSC's prompt";
    } else if (ProsesStep.find(':') != std::string::npos) {
      note += " while " + ProsesStep + " was in flight";
    } else if (ProsesStep == "RLSLPSON") {
      note += " during the closing cell check of " + std::string(CellMemo.Line(0));
    } else if (ProsesStep == "RELEASETIMER" || ProsesStep == "CONNECT") {
      note += " during a release pause";
    } else if (ProsesStep == "TIMERENABLED") {
      note += " during the 30-second wait";
    }
    if (!maybe_blocked_.empty()) {
      note += ". May still be blocked:";
      for (const auto& object : maybe_blocked_) note += " " + object;
    }
    Note(note + ". The run is stopped; the BSC stays at the head of the queue.");
    ReleasePages();
  }
  Startpnl.SetColor(controls::Colour::kButtonFace);
  Startpnl.SetCaption("Start");
  ProsesAttached = false;
  ProsesStep.clear();
  ProsesConfirm.clear();
  for (std::string* mark :
       {&ProsesAllipDone, &ProsesRlslpDone, &ProsesRxtcpDone, &ProsesRxmfpDone, &ProsesRxbliDone,
        &ProsesRxteiDone, &ProsesRxbleDone, &ProsesFinalRlslpDone, &ProsesRxaspDone,
        &ProsesTsRxbliDone, &ProsesRxltiDone, &ProsesTsRxbleDone}) {
    mark->clear();
  }
  ProsesMoIndex = 0;
  // A pause or retry of the session that ended must not act on the next one.
  Timer1.SetEnabled(false);
  ReleaseTimer.SetEnabled(false);
  BusyTimer.SetEnabled(false);
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
