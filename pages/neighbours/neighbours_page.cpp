#include "pages/neighbours/neighbours_page.h"

#include <stdexcept>

#include "mml/columns.h"
#include "mml/network_elements.h"

namespace kestrel::neighbours {

namespace {

struct Heading {
  std::string_view text;
  Slot slot;
  std::size_t width;
};

// The four printouts of a cell: command code, and the headings read from its printout.
struct Printout {
  std::string_view code;
  std::vector<Heading> headings;
};

const std::array<Printout, 4>& Chain() {
  static const std::array<Printout, 4> chain = {{
      {"RLDEP",
       {{"CGI", kCgi, 20}, {"BSIC", kBsic, 4}, {"BCCHNO", kBcchno, 5}, {"CSYSTYPE", kCsystype, 8}}},
      {"RLCPP", {{"MSTXPWR", kMstxpwr, 3}}},
      {"RLLOP",
       {{"BSPWR", kBspwr, 3},
        {"BSTXPWR", kBstxpwr, 3},
        {"BSRXMIN", kBsrxmin, 3},
        {"AW", kAw, 3},
        {"SCHO", kScho, 4},
        {"BSRXSUFF", kBsrxsuff, 3},
        {"MSRXMIN", kMsrxmin, 3},
        {"MSRXSUFF", kMsrxsuff, 3}}},
      {"RLLHP", {{"LAYER ", kLayer, 3}, {"LAYERTHR", kLayerthr, 3}, {"LAYERHYST", kLayerhyst, 3}}},
  }};
  return chain;
}

}  // namespace

int ListLines(const controls::Memo& list) { return static_cast<int>(list.LineCount()); }

Side::Side(controls::ComboBox& bsc_combo, controls::Memo& cell_list, mml::TelnetClient& client,
           const mml::PropertiesForm& properties)
    : bsc(bsc_combo), list(cell_list), telnet(client), session{client,   Buffer, nullptr,
                                                               Attached, Step,   properties} {
  Buffer.SetVisible(false);
}

const std::string& Side::Value(std::size_t record, Slot slot) const {
  static const std::string empty;
  return record < Table.size() ? Table[record][slot] : empty;
}

NeighboursPage::NeighboursPage(mml::TelnetClient& cell_telnet, mml::TelnetClient& cellr_telnet,
                               const mml::PropertiesForm& properties, pages::ReadForm& read_form)
    : CellbscComboBox(mml::BscPickList(), "ALTBSC1_X29,PROT=V24"),
      CellrbscComboBox(mml::BscPickList(), "ALTBSC1_X29,PROT=V24"),
      Extpen({"ON", "OFF"}, "ON"),
      Cand({"AWN", "NHN", "BOTH"}, "BOTH"),
      Cell(CellbscComboBox, Memocell, cell_telnet, properties),
      Cellr(CellrbscComboBox, Memocellr, cellr_telnet, properties),
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

void NeighboursPage::StartqonButtonClick() {
  if (StartqonButton.Caption() == "Start") {
    Cell.session.Connect();
    try {
      Cellr.session.Connect();
    } catch (...) {
      // The page stays idle, so the first side's session must not run on behind it.
      Cell.telnet.Disconnect();
      throw;
    }
    StartqonButton.SetCaption("Stop");
    Exqontime.SetEnabled(true);
    ProgressBar1.SetVisible(true);
    Label16.SetVisible(true);
    Panel4.SetEnabled(false);
    Panel6.SetEnabled(false);
    return;
  }
  Cell.telnet.Disconnect();
  Cellr.telnet.Disconnect();
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
  // A refused login or an answer past the printout cap ends the session.
  if (received.refused || received.overflow) {
    side.telnet.Disconnect();
    return;
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

// Reads every heading of the command wherever it stands, the value from the row below it
// (or the one after, below a page header); the last occurrence wins.
void NeighboursPage::Parse(Side& side, std::size_t command) {
  const auto record = static_cast<std::size_t>(side.Index);
  if (side.Table.size() <= record) side.Table.resize(record + 1);
  for (std::size_t i = 0; i < side.Buffer.LineCount(); ++i) {
    const std::string_view line = side.Buffer.Line(i);
    for (const Heading& heading : Chain()[command].headings) {
      if (const auto p = line.find(heading.text); p != std::string_view::npos) {
        side.Table[record][heading.slot] = mml::ValueBelow(side.Buffer, i, p, heading.width);
      }
    }
    if (line.find('<') == std::string_view::npos) continue;
    side.Step = mml::kReady;
    std::string* done[] = {&side.DepDone, &side.CppDone, &side.LopDone};
    if (command < 3) {
      *done[command] = "OK";
    } else if (side.Index >= ListLines(side.list) - 1) {
      side.Index = 0;
      side.LhpDone = "OK";
      side.Finished = "OK";
    } else {
      ++side.Index;
      side.DepDone.clear();
      side.CppDone.clear();
      side.LopDone.clear();
    }
    return;
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
