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
#include "pages/neighbours/cell_slots.h"
#include "pages/shared/outcomes.h"
#include "pages/shared/read_form.h"
#include "platform/ports.h"

namespace kestrel::neighbours {

// One side of the page: a BSC, its cell list, its session and what it collected. The Cell
// and the Cellr side are twins that differ only in these objects.
struct Side {
  Side(std::string_view name, controls::ComboBox& bsc, controls::Memo& list,
       mml::TelnetClient& telnet, const mml::PropertiesForm& properties);

  std::string_view name;  // "Cell" or "Cellr"
  controls::ComboBox& bsc;
  controls::Memo& list;
  mml::TelnetClient& telnet;
  controls::Memo Buffer;  // hidden printout buffer
  bool Attached = false;
  std::string Step;
  int Index = 0;  // the list line whose cell is being collected
  std::string DepDone, CppDone, LopDone, LhpDone, Finished;
  // Record k holds the cell of list line k. Emptied at Start, so that a slot that this
  // collection did not fill is empty, never a value of another cell or of an earlier run.
  std::vector<CellRecord> Table;
  // Beside each slot of Table: why its command gave no value (the element's refusal); empty
  // when its printout answered.
  std::vector<CellRecord> Unread;
  mml::Session session;
  // This side's own record of how its BSC's work ended (see NeighboursPage::Outcomes).
  pages::Outcomes ledger;

  const std::string& Value(std::size_t record, Slot slot) const;
  // Why the slot's value cannot go into a script line; empty when it can.
  std::string Unusable(std::size_t record, Slot slot) const;
  // The same for several slots, those with the same reason together: "BCCHNO, CGI of C09101A:
  // no value in the RLDEP printout"; empty when all can.
  std::string Unusable(std::size_t record, const std::vector<Slot>& slots) const;
  // The cell of list line `record`, as a note names it.
  std::string Owner(std::size_t record) const;
  // All of the side's cells, the last one included, were collected in this run.
  bool Done() const { return LhpDone == "OK"; }
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

  // How each side's BSC fared: Begin when its session starts, Reached at its prompt, Finished
  // when all its cells were collected, a Problem for each command refused or value unusable,
  // EndedEarly when the session ended before that.
  pages::Outcomes Outcomes;
  // Why the collection ended before its script, as the message said it; cleared by Start.
  std::string LastFailure;

  // Where the page shows why a collection ended early; without one it only keeps LastFailure.
  void SetMessages(platform::Messages& messages) { messages_ = &messages; }
  void SetMaxPrintout(std::size_t bytes);

  void StartqonButtonClick();
  void SpeedButton1Click();
  void CellIdTelnetDataAvailable(std::string_view chunk) { DataAvailable(Cell, chunk); }
  void CellrIdTelnetDataAvailable(std::string_view chunk) { DataAvailable(Cellr, chunk); }
  void CellIdTelnetDisconnected() { Disconnected(Cell); }
  void CellrIdTelnetDisconnected() { Disconnected(Cellr); }
  void ExqontimeTimer();

  // Writes the script of the collected pairs into the viewer (internal or external form).
  void WriteScript();

 private:
  void DataAvailable(Side& side, std::string_view chunk);
  void Disconnected(Side& side);
  void Parse(Side& side, std::size_t command);
  void ReadValues(Side& side, std::size_t command, std::size_t record);
  void Advance(Side& side, std::size_t command);
  void SendNext(Side& side);
  std::string Command(const Side& side, std::size_t command) const;
  // Ends the collection because `side`'s session ended before its cells were collected.
  void Fail(Side& side, const std::string& why);
  // How a side ended, for a message: "Cell: BSC9: <why>; cells not collected: C09101A, ...".
  std::string SideEnd(const Side& side, const std::string& why) const;
  void EndSessions();
  // What Stop leaves: the page idle and ready for the next Start.
  void Reset();
  void MergeLedgers();

  pages::ReadForm& read_form_;
  platform::Messages* messages_ = nullptr;
  // A collection runs: from Start until the script is written or the page is reset.
  bool collecting_ = false;
  // The page itself is ending the sessions: their ends are not losses.
  bool ending_ = false;
  controls::Notifier::Subscription cell_count_, cellr_count_;
};

// Number of lines of a list: an empty last line is not counted.
int ListLines(const controls::Memo& list);

}  // namespace kestrel::neighbours
