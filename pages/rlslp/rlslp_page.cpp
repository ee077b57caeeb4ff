#include "pages/rlslp/rlslp_page.h"

#include <stdexcept>

#include "mml/columns.h"
#include "mml/network_elements.h"

namespace kestrel::rlslp {

namespace {
constexpr std::string_view kCellHeading = "CELL       SCTYPE";
constexpr std::string_view kActiveHeading = "ACTIVE     CHTYPE";
constexpr std::size_t kCellWidth = 7;
constexpr std::size_t kActiveWidth = 5;
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
    SlpreportMemo.AddLine("Check: " + checking_);
    session_.Connect();
    SlpstartButton.SetCaption("Stop");
    AnimationPanel.SetVisible(true);
  } else {
    SlpIdTelnet.Disconnect();
    SlpstartButton.SetCaption("Start");
    AnimationPanel.SetVisible(false);
  }
}

void RlslpPage::SlpIdTelnetDataAvailable(std::string_view chunk) {
  const mml::Received received = session_.Receive(chunk, checking_);
  // A refused login or an answer past the printout cap ends the session.
  if (received.refused || received.overflow) {
    SlpIdTelnet.Disconnect();
    return;
  }
  if (SlpStep == kCommand && chunk.find('<') != std::string_view::npos) {
    ReportInactiveCells();
    FinishBsc();
    SlpStep = mml::kReady;
  }
  if (SlpAttached && SlpStep == mml::kReady && !SlpListBox.Empty()) {
    session_.Send(kCommand);
  }
}

void RlslpPage::SlpIdTelnetDisconnected() {
  SlpAttached = false;
  if (SlpstartButton.Caption() == "Stop") SlpstartButtonClick();
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
      if (active != "YES") SlpreportMemo.AddLine(cell + ": ACTIVE=" + active);
    }
    if (line.find('<') != std::string_view::npos) break;
  }
}

// Closes the BSC's block and moves on: a new session for the next BSC of the queue, or the
// end of the check (the disconnect resets the button).
void RlslpPage::FinishBsc() {
  SlpreportMemo.AddLine("Finish check");
  SlpreportMemo.AddLine("");
  if (SlpListBox.First() == checking_) SlpListBox.Delete(0);
  if (!SlpListBox.Empty()) {
    SlpstartButtonClick();  // Stop: ends this session
    SlpstartButtonClick();  // Start: "Check: " and a new session for the next BSC
  } else {
    SlpIdTelnet.Disconnect();
  }
}

}  // namespace kestrel::rlslp
