#include "pages/broadcast/broadcast_page.h"

#include "mml/columns.h"
#include "mml/network_elements.h"

namespace kestrel::broadcast {

using mml::Contains;

namespace {

constexpr std::string_view kCells = "RLBDP:CELL=ALL;";

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
    BrMemo.Clear();
    ReportMemo.Clear();
    CheckFinished = false;
    SetHidden({&BrbufMemo1, &BrbufMemo2, &BrbufMemo3, &BrMemo}, false);
    session_.Connect();
    StartButton.SetCaption("Stop");
  } else {
    StartButton.SetCaption("Start");
    BrIdTelnet.Disconnect();
  }
}

void BroadcastPage::BrIdTelnetDataAvailable(std::string_view chunk) {
  const mml::Received received = session_.Receive(chunk, BscComboBox.Text());
  // A refused login or an answer past the printout cap ends the session.
  if (received.refused || received.overflow) {
    BrIdTelnet.Disconnect();
    return;
  }
  if (Contains(chunk, "<")) {
    if (BrStep == kCells) {
      if (CellsComplete()) return;
    } else if (BrbufMemo3.LineCount() > 0 &&
               BrStep == "RLMTP:CELL=" + Head(BrbufMemo3) + ",ID=ALL;") {
      if (MessagesComplete()) return;
    } else if (BrbufMemo1.LineCount() > 0 &&
               BrStep == "RLMBP:ID=50,CODE=" + Head(BrbufMemo1) + ",GS=0;") {
      if (TextComplete()) return;
    }
  }
  if (!BrAttached || BrStep != mml::kReady) return;
  if (Phase1Done != "OK") {
    Send(std::string(kCells));
  } else if (Phase2Done != "OK") {
    Send("RLMTP:CELL=" + Head(BrbufMemo3) + ",ID=ALL;");
  } else if (Phase3Done != "OK") {
    Send("RLMBP:ID=50,CODE=" + Head(BrbufMemo1) + ",GS=0;");
  }
}

void BroadcastPage::Send(const std::string& command) { session_.Send(command); }

// A check with nothing more to read ends here: its report stands as it is.
void BroadcastPage::End() {
  CheckFinished = true;
  if (BrIdTelnet.Connected()) BrIdTelnet.Disconnect();
}

// Phase 1: the NUMREQEGPRSBPC rows of every cell. Returns true when the check has ended.
bool BroadcastPage::CellsComplete() {
  BrbufMemo1.Clear();
  BrbufMemo2.Clear();
  BrbufMemo3.Clear();
  std::string cell;
  for (std::size_t i = 0; i < BrMemo.LineCount(); ++i) {
    const std::string_view line = BrMemo.Line(i);
    if (const auto p = line.find("CELL"); p != std::string_view::npos) {
      cell = mml::WithoutControlCharacters(mml::ValueBelow(BrMemo, i, p, 7));
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
    if (!Contains(line, "<")) continue;
    for (std::size_t k = 0; k < BrbufMemo2.LineCount(); ++k) {
      if (BrbufMemo2.Line(k) != "0") BrbufMemo3.AddLine(BrbufMemo1.Line(k));
    }
    BrStep = mml::kReady;
    Phase1Done = "OK";
    BrbufMemo1.Clear();
    BrbufMemo2.Clear();
    if (BrbufMemo3.LineCount() == 0) {
      End();  // no cell requests EGPRS channels: nothing to examine
      return true;
    }
    return false;
  }
  return false;
}

// Phase 2: the messages with ID 50 of the cell at the head of list C.
bool BroadcastPage::MessagesComplete() {
  std::size_t code_column = 0;
  for (std::size_t i = 0; i < BrMemo.LineCount(); ++i) {
    const std::string_view line = BrMemo.Line(i);
    if (const auto p = line.find("CODE  GS"); p != std::string_view::npos) code_column = p;
    if (Contains(line, "50     ")) {
      BrbufMemo1.AddLine(mml::WithoutControlCharacters(mml::Trim(mml::Cut(line, code_column, 5))));
      BrbufMemo2.AddLine(Head(BrbufMemo3));
    }
    if (!Contains(line, "<")) continue;
    const bool last = BrbufMemo3.LineCount() == 1;
    BrbufMemo3.DeleteLine(0);
    BrStep = mml::kReady;
    if (!last) return false;
    Phase2Done = "OK";
    if (BrbufMemo1.LineCount() == 0) {
      End();  // no message with ID 50 in any cell
      return true;
    }
    return false;
  }
  return false;
}

// Phase 3: the text of the message at the head of list A, as a ready RLMBC command.
bool BroadcastPage::TextComplete() {
  for (std::size_t i = 0; i < BrMemo.LineCount(); ++i) {
    const std::string_view line = BrMemo.Line(i);
    if (const auto t = line.find("TEXT  "); t != std::string_view::npos) {
      ReportMemo.AddLine("CELL: " + Head(BrbufMemo2));
      const std::string text = mml::ValueBelow(BrMemo, i, t, 25);
      ReportMemo.AddLine("RLMBC:ID=50,CODE=" + Head(BrbufMemo1) +
                         ",GS=0,PAGE=1,TEXT=" + DirnaqEdit.Text() + text + DirnaqEdit.Text() + ";");
      ReportMemo.AddLine("");
    }
    if (!Contains(line, "<")) continue;
    const bool last = BrbufMemo1.LineCount() == 1;
    BrbufMemo1.DeleteLine(0);
    BrbufMemo2.DeleteLine(0);
    if (last) {
      Phase3Done = "OK";
      End();
      return true;
    }
    BrStep = mml::kReady;
    return false;
  }
  return false;
}

void BroadcastPage::BrIdTelnetDisconnected() {
  BrAttached = false;
  Phase1Done.clear();
  Phase2Done.clear();
  Phase3Done.clear();
  if (StartButton.Caption() == "Stop") StartButtonClick();
  SetHidden({&BrbufMemo1, &BrbufMemo2, &BrbufMemo3, &BrMemo}, true);
}

}  // namespace kestrel::broadcast
