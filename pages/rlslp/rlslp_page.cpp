#include "pages/rlslp/rlslp_page.h"

#include <exception>
#include <stdexcept>

#include "mml/columns.h"
#include "mml/network_elements.h"
#include "mml/text.h"

namespace kestrel::rlslp {

namespace {
constexpr std::string_view kCellHeading = "CELL       SCTYPE";
constexpr std::string_view kActiveHeading = "ACTIVE     CHTYPE";
constexpr std::size_t kCellWidth = 7;
constexpr std::size_t kActiveWidth = 5;

// The gateway's words for a refused element; anything else it refuses is the login.
bool ElementRefused(std::string_view words) {
  return !mml::Contains(words, "LOGIN INCORRECT") && mml::Contains(words, "NOT DEFINED");
}
}  // namespace

RlslpPage::RlslpPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties)
    : SlpComboBox(mml::ShortBscPickList(), mml::ShortBscPickList().front()),
      SlpIdTelnet(telnet),
      session_{telnet, SlpMemo, nullptr, SlpAttached, SlpStep, properties} {
  SlpMemo.SetVisible(false);
  SlpIdTelnet.OnDataAvailable = [this](std::string_view chunk) { SlpIdTelnetDataAvailable(chunk); };
  SlpIdTelnet.OnDisconnected = [this] { SlpIdTelnetDisconnected(); };
}

// A blank name would leave its session waiting at the element prompt for ever.
void RlslpPage::Button1Click() {
  if (!mml::Trim(SlpComboBox.Text()).empty()) SlpListBox.Add(SlpComboBox.Text());
}

void RlslpPage::Button2Click() { SlpListBox.DeleteSelected(); }

void RlslpPage::SlpstartButtonClick() {
  if (SlpstartButton.Caption() == "Start") {
    if (SlpListBox.Empty()) {
      if (mml::Trim(SlpComboBox.Text()).empty()) {
        throw std::runtime_error("No BSC to check: choose one and add it to the queue");
      }
      SlpListBox.Add(SlpComboBox.Text());
    }
    checking_ = SlpListBox.First();
    login_refused_ = false;
    // What the last session left (up to a refused oversized answer) is not this one's login.
    SlpMemo.Clear();
    SlpreportMemo.AddLine("Check: " + mml::Printable(checking_));
    Outcomes.Begin(checking_);
    settled_ = false;
    try {
      session_.Connect();
    } catch (const std::exception& error) {
      settled_ = true;
      Note(checking_ + " not checked: " + error.what());
      Outcomes.EndedEarly(error.what());
      throw;
    }
    SlpstartButton.SetCaption("Stop");
    AnimationPanel.SetVisible(true);
  } else {
    if (!settled_) {
      settled_ = true;
      Note(checking_ + " not checked: stopped" + Where());
      Outcomes.EndedEarly("stopped");
    }
    SlpIdTelnet.Disconnect();
    SlpstartButton.SetCaption("Start");
    AnimationPanel.SetVisible(false);
  }
}

void RlslpPage::SlpIdTelnetDataAvailable(std::string_view chunk) {
  const mml::Received received = session_.Receive(chunk, checking_);
  if (received.overflow) {
    // The element answered with more than any printout holds: whatever it is, it is this
    // element's, so the others are still checked.
    Outcomes.EndedEarly(mml::Printable(*received.overflow));
    Note(*received.overflow);
    EndBsc(true);
    return;
  }
  if (received.refused) {
    RefusedByGateway(*received.refused);
    return;
  }
  if (received.attached_now) Outcomes.Reached();
  if (SlpStep == kCommand && mml::Contains(chunk, "<")) {
    CheckDone(mml::ReadAnswer(SlpMemo));
    SlpStep = mml::kReady;
  }
  if (SlpAttached && SlpStep == mml::kReady && !SlpListBox.Empty()) {
    session_.Send(kCommand);
  }
}

void RlslpPage::SlpIdTelnetDisconnected() {
  session_.Closed();
  if (!settled_) {
    settled_ = true;
    std::string why = SlpIdTelnet.ConnectError;
    if (why.empty()) {
      why = "connection lost" + Where();
      if (!SlpIdTelnet.EndReason.empty()) why += " (" + SlpIdTelnet.EndReason + ")";
    }
    const std::string line = checking_ + " not checked: " + why;
    Note(line);
    Outcomes.EndedEarly(mml::Printable(why));
    if (messages_ != nullptr) messages_->Warn(mml::Printable(line));
  }
  SlpAttached = false;
  if (SlpstartButton.Caption() == "Stop") SlpstartButtonClick();
}

std::string RlslpPage::Where() const {
  if (!SlpAttached) return " before the BSC was reached";
  if (SlpStep == kCommand) return " while " + std::string(kCommand) + " was in flight";
  return {};
}

// The printout is whole (the prompt came back). Only a printout that ran to its END, without
// a refusal, is a finished check.
void RlslpPage::CheckDone(const mml::Answer& answer) {
  if (answer.Refused()) {
    Problem(answer.RefusalNote(checking_, kCommand));
  } else {
    // What a cut printout shows is still true of those cells.
    ReportInactiveCells();
    if (answer.ended) {
      SlpreportMemo.AddLine("Finish check");
      SlpreportMemo.AddLine("");
      Outcomes.Finished();
    } else {
      Problem(checking_ + ": " + std::string(kCommand) +
              " printout incomplete: no END line before the prompt");
    }
  }
  EndBsc(true);
}

// One line per cell whose "ACTIVE" value is not "YES". Headings are looked for anew in
// every line, so blocks whose columns sit at other positions are read right too.
void RlslpPage::ReportInactiveCells() {
  std::string cell;
  for (std::size_t i = 0; i < SlpMemo.LineCount(); ++i) {
    const std::string_view line = SlpMemo.Line(i);
    if (const auto p = line.find(kCellHeading); p != std::string_view::npos) {
      cell = mml::ValueBelow(SlpMemo, i, p, kCellWidth);
    }
    if (const auto q = line.find(kActiveHeading); q != std::string_view::npos) {
      const std::string active = mml::ValueBelow(SlpMemo, i, q, kActiveWidth);
      if (active != "YES") {
        Results.push_back(
            {mml::Printable(checking_), mml::Printable(cell), mml::Printable(active)});
        SlpreportMemo.AddLine(mml::Printable(cell + ": ACTIVE=" + active));
      }
    }
    if (line.find('<') != std::string_view::npos) break;
  }
}

// An unknown element is that element's fault: the check goes on without it. A refused login
// would be refused for every BSC alike, so the check stops there and keeps the BSC queued for
// the next Start with the right user and password.
void RlslpPage::RefusedByGateway(const std::string& words) {
  const bool element = ElementRefused(words);
  login_refused_ = !element && !mml::Contains(words, "TOO MANY SESSIONS");
  std::string line = checking_ + " not checked: " + words;
  if (!element) line += "; the check is stopped";
  Note(line);
  Outcomes.EndedEarly(mml::Printable(words));
  EndBsc(element, mml::Printable(line));
}

void RlslpPage::EndBsc(bool leaves_queue, std::string_view box) {
  settled_ = true;
  if (leaves_queue && !SlpListBox.Empty() && SlpListBox.First() == checking_) {
    SlpListBox.Delete(0);
  }
  const bool next = leaves_queue && !SlpListBox.Empty();
  if (SlpstartButton.Caption() == "Stop") {
    SlpstartButtonClick();  // Stop: ends this session
  } else {
    SlpIdTelnet.Disconnect();
  }
  if (!box.empty() && messages_ != nullptr) messages_->Warn(box);
  // Start: "Check: " and a new session for the next BSC (unless the engineer already did).
  if (next && SlpstartButton.Caption() == "Start") SlpstartButtonClick();
}

void RlslpPage::Note(const std::string& line) {
  const std::string shown = mml::Printable(line);
  SlpreportMemo.AddLine(shown);
  session_.Note(shown);
}

void RlslpPage::Problem(const std::string& line) {
  Note(line);
  Outcomes.Problem(mml::Printable(line));
}

}  // namespace kestrel::rlslp
