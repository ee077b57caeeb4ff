#include "pages/broadcast/broadcast_page.h"

#include <exception>
#include <optional>
#include <stdexcept>

#include "mml/columns.h"
#include "mml/network_elements.h"
#include "mml/shapes.h"
#include "mml/text.h"
#include "pages/broadcast/message_text.h"

namespace kestrel::broadcast {

using mml::Contains;

namespace {

void SetHidden(std::initializer_list<controls::Memo*> memos, bool hidden) {
  for (controls::Memo* memo : memos) memo->SetVisible(!hidden);
}

std::string Head(const controls::Memo& list) { return std::string(list.Line(0)); }

}  // namespace

BroadcastPage::BroadcastPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties)
    : BscComboBox(mml::ShortBscPickList(), mml::ShortBscPickList().front()),
      BrIdTelnet(telnet),
      session_{telnet, BrMemo, nullptr, BrAttached, BrStep, properties} {
  SetHidden({&BrMemo, &BrbufMemo1, &BrbufMemo2, &BrbufMemo3}, true);
  DirnaqEdit.SetVisible(false);
  BrIdTelnet.OnDataAvailable = [this](std::string_view chunk) { BrIdTelnetDataAvailable(chunk); };
  BrIdTelnet.OnDisconnected = [this] { BrIdTelnetDisconnected(); };
}

void BroadcastPage::StartButtonClick() {
  if (StartButton.Caption() == "Start") {
    // A blank name would leave the session waiting at the element prompt for ever.
    if (mml::Trim(BscComboBox.Text()).empty()) {
      throw std::runtime_error("No BSC to check: choose one");
    }
    BrMemo.Clear();
    ReportMemo.Clear();
    Results.clear();
    CheckFinished = false;
    messages_missed_ = false;
    element_ = BscComboBox.Text();
    SetHidden({&BrbufMemo1, &BrbufMemo2, &BrbufMemo3, &BrMemo}, false);
    Outcomes.Begin(element_);
    settled_ = false;
    try {
      session_.Connect();
    } catch (const std::exception& error) {
      settled_ = true;
      Outcomes.EndedEarly(error.what());
      SetHidden({&BrbufMemo1, &BrbufMemo2, &BrbufMemo3, &BrMemo}, true);
      throw;
    }
    StartButton.SetCaption("Stop");
  } else {
    if (!settled_) {
      settled_ = true;
      Note(element_ + ": the check did not finish: stopped" + Where());
      Outcomes.EndedEarly("stopped");
    }
    StartButton.SetCaption("Start");
    BrIdTelnet.Disconnect();
  }
}

void BroadcastPage::BrIdTelnetDataAvailable(std::string_view chunk) {
  const mml::Received received = session_.Receive(chunk, element_);
  if (received.overflow) {
    Outcomes.EndedEarly(mml::Printable(*received.overflow));
    Note(*received.overflow);
    End(false);
    return;
  }
  if (received.refused) {
    RefusedByGateway(*received.refused);
    return;
  }
  if (received.attached_now) Outcomes.Reached();
  if (Contains(chunk, "<")) {
    const bool cells = BrStep == kCells;
    const bool messages = !cells && BrbufMemo3.LineCount() > 0 &&
                          BrStep == "RLMTP:CELL=" + Head(BrbufMemo3) + ",ID=ALL;";
    const bool text = !cells && !messages && BrbufMemo1.LineCount() > 0 &&
                      BrStep == "RLMBP:ID=50,CODE=" + Head(BrbufMemo1) + ",GS=0;";
    if (cells || messages || text) {
      const mml::Answer answer = mml::ReadAnswer(BrMemo);
      if (answer.prompt) {
        if (cells && CellsComplete(answer)) return;
        if (messages && MessagesComplete(answer)) return;
        if (text && TextComplete(answer)) return;
      }
    }
  }
  if (!BrAttached || BrStep != mml::kReady) return;
  if (Phase1Done != "OK") {
    session_.Send(kCells);
  } else if (Phase2Done != "OK") {
    session_.Send("RLMTP:CELL=" + Head(BrbufMemo3) + ",ID=ALL;");
  } else if (Phase3Done != "OK") {
    session_.Send("RLMBP:ID=50,CODE=" + Head(BrbufMemo1) + ",GS=0;");
  }
}

void BroadcastPage::End(bool finished) {
  settled_ = true;
  if (finished) {
    CheckFinished = true;
    Outcomes.Finished();
  }
  if (BrIdTelnet.Connected()) BrIdTelnet.Disconnect();
}

bool BroadcastPage::Unread(const mml::Answer& answer) {
  if (answer.Refused()) {
    Problem(answer.RefusalNote(element_, BrStep));
    return true;
  }
  if (!answer.ended) {
    Problem(element_ + ": " + BrStep + " printout incomplete: no END line before the prompt");
    return true;
  }
  return false;
}

// A value read from a printout that is not what it stands for would change the order it goes
// into; it stays out of it.
void BroadcastPage::NotSent(std::string_view value, std::string_view shape) {
  Problem(element_ + ": " + BrStep + " gave \"" + std::string(value) + "\", which is not a " +
          std::string(shape) + "; not sent");
}

// Phase 1: the NUMREQEGPRSBPC rows of every cell. Returns true when the check has ended;
// without the cells of a whole printout there is nothing to go on with.
bool BroadcastPage::CellsComplete(const mml::Answer& answer) {
  if (Unread(answer)) {
    End(false);
    return true;
  }
  BrbufMemo1.Clear();
  BrbufMemo2.Clear();
  BrbufMemo3.Clear();
  std::string cell;
  for (std::size_t i = 0; i < BrMemo.LineCount(); ++i) {
    const std::string_view line = BrMemo.Line(i);
    if (const auto p = line.find("CELL"); p != std::string_view::npos) {
      cell = mml::ValueBelow(BrMemo, i, p, 7);
    }
    if (const auto q = line.find("NUMREQEGPRSBPC"); q != std::string_view::npos) {
      for (std::size_t row = 1; row <= 3; ++row) {
        const std::string value(
            mml::Trim(mml::Cut(BrMemo.Line(mml::RowBelow(BrMemo, i, row)), q, 14)));
        if (row > 1 && value.empty()) continue;
        BrbufMemo1.AddLine(cell);
        BrbufMemo2.AddLine(value);
      }
    }
    if (Contains(line, "<")) break;
  }
  bool skipped = false;
  for (std::size_t k = 0; k < BrbufMemo2.LineCount(); ++k) {
    if (BrbufMemo2.Line(k) == "0") continue;
    const std::string_view name = BrbufMemo1.Line(k);
    if (mml::IsCellName(name)) {
      BrbufMemo3.AddLine(name);
    } else {
      NotSent(name, "cell name");
      skipped = true;
    }
  }
  BrStep = mml::kReady;
  Phase1Done = "OK";
  BrbufMemo1.Clear();
  BrbufMemo2.Clear();
  if (BrbufMemo3.LineCount() > 0) return false;
  Note(element_ + (skipped ? ": no EDGE cell could be examined"
                           : ": no EDGE cell found (no cell has a NUMREQEGPRSBPC other than 0)"));
  End(true);
  return true;
}

// Phase 2: the messages with ID 50 of the cell at the head of list C.
bool BroadcastPage::MessagesComplete(const mml::Answer& answer) {
  const std::string cell = Head(BrbufMemo3);
  if (Unread(answer)) {
    messages_missed_ = true;
  } else {
    std::optional<std::size_t> code_column;
    for (std::size_t i = 0; i < BrMemo.LineCount(); ++i) {
      const std::string_view line = BrMemo.Line(i);
      if (const auto p = line.find("CODE  GS"); p != std::string_view::npos) code_column = p;
      if (Contains(line, "50     ")) {
        const std::string code =
            code_column ? std::string(mml::Trim(mml::Cut(line, *code_column, 5))) : "";
        if (mml::IsNumber(code, 5)) {
          BrbufMemo1.AddLine(code);
          BrbufMemo2.AddLine(cell);
        } else {
          NotSent(code, "message code");
          messages_missed_ = true;
        }
      }
      if (Contains(line, "<")) break;
    }
  }
  BrbufMemo3.DeleteLine(0);
  BrStep = mml::kReady;
  if (BrbufMemo3.LineCount() > 0) return false;
  Phase2Done = "OK";
  if (BrbufMemo1.LineCount() > 0) return false;
  Note(element_ + (messages_missed_ ? ": no message with ID 50 could be read"
                                    : ": no message with ID 50 found in the EDGE cells"));
  End(true);
  return true;
}

// Phase 3: the text of the message at the head of list A, as a ready RLMBC command.
bool BroadcastPage::TextComplete(const mml::Answer& answer) {
  if (!Unread(answer)) ReportTexts();
  const bool last = BrbufMemo1.LineCount() == 1;
  BrbufMemo1.DeleteLine(0);
  BrbufMemo2.DeleteLine(0);
  if (last) {
    Phase3Done = "OK";
    End(true);
    return true;
  }
  BrStep = mml::kReady;
  return false;
}

// The command carries the first 25 characters of a text, as it always has; a longer text is
// said to be longer, so that nobody sets a message to its first 25 characters unawares. The
// text is what stands in its own field: a column to its right (DCS) is no part of it.
void BroadcastPage::ReportTexts() {
  bool found = false;
  for (std::size_t i = 0; i < BrMemo.LineCount(); ++i) {
    const std::string_view line = BrMemo.Line(i);
    if (const auto t = line.find("TEXT  "); t != std::string_view::npos) {
      found = true;
      const std::size_t row = mml::RowBelow(BrMemo, i);
      const std::string full = FullMessageText(BrMemo, row, t, TextFieldWidth(line, t));
      const std::string text(mml::Trim(mml::Cut(full, 0, kTextWidth)));
      const std::string command =
          mml::Printable("RLMBC:ID=50,CODE=" + Head(BrbufMemo1) +
                         ",GS=0,PAGE=1,TEXT=" + DirnaqEdit.Text() + text + DirnaqEdit.Text() + ";");
      Results.push_back({mml::Printable(Head(BrbufMemo2)), "50", mml::Printable(Head(BrbufMemo1)),
                         mml::Printable(full), command});
      ReportMemo.AddLine(mml::Printable("CELL: " + Head(BrbufMemo2)));
      ReportMemo.AddLine(command);
      if (full.size() > text.size()) {
        ReportMemo.AddLine("Message text is " + std::to_string(full.size()) +
                           " characters long; the command above carries only its first " +
                           std::to_string(text.size()));
      }
      ReportMemo.AddLine("");
    }
    if (Contains(line, "<")) break;
  }
  if (!found) Problem(element_ + ": " + BrStep + " printout holds no TEXT");
}

// One BSC: a refused login and an unknown element both end the check.
void BroadcastPage::RefusedByGateway(const std::string& words) {
  const std::string line = element_ + " not checked: " + words;
  Note(line);
  Outcomes.EndedEarly(mml::Printable(words));
  End(false);
  if (messages_ != nullptr) messages_->Warn(mml::Printable(line));
}

void BroadcastPage::BrIdTelnetDisconnected() {
  session_.Closed();
  if (!settled_) {
    settled_ = true;
    std::string why = BrIdTelnet.ConnectError;
    if (why.empty()) {
      why = "connection lost" + Where();
      if (!BrIdTelnet.EndReason.empty()) why += " (" + BrIdTelnet.EndReason + ")";
    }
    const std::string line = element_ + ": the check did not finish: " + why;
    Note(line);
    Outcomes.EndedEarly(mml::Printable(why));
    if (messages_ != nullptr) messages_->Warn(mml::Printable(line));
  }
  BrAttached = false;
  Phase1Done.clear();
  Phase2Done.clear();
  Phase3Done.clear();
  if (StartButton.Caption() == "Stop") StartButtonClick();
  SetHidden({&BrbufMemo1, &BrbufMemo2, &BrbufMemo3, &BrMemo}, true);
}

std::string BroadcastPage::Where() const {
  if (!BrAttached) return " before the BSC was reached";
  if (BrStep != mml::kReady) return " while " + BrStep + " was in flight";
  return {};
}

void BroadcastPage::Note(const std::string& line) {
  const std::string shown = mml::Printable(line);
  ReportMemo.AddLine(shown);
  session_.Note(shown);
}

void BroadcastPage::Problem(const std::string& line) {
  Note(line);
  Outcomes.Problem(mml::Printable(line));
}

}  // namespace kestrel::broadcast
