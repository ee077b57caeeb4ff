// What a check leaves after the last RLDEP printout: the report of every column before and
// after the move, and the script of the relations that stay on one BSC.
#include <functional>
#include <set>

#include "mml/columns.h"
#include "mml/text.h"
#include "pages/relocation/relocation_page.h"

namespace kestrel::relocation {

// The moved cells, and every neighbour that is one of them, go to the target BSC: whole names
// compared, so that a neighbour whose name only begins like a moved cell's stays where it is.
void RelocationPage::MoveToTarget() {
  std::set<std::string, std::less<>> moved;
  for (const auto& cell : DqonListBox.Items()) {
    const std::string_view name = mml::Trim(cell);
    if (!name.empty()) moved.emplace(name);
  }
  for (int column = 0; column <= DqonCount; column += 3) {
    for (int row = 0; row < Rows(column); ++row) {
      auto& cells = DqonTable[static_cast<std::size_t>(row)];
      if (moved.contains(mml::Trim(cells[static_cast<std::size_t>(column)]))) {
        cells[static_cast<std::size_t>(column + 1)] = DqondComboBox.Text();
      }
    }
  }
}

// Every column of every moved cell, its entries each followed by a tab, then a line holding a
// single line feed.
void RelocationPage::ReportColumns() {
  for (int column = 0; column < DqonCount + 3; ++column) {
    std::string entries;
    for (int row = 0; row < Rows(column); ++row) {
      entries += mml::Printable(
                     DqonTable[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]) +
                 "\t";
    }
    DqonrepMemo.Append(entries);
    DqonrepMemo.AddLine("\n");
  }
}

void RelocationPage::RecordTable(bool moved) {
  std::size_t next = 0;
  for (int column = 0; column <= DqonCount; column += 3) {
    for (int row = 0; row < Rows(column); ++row) {
      const auto& cells = DqonTable[static_cast<std::size_t>(row)];
      const std::string& bsc = cells[static_cast<std::size_t>(column + 1)];
      if (moved) {
        if (next < TableRows.size()) TableRows[next++].bsc_after = mml::Printable(bsc);
        continue;
      }
      TableRows.push_back({mml::Printable(DqonTable[0][static_cast<std::size_t>(column)]),
                           mml::Printable(cells[static_cast<std::size_t>(column)]),
                           mml::Printable(bsc), "",
                           mml::Printable(cells[static_cast<std::size_t>(column + 2)])});
    }
  }
}

void RelocationPage::WriteScript() {
  std::string script;
  auto write = [this, &script](const std::string& line) {
    script += line + "\r\n";
    ScriptLines.push_back(mml::Printable(line));
  };
  // The BCCH number of `of` as a measurement frequency of `cell`; without a number (the
  // report says why) the order would be an empty value, so an MML comment stands in its place.
  auto frequency = [&write](const std::string& cell, const std::string& of,
                            const std::string& bcch) {
    const std::string order = "RLMFC:CELL=" + cell + ",MBCCHNO=" + bcch + ",MRNIC;";
    if (bcch.empty()) {
      write("! " + order + " not written: the BCCHNO of " + of + " is not known !");
    } else {
      write(order);
    }
  };
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
      frequency(cell, neighbour, at(row, 2));
      frequency(neighbour, cell, at(0, 2));
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

}  // namespace kestrel::relocation
