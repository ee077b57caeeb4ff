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

  RelocationPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
                 pages::ReadForm& read_form, platform::Messages& messages);
  RelocationPage(const RelocationPage&) = delete;
  RelocationPage& operator=(const RelocationPage&) = delete;

  controls::Memo DqonListMemo;
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
  void WriteScript();
  // The rows of a column down to its first empty entry, at most kReadRows.
  int Rows(int column) const;

  mml::TelnetClient& DqonIdTelnet;
  pages::ReadForm& read_form_;
  platform::Messages& messages_;
  mml::Session session_;
  // Neighbours a moved cell had beyond the room of its column, for the report.
  std::vector<std::pair<std::string, int>> left_out_;
};

// The BSC number a CGI (MCC-MNC-LAC-CI) names: the first digit of a three-digit location area
// code, the first two of a four-digit one.
std::string BscNumberOfCgi(std::string_view cgi);

}  // namespace kestrel::relocation
