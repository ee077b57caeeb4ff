#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "controls/control.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "mml/properties_form.h"
#include "mml/session.h"
#include "mml/telnet_client.h"
#include "pages/shared/outcomes.h"
#include "pages/shared/read_form.h"
#include "platform/ports.h"

namespace kestrel::relocation {

// The "Dasinma ucun qonsuluq" page: for cells that move to another BSC, their neighbours
// (RLNRP) and the cell data of every name (RLDEP), then the script of the relations that stay
// on one BSC after the move and a comment for each that does not.
class RelocationPage {
 public:
  static constexpr int kRows = 66;
  static constexpr int kColumns = 603;
  static constexpr int kReadRows = 65;  // a pass reads a cell and its first 64 neighbours
  static constexpr int kMostCells = 200;

  // One name of a moved cell's column (the cell itself first, then its neighbours) with its
  // BSC number before and after the move and its BCCH number, as values (printable) for
  // tools that read the results.
  struct TableRow {
    std::string cell;
    std::string name;
    std::string bsc_before;
    std::string bsc_after;
    std::string bcch;
  };

  RelocationPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
                 pages::ReadForm& read_form, platform::Messages& messages);
  RelocationPage(const RelocationPage&) = delete;
  RelocationPage& operator=(const RelocationPage&) = delete;

  controls::Memo DqonListMemo;
  // The list's place on the page: disabled while a check runs, since the list is its work list.
  controls::Panel DqonListPanel;
  controls::ComboBox DqonoComboBox, DqondComboBox;
  controls::Memo DqonrepMemo;
  controls::Button DqonstartButton{"Start"};
  controls::Button SpeedButton6{"Show script"};
  controls::Memo DqonbufMemo;     // hidden printout buffer
  controls::ListBox DqonListBox;  // hidden: the moved cells, later a work list

  bool DqonAttached = false;
  std::string DqonStep;
  std::string DqonNeighboursDone, DqonCellDataDone;
  int DqonCount = 0;
  // [row][column]: three columns per moved cell (names, BSC numbers, BCCH numbers).
  std::vector<std::array<std::string, kColumns>> DqonTable;

  // How the present BSC's check fared: Begin when its session starts, Reached at its prompt,
  // Finished when the script is written, a Problem for each refused command or unusable
  // value, EndedEarly when the session ended before the script.
  pages::Outcomes Outcomes;
  // What the check found, filled when the script is written and emptied at Start: the table
  // row by row, and the script line by line (without line breaks).
  std::vector<TableRow> TableRows;
  std::vector<std::string> ScriptLines;

  void SetMaxPrintout(std::size_t bytes) { session_.SetMaxPrintout(bytes); }

  // Makes the list the check's work list (upper case, no blanks around the names, no empty
  // lines); says why it cannot be checked, or nothing. Start does this first.
  std::string PrepareList();
  void DqonstartButtonClick();
  void SpeedButton6Click() { read_form_.Show(); }
  void DqonIdTelnetDataAvailable(std::string_view chunk);
  void DqonIdTelnetDisconnected();

 private:
  std::string CurrentName() const { return std::string(DqonListMemo.Line(0)); }
  bool NeighboursComplete();
  bool CellDataComplete();
  void ExpandNameList();
  void ReportColumns();
  // The table into TableRows: before the move (`moved` false) its rows, after it the BSC
  // numbers they move to.
  void RecordTable(bool moved);
  void MoveToTarget();
  void WriteScript();
  void SetChecking(bool checking);
  void EndSession();
  // A line of the report that is also a problem of the check.
  void Problem(const std::string& line);
  // The gateway would not let the check run: the report and a message say why, and the page
  // ends as Stop ends it.
  void Refused(const std::string& line, const std::string& why);
  // The rows of a column down to its first empty entry, at most kReadRows.
  int Rows(int column) const;

  mml::TelnetClient& DqonIdTelnet;
  pages::ReadForm& read_form_;
  platform::Messages& messages_;
  mml::Session session_;
  // A check runs: from Start until the script is written or the session ends.
  bool checking_ = false;
  // The page itself is ending the session: its end is not a loss.
  bool ending_ = false;
  // Neighbours a moved cell had beyond the room of its column, for the report.
  std::vector<std::pair<std::string, int>> left_out_;
};

// The BSC number a CGI (MCC-MNC-LAC-CI) names: the first digit of a three-digit location area
// code, the first two of a four-digit one. Empty when the CGI is not digits and dashes or the
// number would not be digits.
std::string BscNumberOfCgi(std::string_view cgi);

}  // namespace kestrel::relocation
