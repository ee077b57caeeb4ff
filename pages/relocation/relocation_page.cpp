#include "pages/relocation/relocation_page.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "mml/columns.h"
#include "mml/network_elements.h"

namespace kestrel::relocation {

using mml::Contains;

namespace {}  // namespace

std::string BscNumberOfCgi(std::string_view cgi) {
  const std::string_view code = mml::Cut(cgi, 7, 4);
  if (code.empty()) return {};
  return std::string(code.size() >= 4 && code[3] == '-' ? code.substr(0, 1) : code.substr(0, 2));
}

RelocationPage::RelocationPage(mml::TelnetClient& telnet, const mml::PropertiesForm& properties,
                               pages::ReadForm& read_form, platform::Messages& messages)
    : DqonIdTelnet(telnet), read_form_(read_form), messages_(messages), session_{telnet,
                                                                                 DqonbufMemo,
                                                                                 nullptr,
                                                                                 DqonAttached,
                                                                                 DqonStep,
                                                                                 properties} {
  DqonoComboBox.SetItems(mml::NetworkElementPickList());
  DqonoComboBox.SetItemIndex(0);
  std::vector<std::string> numbers;
  for (int n = 1; n <= 18; ++n) numbers.push_back(std::to_string(n));
  DqondComboBox.SetItems(numbers);
  DqondComboBox.SetItemIndex(0);
  DqonbufMemo.SetVisible(false);
  DqonListBox.SetVisible(false);
  DqonTable.resize(kRows);
  DqonIdTelnet.OnDataAvailable = [this](std::string_view chunk) {
    DqonIdTelnetDataAvailable(chunk);
  };
  DqonIdTelnet.OnDisconnected = [this] { DqonIdTelnetDisconnected(); };
}

int RelocationPage::Rows(int column) const {
  int rows = 0;
  while (rows < kReadRows &&
         !DqonTable[static_cast<std::size_t>(rows)][static_cast<std::size_t>(column)].empty()) {
    ++rows;
  }
  return rows;
}

void RelocationPage::DqonstartButtonClick() {
  if (DqonstartButton.Caption() != "Start") {
    DqonIdTelnet.Disconnect();
    DqonstartButton.SetCaption("Start");
    DqonAttached = false;
    DqonNeighboursDone.clear();
    DqonCellDataDone.clear();
    return;
  }
  if (DqonListMemo.LineCount() > static_cast<std::size_t>(kMostCells)) {
    messages_.Show("CELL-lerin sayi 200-den artiq ola bilmez!!!");
    return;
  }
  if (DqonListMemo.Text().empty()) {
    messages_.Show("CELL-elave et");
    return;
  }
  std::string upper = DqonListMemo.Text();
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  DqonListMemo.SetText(upper);
  DqonListBox.Clear();
  for (std::size_t i = 0; i < DqonListMemo.LineCount(); ++i) DqonListBox.Add(DqonListMemo.Line(i));
  // An earlier check leaves nothing behind in the table.
  for (auto& row : DqonTable) row.fill({});
  left_out_.clear();
  session_.Connect();
  DqonstartButton.SetCaption("Stop");
  DqonCount = 0;
}

void RelocationPage::DqonIdTelnetDataAvailable(std::string_view chunk) {
  const mml::Received received = session_.Receive(chunk, DqonoComboBox.Text());
  // A refused login or an answer past the printout cap ends the session.
  if (received.refused || received.overflow) {
    DqonIdTelnet.Disconnect();
    return;
  }
  if (Contains(chunk, "<")) {
    const std::string name = CurrentName();
    if (DqonStep == "RLNRP:CELL=" + name + ",CELLR=ALL,NODATA;") {
      NeighboursComplete();
    } else if (DqonStep == "RLDEP:CELL=" + name + ";") {
      CellDataComplete();
    }
  }
  if (!DqonAttached || DqonStep != mml::kReady) return;
  if (DqonNeighboursDone != "OK") {
    session_.Send("RLNRP:CELL=" + CurrentName() + ",CELLR=ALL,NODATA;");
  } else if (DqonCellDataDone != "OK") {
    session_.Send("RLDEP:CELL=" + CurrentName() + ";");
  }
}

// Phase 1: the neighbours of the current moved cell into its names column.
bool RelocationPage::NeighboursComplete() {
  const auto column = static_cast<std::size_t>(DqonCount);
  const std::string name = CurrentName();
  std::size_t row = 1;
  int beyond = 0;
  for (std::size_t i = 0; i < DqonbufMemo.LineCount(); ++i) {
    const std::string_view line = DqonbufMemo.Line(i);
    if (const auto p = line.find("CELLR     DIR"); p != std::string_view::npos) {
      const std::string neighbour =
          mml::WithoutControlCharacters(mml::ValueBelow(DqonbufMemo, i, p, 7));
      if (row < static_cast<std::size_t>(kReadRows)) {
        DqonTable[row++][column] = neighbour;
      } else {
        ++beyond;  // no room in the column
      }
    }
    if (!Contains(line, "<")) continue;
    DqonTable[0][column] = name;
    if (beyond > 0) left_out_.emplace_back(name, beyond);
    DqonListMemo.DeleteLine(0);
    if (DqonListMemo.LineCount() == 0) {
      DqonNeighboursDone = "OK";
      ExpandNameList();
    } else {
      DqonCount += 3;
    }
    DqonStep = mml::kReady;
    return true;
  }
  return false;
}

// Every name of every column, once each: the names whose cell data are read next.
void RelocationPage::ExpandNameList() {
  std::set<std::string> seen;
  std::string names;
  for (int column = 0; column <= DqonCount; column += 3) {
    for (int row = 0; row < Rows(column); ++row) {
      const std::string& name =
          DqonTable[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
      if (seen.insert(name).second) names += name + "\r\n";
    }
  }
  DqonListMemo.SetText(names);
}

// Phase 2: the BCCH number and, from the CGI, the BSC number of the current name, into every
// row where the name stands.
bool RelocationPage::CellDataComplete() {
  const std::string name = CurrentName();
  for (std::size_t i = 0; i < DqonbufMemo.LineCount(); ++i) {
    const std::string_view line = DqonbufMemo.Line(i);
    if (const auto p = line.find("BCCHNO  AGBLK"); p != std::string_view::npos) {
      const std::string bcch = mml::WithoutControlCharacters(mml::ValueBelow(DqonbufMemo, i, p, 6));
      std::string bsc;
      if (const auto q = line.find("CGI" + std::string(18, ' ') + "BSIC");
          q != std::string_view::npos) {
        bsc = mml::WithoutControlCharacters(BscNumberOfCgi(mml::ValueBelow(DqonbufMemo, i, q, 20)));
      }
      for (int column = 0; column <= DqonCount; column += 3) {
        for (int row = 0; row < Rows(column); ++row) {
          auto& cells = DqonTable[static_cast<std::size_t>(row)];
          if (cells[static_cast<std::size_t>(column)] != name) continue;
          cells[static_cast<std::size_t>(column + 1)] = bsc;
          cells[static_cast<std::size_t>(column + 2)] = bcch;
        }
      }
    }
    if (!Contains(line, "<")) continue;
    DqonListMemo.DeleteLine(0);
    if (DqonListMemo.LineCount() == 0) {
      DqonCellDataDone = "OK";
      ReportColumns();
      std::string moved;
      for (const auto& cell : DqonListBox.Items()) moved += cell + "\r\n";
      // The moved cells, and every neighbour that is one of them, go to the target BSC.
      for (int column = 0; column <= DqonCount; column += 3) {
        for (int row = 0; row < Rows(column); ++row) {
          auto& cells = DqonTable[static_cast<std::size_t>(row)];
          if (Contains(moved, cells[static_cast<std::size_t>(column)])) {
            cells[static_cast<std::size_t>(column + 1)] = DqondComboBox.Text();
          }
        }
      }
      ReportColumns();
      for (const auto& [cell, count] : left_out_) {
        DqonrepMemo.AddLine(cell + ": " + std::to_string(count) + " neighbour(s) beyond the " +
                            std::to_string(kReadRows - 1) + " that fit are left out of the script");
      }
      WriteScript();
    }
    DqonStep = mml::kReady;
    return true;
  }
  return false;
}

// Every column of every moved cell, its entries each followed by a tab, then a line holding a
// single line feed.
void RelocationPage::ReportColumns() {
  for (int column = 0; column < DqonCount + 3; ++column) {
    std::string entries;
    for (int row = 0; row < Rows(column); ++row) {
      entries += DqonTable[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] + "\t";
    }
    DqonrepMemo.Append(entries);
    DqonrepMemo.AddLine("\n");
  }
}

void RelocationPage::WriteScript() {
  std::string script;
  auto write = [&script](const std::string& line) { script += line + "\r\n"; };
  for (int column = 0; column <= DqonCount; column += 3) {
    auto at = [&](int row, int offset) -> const std::string& {
      return DqonTable[static_cast<std::size_t>(row)][static_cast<std::size_t>(column + offset)];
    };
    const std::string& cell = at(0, 0);
    DqonListBox.Clear();
    write("@COMMENT " + cell + " CELL INTERNAL NEIGHBOUR RELATIONS");
    for (int row = 1; row < Rows(column); ++row) {
      const std::string& neighbour = at(row, 0);
      if (at(row, 1) != at(0, 1)) {
        DqonListBox.Add("@COMMENT " + neighbour + " BSC" + at(row, 1));
        continue;
      }
      write("RLNRI:CELL=" + cell + ",CELLR=" + neighbour + ";");
      write("RLMFC:CELL=" + cell + ",MBCCHNO=" + at(row, 2) + ",MRNIC;");
      write("RLMFC:CELL=" + neighbour + ",MBCCHNO=" + at(0, 2) + ",MRNIC;");
      const bool same_site = cell.substr(0, 5) == neighbour.substr(0, 5);
      write("RLNRC:CELL=" + cell + ",CELLR=" + neighbour +
            ",KHYST=3,LHYST=6,TRHYST=2,CAND=BOTH,AWOFFSET=3,CS=" + (same_site ? "YES;" : "NO;"));
      write("RLNRC:CELL=" + cell + ",CELLR=" + neighbour + ",HIHYST=3;");
      write("RLSSC:CELL=" + neighbour + ",MBCR=2;");
      write("");
    }
    write("@COMMENT " + cell + " CELL EXTERNAL NEIGHBOUR RELATIONS");
    for (const auto& line : DqonListBox.Items()) write(line);
    write("");
  }
  read_form_.Memo1.SetText(script);
  read_form_.Show();
}

void RelocationPage::DqonIdTelnetDisconnected() {
  DqonAttached = false;
  DqonNeighboursDone.clear();
  DqonCellDataDone.clear();
}

}  // namespace kestrel::relocation
