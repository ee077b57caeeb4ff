#include "pages/relocation/relocation_page.h"

#include <algorithm>
#include <exception>
#include <set>

#include "mml/answer.h"
#include "mml/columns.h"
#include "mml/network_elements.h"
#include "mml/shapes.h"
#include "mml/text.h"
#include "pages/shared/cell_list.h"

namespace kestrel::relocation {

using mml::Contains;
using mml::Printable;

namespace {

constexpr int kBcchDigits = 6;  // the width the printout gives the number

bool DigitsAndDashes(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789-") == std::string_view::npos;
}

}  // namespace

std::string BscNumberOfCgi(std::string_view cgi) {
  if (!DigitsAndDashes(cgi)) return {};
  const std::string_view code = mml::Cut(cgi, 7, 4);
  if (code.empty()) return {};
  const std::string_view number =
      code.size() >= 4 && code[3] == '-' ? code.substr(0, 1) : code.substr(0, 2);
  return mml::IsNumber(number, 2) ? std::string(number) : std::string();
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

// Upper case, without blanks around the names and without empty lines: every line is a
// cell whose name goes into orders.
std::string RelocationPage::PrepareList() {
  std::string upper;
  for (std::size_t i = 0; i < DqonListMemo.LineCount(); ++i) {
    std::string_view name = DqonListMemo.Line(i);
    name.remove_prefix(std::min(name.find_first_not_of(" \t"), name.size()));
    name = name.substr(0, name.find_last_not_of(" \t") + 1);
    if (name.empty()) continue;
    upper += mml::Upper(name) + "\r\n";
  }
  DqonListMemo.SetText(upper);
  if (DqonListMemo.LineCount() > static_cast<std::size_t>(kMostCells)) {
    return "CELL-lerin sayi 200-den artiq ola bilmez!!!";
  }
  if (DqonListMemo.Text().empty()) return "CELL-elave et";
  return pages::IllShapedCellLine(DqonListMemo, "cell list");
}

void RelocationPage::DqonstartButtonClick() {
  if (DqonstartButton.Caption() != "Start") {
    if (checking_) Outcomes.EndedEarly("stopped");
    EndSession();
    return;
  }
  if (const std::string why = PrepareList(); !why.empty()) {
    messages_.Inform(why);
    return;
  }
  DqonListBox.Clear();
  for (std::size_t i = 0; i < DqonListMemo.LineCount(); ++i) DqonListBox.Add(DqonListMemo.Line(i));
  // An earlier check leaves nothing behind in the table.
  for (auto& row : DqonTable) row.fill({});
  left_out_.clear();
  TableRows.clear();
  ScriptLines.clear();
  Outcomes.Begin(DqonoComboBox.Text());
  try {
    session_.Connect();
  } catch (const std::exception& error) {
    Outcomes.EndedEarly(std::string("could not connect: ") + error.what());
    throw;
  }
  SetChecking(true);
  DqonstartButton.SetCaption("Stop");
  DqonCount = 0;
}

void RelocationPage::DqonIdTelnetDataAvailable(std::string_view chunk) {
  const std::string& element = DqonoComboBox.Text();
  const mml::Received received = session_.Receive(chunk, element);
  if (received.refused) {
    const std::string line = Printable(element) + ": refused: " + *received.refused;
    return Refused(line, "refused: " + *received.refused);
  }
  if (received.overflow) {
    std::string_view why = *received.overflow;
    if (why.starts_with(element + ": ")) why.remove_prefix(element.size() + 2);
    return Refused(*received.overflow, std::string(why));
  }
  if (received.element_missing) {
    return Refused("no BSC is chosen to answer \"NE:\"", "no BSC is chosen to answer \"NE:\"");
  }
  if (received.attached_now) Outcomes.Reached();
  if (Contains(chunk, "<")) {
    const std::string name = CurrentName();
    if (DqonStep == "RLNRP:CELL=" + name + ",CELLR=ALL,NODATA;") {
      NeighboursComplete();
    } else if (DqonStep == "RLDEP:CELL=" + name + ";") {
      CellDataComplete();
    }
  }
  if (!DqonAttached || DqonStep != mml::kReady) return;
  if (DqonNeighboursDone == "OK" && DqonCellDataDone == "OK") return;  // the script is written
  // The list is checked at Start and locked while the check runs; whatever else changed it,
  // a line that is no cell name never goes into a command.
  if (const std::string name = CurrentName(); !mml::IsCellName(name)) {
    const std::string line = Printable(element) + ": the list line \"" + mml::PrintableLine(name) +
                             "\" is not a cell name; the check is stopped";
    return Refused(line, "the list line \"" + mml::PrintableLine(name) + "\" is not a cell name");
  }
  if (DqonNeighboursDone != "OK") {
    session_.Send("RLNRP:CELL=" + CurrentName() + ",CELLR=ALL,NODATA;");
  } else if (DqonCellDataDone != "OK") {
    session_.Send("RLDEP:CELL=" + CurrentName() + ";");
  }
}

// Phase 1: the neighbours of the current moved cell into its names column. A neighbour whose
// name is not a cell name is never sent in an order, so it is not kept: the report says so.
bool RelocationPage::NeighboursComplete() {
  const auto column = static_cast<std::size_t>(DqonCount);
  const std::string name = CurrentName();
  std::size_t row = 1;
  int beyond = 0;
  for (std::size_t i = 0; i < DqonbufMemo.LineCount(); ++i) {
    const std::string_view line = DqonbufMemo.Line(i);
    if (const auto p = line.find("CELLR     DIR"); p != std::string_view::npos) {
      const std::string neighbour = mml::ValueBelow(DqonbufMemo, i, p, 7);
      if (!mml::IsCellName(neighbour)) {
        Problem(Printable(DqonoComboBox.Text()) + ": " + Printable(DqonStep) +
                " names a neighbour \"" + Printable(neighbour) +
                "\" that is not a cell name; it is not read and not in the script");
      } else if (row < static_cast<std::size_t>(kReadRows)) {
        DqonTable[row++][column] = neighbour;
      } else {
        ++beyond;  // no room in the column
      }
    }
    if (!Contains(line, "<")) continue;
    if (const mml::Answer answer = mml::ReadAnswer(DqonbufMemo); answer.Refused()) {
      Problem(answer.RefusalNote(DqonoComboBox.Text(), DqonStep));
    }
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
// row where the name stands. Numbers that are not digits count as not found.
bool RelocationPage::CellDataComplete() {
  const std::string name = CurrentName();
  const std::string& element = DqonoComboBox.Text();
  const std::string about = Printable(element) + ": " + Printable(DqonStep);
  bool heading = false;
  for (std::size_t i = 0; i < DqonbufMemo.LineCount(); ++i) {
    const std::string_view line = DqonbufMemo.Line(i);
    if (const auto p = line.find("BCCHNO  AGBLK"); p != std::string_view::npos) {
      heading = true;
      std::string bcch = mml::ValueBelow(DqonbufMemo, i, p, 6);
      if (!mml::IsNumber(bcch, kBcchDigits)) {
        Problem(about + " BCCHNO \"" + Printable(bcch) + "\" is not a number; not used");
        bcch.clear();
      }
      std::string bsc;
      if (const auto q = line.find("CGI" + std::string(18, ' ') + "BSIC");
          q != std::string_view::npos) {
        const std::string cgi = mml::ValueBelow(DqonbufMemo, i, q, 20);
        bsc = BscNumberOfCgi(cgi);
        if (bsc.empty()) {
          Problem(about + " CGI \"" + Printable(cgi) + "\" gives no BSC number; not used");
        }
      } else {
        Problem(about + " printout has no CGI; the BSC number of " + Printable(name) +
                " is not known");
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
    if (const mml::Answer answer = mml::ReadAnswer(DqonbufMemo); answer.Refused()) {
      Problem(answer.RefusalNote(element, DqonStep));
    } else if (!heading) {
      Problem(about + " printout has no BCCHNO; the BSC and BCCH numbers of " + Printable(name) +
              " are not known");
    }
    DqonListMemo.DeleteLine(0);
    if (DqonListMemo.LineCount() == 0) {
      DqonCellDataDone = "OK";
      ReportColumns();
      RecordTable(false);
      MoveToTarget();
      RecordTable(true);
      ReportColumns();
      for (const auto& [cell, count] : left_out_) {
        DqonrepMemo.AddLine(Printable(cell) + ": " + std::to_string(count) +
                            " neighbour(s) beyond the " + std::to_string(kReadRows - 1) +
                            " that fit are left out of the script");
      }
      WriteScript();
      SetChecking(false);
      Outcomes.Finished();
    }
    DqonStep = mml::kReady;
    return true;
  }
  return false;
}

// While a check runs the list is its work list: the engineer cannot change it under it.
void RelocationPage::SetChecking(bool checking) {
  checking_ = checking;
  DqonListPanel.SetEnabled(!checking);
}

void RelocationPage::Problem(const std::string& line) {
  DqonrepMemo.AddLine(line);
  Outcomes.Problem(line);
  session_.Note(line);
}

// The page ends its own session (Stop, or the gateway would not let it go on): not a loss.
void RelocationPage::EndSession() {
  SetChecking(false);
  ending_ = true;
  DqonIdTelnet.Disconnect();
  ending_ = false;
  DqonstartButton.SetCaption("Start");
  DqonAttached = false;
  DqonNeighboursDone.clear();
  DqonCellDataDone.clear();
}

void RelocationPage::Refused(const std::string& line, const std::string& why) {
  DqonrepMemo.AddLine(line);
  session_.Note(line);
  Outcomes.EndedEarly(why);
  EndSession();
  messages_.Warn(line);
}

void RelocationPage::DqonIdTelnetDisconnected() {
  const bool was_attached = DqonAttached;
  DqonAttached = false;
  DqonNeighboursDone.clear();
  DqonCellDataDone.clear();
  session_.Closed();
  DqonstartButton.SetCaption("Start");  // the session is gone: nothing is left to stop
  if (ending_ || !checking_) return;
  SetChecking(false);
  std::string why;
  if (!DqonIdTelnet.ConnectError.empty()) {
    why = "could not connect: " + Printable(DqonIdTelnet.ConnectError);
  } else {
    why = "connection lost";
    if (!DqonIdTelnet.EndReason.empty()) why += " (" + Printable(DqonIdTelnet.EndReason) + ")";
    if (!was_attached) {
      why += " during the login";
    } else if (DqonStep != mml::kReady) {
      why += " while " + Printable(DqonStep) + " was in flight";
    }
  }
  const std::string line = Printable(DqonoComboBox.Text()) + ": " + why +
                           "; the check did not finish and no script was written";
  DqonrepMemo.AddLine(line);
  session_.Note(line);
  Outcomes.EndedEarly(why);
  messages_.Warn(line);
}

}  // namespace kestrel::relocation
