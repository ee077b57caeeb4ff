#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/timer.h"
#include "mml/properties_form.h"
#include "mml/session.h"
#include "mml/telnet_client.h"
#include "pages/shared/read_form.h"

namespace kestrel::neighbours {

// The cell parameters collected for one cell, in this order of slots.
enum Slot {
  kCgi,
  kBsic,
  kBcchno,
  kCsystype,
  kMstxpwr,
  kBspwr,
  kBstxpwr,
  kBsrxmin,
  kAw,
  kScho,
  kBsrxsuff,
  kMsrxmin,
  kMsrxsuff,
  kLayer,
  kLayerthr,
  kLayerhyst,
  kSlots
};
using CellRecord = std::array<std::string, kSlots>;

// One side of the page: a BSC, its cell list, its session and what it collected. The Cell
// and the Cellr side are twins that differ only in these objects.
struct Side {
  Side(controls::ComboBox& bsc, controls::Memo& list, mml::TelnetClient& telnet,
       const mml::PropertiesForm& properties);

  controls::ComboBox& bsc;
  controls::Memo& list;
  mml::TelnetClient& telnet;
  controls::Memo Buffer;  // hidden printout buffer
  bool Attached = false;
  std::string Step;
  int Index = 0;  // the list line whose cell is being collected
  std::string DepDone, CppDone, LopDone, LhpDone, Finished;
  // Record k holds the cell of list line k. It grows with the list and is never cleared:
  // a slot keeps its value until a printout overwrites it.
  std::vector<CellRecord> Table;
  mml::Session session;

  const std::string& Value(std::size_t record, Slot slot) const;
};

// The "Qonsuluq" page: collects the parameters of two parallel cell lists over two sessions
// at once (RLDEP, RLCPP, RLLOP, RLLHP per cell), then writes the neighbour-relation script
// for every cell pair into the "READ" viewer.
class NeighboursPage {
 public:
  NeighboursPage(mml::TelnetClient& cell_telnet, mml::TelnetClient& cellr_telnet,
                 const mml::PropertiesForm& properties, pages::ReadForm& read_form);
  NeighboursPage(const NeighboursPage&) = delete;
  NeighboursPage& operator=(const NeighboursPage&) = delete;

  controls::ComboBox CellbscComboBox, CellrbscComboBox;
  controls::Memo Memocell, Memocellr;
  controls::Label Label8{"0"}, Label9{"0"};
  controls::ComboBox Extpen, Cand;
  controls::Edit Trhyst{"2"}, Troffsetp{"0"}, Lhyst{"6"}, Awoffset{"3"}, Hihyst{"3"}, Khyst{"3"},
      Mbcr{"2"};
  controls::Button SpeedButton1{"Show script"};
  controls::Button StartqonButton{"Start"};
  controls::ProgressBar ProgressBar1;
  controls::Label Label16;
  controls::Panel Panel4, Panel6;
  controls::Timer Exqontime{1000, true};

  Side Cell, Cellr;

  void StartqonButtonClick();
  void SpeedButton1Click();
  void CellIdTelnetDataAvailable(std::string_view chunk) { DataAvailable(Cell, chunk); }
  void CellrIdTelnetDataAvailable(std::string_view chunk) { DataAvailable(Cellr, chunk); }
  void CellIdTelnetDisconnected() { Cell.Attached = false; }
  void CellrIdTelnetDisconnected() { Cellr.Attached = false; }
  void ExqontimeTimer();

  // Writes the script of the collected pairs into the viewer (internal or external form).
  void WriteScript();

 private:
  void DataAvailable(Side& side, std::string_view chunk);
  void Parse(Side& side, std::size_t command);
  void SendNext(Side& side);
  std::string Command(const Side& side, std::size_t command) const;

  pages::ReadForm& read_form_;
  controls::Notifier::Subscription cell_count_, cellr_count_;
};

// Number of lines of a list: an empty last line is not counted.
int ListLines(const controls::Memo& list);

}  // namespace kestrel::neighbours
