#include "pages/neighbours/neighbours_page.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "mml/answer.h"
#include "mml/columns.h"
#include "mml/network_elements.h"
#include "mml/text.h"
#include "pages/neighbours/merged_outcomes.h"
#include "pages/shared/cell_list.h"

namespace kestrel::neighbours {

int ListLines(const controls::Memo& list) { return static_cast<int>(list.LineCount()); }

Side::Side(std::string_view side_name, controls::ComboBox& bsc_combo, controls::Memo& cell_list,
           mml::TelnetClient& client, const mml::PropertiesForm& properties)
    : name(side_name), bsc(bsc_combo), list(cell_list), telnet(client), session{client,
                                                                                Buffer,
                                                                                nullptr,
                                                                                Attached,
                                                                                Step,
                                                                                properties} {
  Buffer.SetVisible(false);
}

const std::string& Side::Value(std::size_t record, Slot slot) const {
  static const std::string empty;
  return record < Table.size() ? Table[record][slot] : empty;
}

std::string Side::Unusable(std::size_t record, Slot slot) const {
  if (record < Unread.size() && !Unread[record][slot].empty()) return Unread[record][slot];
  const std::string& value = Value(record, slot);
  if (value.empty()) return "no value in the " + std::string(CodeOfSlot(slot)) + " printout";
  if (!FitsSlot(slot, value)) return "\"" + mml::Printable(value) + "\" does not fit";
  return {};
}

// Why the values of `slots` of a side's record cannot go into a line, slots with the same
// reason together: "BCCHNO, CGI of C09101A: no value in the RLDEP printout"; empty when all can.
std::string Side::Unusable(std::size_t record, const std::vector<Slot>& slots) const {
  std::vector<std::pair<std::string, std::string>> reasons;  // reason, its slots
  for (Slot slot : slots) {
    const std::string why = Unusable(record, slot);
    if (why.empty()) continue;
    auto found = std::find_if(reasons.begin(), reasons.end(),
                              [&](const auto& reason) { return reason.first == why; });
    if (found == reasons.end()) {
      reasons.emplace_back(why, std::string(SlotName(slot)));
    } else {
      found->second += ", " + std::string(SlotName(slot));
    }
  }
  std::string text;
  for (const auto& [why, names] : reasons) {
    if (!text.empty()) text += "; ";
    text += names + " of " + Owner(record) + ": " + why;
  }
  return text;
}

std::string Side::Owner(std::size_t record) const {
  const std::string_view cell = list.Line(record);
  if (!cell.empty()) return std::string(cell);
  return "the empty line " + std::to_string(record + 1) + " of the " + std::string(name) + " list";
}

NeighboursPage::NeighboursPage(mml::TelnetClient& cell_telnet, mml::TelnetClient& cellr_telnet,
                               const mml::PropertiesForm& properties, pages::ReadForm& read_form)
    : CellbscComboBox(mml::BscPickList(), "ALTBSC1_X29,PROT=V24"),
      CellrbscComboBox(mml::BscPickList(), "ALTBSC1_X29,PROT=V24"),
      Extpen({"ON", "OFF"}, "ON"),
      Cand({"AWN", "NHN", "BOTH"}, "BOTH"),
      Cell("Cell", CellbscComboBox, Memocell, cell_telnet, properties),
      Cellr("Cellr", CellrbscComboBox, Memocellr, cellr_telnet, properties),
      read_form_(read_form) {
  ProgressBar1.SetVisible(false);
  Label16.SetVisible(false);
  cell_count_ = Memocell.changed.Subscribe(
      [this] { Label8.SetCaption(std::to_string(ListLines(Memocell))); });
  cellr_count_ = Memocellr.changed.Subscribe(
      [this] { Label9.SetCaption(std::to_string(ListLines(Memocellr))); });
  cell_telnet.OnDataAvailable = [this](std::string_view chunk) {
    CellIdTelnetDataAvailable(chunk);
  };
  cell_telnet.OnDisconnected = [this] { CellIdTelnetDisconnected(); };
  cellr_telnet.OnDataAvailable = [this](std::string_view chunk) {
    CellrIdTelnetDataAvailable(chunk);
  };
  cellr_telnet.OnDisconnected = [this] { CellrIdTelnetDisconnected(); };
  Exqontime.OnTimer = [this] { ExqontimeTimer(); };
}

void NeighboursPage::SetMaxPrintout(std::size_t bytes) {
  Cell.session.SetMaxPrintout(bytes);
  Cellr.session.SetMaxPrintout(bytes);
}

void NeighboursPage::MergeLedgers() { MergeOutcomes({&Cell.ledger, &Cellr.ledger}, Outcomes); }

void NeighboursPage::StartqonButtonClick() {
  if (StartqonButton.Caption() == "Start") {
    LastFailure.clear();
    for (const Side* side : {&Cell, &Cellr}) {
      const std::string list = std::string(side->name) + " list";
      std::string why = pages::IllShapedCellLine(side->list, list);
      if (why.empty()) why = pages::CellListWithoutCells(side->list, list);
      if (why.empty()) continue;
      LastFailure = why;
      if (messages_ != nullptr) messages_->Inform(why);
      return;
    }
    for (Side* side : {&Cell, &Cellr}) {
      side->Table.clear();
      side->Unread.clear();
    }
    for (Side* side : {&Cell, &Cellr}) {
      side->ledger.Begin(side->bsc.Text());
      try {
        side->session.Connect();
      } catch (const std::exception& error) {
        // The page stays idle, so the first side's session must not run on behind it.
        side->ledger.EndedEarly(std::string("could not connect: ") + error.what());
        if (side == &Cellr)
          Cell.ledger.EndedEarly("not collected: the Cellr side could not connect");
        ending_ = true;
        Cell.telnet.Disconnect();
        ending_ = false;
        MergeLedgers();
        throw;
      }
    }
    MergeLedgers();
    collecting_ = true;
    StartqonButton.SetCaption("Stop");
    Exqontime.SetEnabled(true);
    ProgressBar1.SetVisible(true);
    Label16.SetVisible(true);
    Panel4.SetEnabled(false);
    Panel6.SetEnabled(false);
    return;
  }
  if (collecting_) {
    for (Side* side : {&Cell, &Cellr}) {
      if (!side->Done()) side->ledger.EndedEarly("stopped");
    }
    MergeLedgers();
  }
  EndSessions();
}

// The page ends both sessions itself (Stop, or a side that cannot go on): not a loss.
void NeighboursPage::EndSessions() {
  ending_ = true;
  Cell.telnet.Disconnect();
  Cellr.telnet.Disconnect();
  ending_ = false;
  Reset();
}

void NeighboursPage::Reset() {
  collecting_ = false;
  StartqonButton.SetCaption("Start");
  for (Side* side : {&Cell, &Cellr}) {
    side->Finished.clear();
    side->DepDone.clear();
    side->CppDone.clear();
    side->LopDone.clear();
    side->LhpDone.clear();
    side->Index = 0;
  }
  ProgressBar1.SetVisible(false);
  Label16.SetVisible(false);
  Panel4.SetEnabled(true);
  Panel6.SetEnabled(true);
}

void NeighboursPage::SpeedButton1Click() { read_form_.Show(); }

std::string NeighboursPage::Command(const Side& side, std::size_t command) const {
  return std::string(Chain()[command].code) +
         ":CELL=" + std::string(side.list.Line(static_cast<std::size_t>(side.Index))) + ";";
}

void NeighboursPage::DataAvailable(Side& side, std::string_view chunk) {
  const mml::Received received = side.session.Receive(chunk, side.bsc.Text());
  if (received.refused) return Fail(side, "refused: " + *received.refused);
  if (received.overflow) {
    // The cap's message names the element first; the side's message names it already.
    std::string_view why = *received.overflow;
    const std::string element = side.bsc.Text() + ": ";
    if (why.starts_with(element)) why.remove_prefix(element.size());
    return Fail(side, std::string(why));
  }
  if (received.element_missing) return Fail(side, "nothing to answer \"NE:\" with");
  if (received.attached_now) {
    side.ledger.Reached();
    MergeLedgers();
  }
  if (chunk.find('<') != std::string_view::npos) {
    for (std::size_t command = 0; command < Chain().size(); ++command) {
      if (side.Step == Command(side, command)) {
        Parse(side, command);
        break;
      }
    }
  }
  SendNext(side);
}

void NeighboursPage::Disconnected(Side& side) {
  const bool was_attached = side.Attached;
  side.Attached = false;
  side.session.Closed();
  if (ending_) return;
  if (!collecting_) {
    // Once the script is written the sessions are the engineer's to end; when the last of
    // them is gone, nothing runs any more and the button reads "Start" again.
    if (!Cell.telnet.Connected() && !Cellr.telnet.Connected()) Reset();
    return;
  }
  if (side.Done()) return;  // a side whose cells are all collected has nothing left to lose
  if (!side.telnet.ConnectError.empty()) {
    return Fail(side, "could not connect: " + mml::Printable(side.telnet.ConnectError));
  }
  std::string why = "connection lost";
  if (!side.telnet.EndReason.empty()) why += " (" + mml::Printable(side.telnet.EndReason) + ")";
  if (!was_attached) {
    why += " during the login";
  } else if (side.Step != mml::kReady) {
    why += " while " + mml::Printable(side.Step) + " was in flight";
  }
  Fail(side, why);
}

namespace {

// The cells of a side from `index` on, for a message: the first few by name.
std::string CellsFrom(const controls::Memo& list, int index) {
  constexpr int kNamed = 10;
  const int last = std::max(ListLines(list), 1);  // an empty list still runs one empty name
  std::string names;
  for (int k = index; k < last && k < index + kNamed; ++k) {
    const std::string_view cell = list.Line(static_cast<std::size_t>(k));
    if (!names.empty()) names += ", ";
    names += cell.empty() ? "(empty line " + std::to_string(k + 1) + ")" : mml::Printable(cell);
  }
  if (last - index > kNamed) names += " and " + std::to_string(last - index - kNamed) + " more";
  return names;
}

}  // namespace

// A side that cannot go on ends both: the message says how each side ended.
void NeighboursPage::Fail(Side& side, const std::string& why) {
  Side& other = &side == &Cell ? Cellr : Cell;
  const std::string message = SideEnd(side, why);
  const std::string other_end =
      other.Done() ? "all cells collected" : "stopped with the " + std::string(side.name) + " side";
  const std::string both = &side == &Cell ? message + "\n" + SideEnd(other, other_end)
                                          : SideEnd(other, other_end) + "\n" + message;
  side.session.Note(message);
  side.ledger.EndedEarly(why);
  if (!other.Done()) other.ledger.EndedEarly(other_end + ": " + why);
  MergeLedgers();
  EndSessions();
  LastFailure = message;
  if (messages_ != nullptr) messages_->Warn(both);
}

std::string NeighboursPage::SideEnd(const Side& side, const std::string& why) const {
  const std::string bsc = side.bsc.Text().empty() ? "no BSC" : mml::Printable(side.bsc.Text());
  std::string line = std::string(side.name) + ": " + bsc + ": " + why;
  if (!side.Done()) line += "; cells not collected: " + CellsFrom(side.list, side.Index);
  return line;
}

// A refused command gave the cell no values; otherwise every heading of the command is read
// wherever it stands, the value from the row below it (or the one after, below a page
// header), and the last occurrence wins.
void NeighboursPage::Parse(Side& side, std::size_t command) {
  const auto record = static_cast<std::size_t>(side.Index);
  if (side.Table.size() <= record) side.Table.resize(record + 1);
  if (side.Unread.size() <= record) side.Unread.resize(record + 1);
  bool prompt = false;
  for (std::size_t i = 0; i < side.Buffer.LineCount() && !prompt; ++i) {
    prompt = side.Buffer.Line(i).find('<') != std::string_view::npos;
  }
  if (!prompt) return;
  const mml::Answer answer = mml::ReadAnswer(side.Buffer);
  if (answer.Refused()) {
    const std::string note = answer.RefusalNote(side.bsc.Text(), side.Step);
    for (const Heading& heading : Chain()[command].headings) {
      side.Table[record][heading.slot].clear();
      side.Unread[record][heading.slot] = note;
    }
    side.session.Note(note);
    side.ledger.Problem(note);
    MergeLedgers();
  } else {
    ReadValues(side, command, record);
  }
  Advance(side, command);
}

void NeighboursPage::ReadValues(Side& side, std::size_t command, std::size_t record) {
  for (std::size_t i = 0; i < side.Buffer.LineCount(); ++i) {
    const std::string_view line = side.Buffer.Line(i);
    for (const Heading& heading : Chain()[command].headings) {
      if (const auto p = line.find(heading.text); p != std::string_view::npos) {
        side.Table[record][heading.slot] = mml::ValueBelow(side.Buffer, i, p, heading.width);
      }
    }
    if (line.find('<') != std::string_view::npos) break;
  }
  std::vector<Slot> slots;
  for (const Heading& heading : Chain()[command].headings) slots.push_back(heading.slot);
  const std::string unusable = side.Unusable(record, slots);
  if (unusable.empty()) return;
  side.ledger.Problem(mml::Printable(side.bsc.Text()) + ": " + mml::Printable(side.Step) + " " +
                      mml::Printable(unusable));
  MergeLedgers();
}

// The command's printout is done: the next command of the cell, or the next cell.
void NeighboursPage::Advance(Side& side, std::size_t command) {
  side.Step = mml::kReady;
  std::string* done[] = {&side.DepDone, &side.CppDone, &side.LopDone};
  if (command < 3) {
    *done[command] = "OK";
  } else if (side.Index >= ListLines(side.list) - 1) {
    side.Index = 0;
    side.LhpDone = "OK";
    side.Finished = "OK";
    side.ledger.Finished();
    MergeLedgers();
  } else {
    ++side.Index;
    side.DepDone.clear();
    side.CppDone.clear();
    side.LopDone.clear();
  }
}

void NeighboursPage::SendNext(Side& side) {
  if (!side.Attached || side.Step != mml::kReady) return;
  const std::string* done[] = {&side.DepDone, &side.CppDone, &side.LopDone, &side.LhpDone};
  for (std::size_t command = 0; command < Chain().size(); ++command) {
    if (*done[command] == "OK") continue;
    side.session.Send(Command(side, command));
    return;
  }
}

void NeighboursPage::ExqontimeTimer() {
  ProgressBar1.SetMax(ListLines(Memocell));
  ProgressBar1.SetPosition(Cell.Index);
  Label16.SetCaption((Label16.Caption() == "||||||||||||" ? std::string() : Label16.Caption()) +
                     "|");
  if (Cell.Finished == "OK" && Cellr.Finished == "OK") WriteScript();
}

}  // namespace kestrel::neighbours
