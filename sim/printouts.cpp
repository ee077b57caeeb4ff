#include "sim/printouts.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kestrel::sim {

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

// `text` padded with blanks to `width` columns.
std::string Pad(std::string_view text, std::size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.resize(width, ' ');
  return padded;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t pos; (pos = text.find(separator, start)) != std::string_view::npos;) {
    parts.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

// The value of `name=` in "A=1,B=2,FLAG".
std::string Parameter(std::string_view parameters, std::string_view name) {
  for (const auto& part : Split(parameters, ',')) {
    if (part.starts_with(std::string(name) + "=")) return part.substr(name.size() + 1);
  }
  return {};
}

bool Flag(std::string_view parameters, std::string_view name) {
  const auto parts = Split(parameters, ',');
  return std::find(parts.begin(), parts.end(), name) != parts.end();
}

}  // namespace

std::string NotAccepted(int fault_code, std::string_view text) {
  return "NOT ACCEPTED\r\nFAULT CODE " + std::to_string(fault_code) + "\r\n" + std::string(text) +
         "\r\n\r\n";
}

Printouts::Printouts(const Scenario& scenario, const Element& element, std::string time)
    : scenario_(scenario), element_(element), time_(std::move(time)) {}

std::string PageHeader(const Element& element, std::string_view time) {
  return Pad("WO", 8) + Pad(element.exchange, 18) + Pad(element.terminal, 8) + "TIME " +
         std::string(time);
}

std::string AlarmHeader(const Element& element, std::string_view alarm_class, std::uint64_t number,
                        std::string_view time) {
  return std::string(alarm_class) + " \"" + Pad(element.exchange, 8) + "12/00/0\" " +
         std::to_string(number) + " " + std::string(time.substr(0, 6)) + "   " +
         std::string(time.substr(7, 4));
}

std::string Printouts::PageHeader() const { return sim::PageHeader(element_, time_); }

std::string Printouts::Answer(std::string_view command) const {
  const std::string upper = Upper(command);
  if (upper == "ALLIP;") return AllAlarms();
  if (upper == "SYRIP:SURVEY;") return SoftwareErrors();
  if (upper == "DBTSP:TAB=SAACTIONS;")
    return Paged({"DATABASE TABLE", "", "TAB        SAACTIONS", ""});
  if (!upper.ends_with(";")) return NotAccepted(4, "COMMAND NOT TERMINATED");
  const std::string body = upper.substr(0, upper.size() - 1);
  const std::size_t colon = body.find(':');
  const std::string code = body.substr(0, colon);
  const std::string parameters = colon == std::string::npos ? "" : body.substr(colon + 1);
  if (element_.is_bsc) {
    if (code == "RLSLP") return CellLogicalChannels(parameters);
    if (code == "RLBDP") return PacketData();
    if (code == "RLNRP") return NeighbourRelations(parameters);
    if (code == "RLMTP") return BroadcastMessages(parameters);
    if (code == "RLMBP") return BroadcastText(parameters);
    if (code == "RLDEP" || code == "RLCPP" || code == "RLLOP" || code == "RLLHP") {
      return CellData(code, parameters);
    }
    if (code == "ALLIP") return AlarmList(parameters);
    if (code == "RXTCP") return TgOfCell(parameters);
    if (code == "RXMFP") return FaultInformation(parameters);
    if (code == "RXASP") return AlarmSituation(parameters);
  }
  return NotAccepted(1, "UNREASONABLE VALUE\r\nCOMMAND " + code + " NOT KNOWN");
}

// Breaks the printout into pages, each starting with the page header, and closes it with
// "END" and an empty line.
std::string Printouts::Paged(const std::vector<std::string>& lines) const {
  std::string text;
  const std::size_t per_page = static_cast<std::size_t>(scenario_.page_length);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i % (per_page - 1) == 0) text += PageHeader() + "\r\n";
    text += lines[i] + "\r\n";
  }
  return text + "END\r\n\r\n";
}

// RLSLP: one block per cell (and subcell): its logical channels with their counts.
std::string Printouts::CellLogicalChannels(std::string_view parameters) const {
  if (!parameters.starts_with("CELL=")) return NotAccepted(7, "PARAMETER MISSING\r\nCELL");
  const auto wanted = Split(parameters.substr(5), '&');
  const bool all = wanted.size() == 1 && wanted[0] == "ALL";
  std::vector<const Cell*> cells;
  for (const auto& cell : element_.cells) {
    if (all || std::find(wanted.begin(), wanted.end(), cell.name) != wanted.end())
      cells.push_back(&cell);
  }
  for (const auto& name : wanted) {
    if (!all &&
        std::none_of(cells.begin(), cells.end(), [&](const Cell* c) { return c->name == name; })) {
      return NotAccepted(17, "CELL NOT DEFINED\r\nCELL=" + name);
    }
  }
  std::vector<std::string> lines = {"CELL LOGICAL CHANNELS AVAILABILITY SUPERVISION", ""};
  for (const Cell* cell : cells) {
    lines.push_back("CELL       SCTYPE");
    lines.push_back(Pad(cell->name, 11) + cell->sctype);
    lines.push_back("");
    lines.push_back("ACTIVE     CHTYPE  CHRATE  SPV    NCH    LVA    ACL");
    lines.push_back(Pad(cell->active, 11) + Pad("BCCH", 23) + "1");
    lines.push_back(Pad("", 11) + Pad("SDCCH", 23) + Pad(cell->nch_sdcch, 7) + "2      A2");
    lines.push_back(Pad("", 11) + Pad("TCH     FR      1", 23) + Pad(cell->nch_tch, 7) +
                    "4      A2");
    lines.push_back("");
  }
  return Paged(lines);
}

// RLDEP, RLCPP, RLLOP, RLLHP: a cell's description, power, locating and hierarchy data, each
// a heading line and the value row below it.
std::string Printouts::CellData(const std::string& code, std::string_view parameters) const {
  const std::string name = Parameter(parameters, "CELL");
  const Cell* cell = element_.FindCell(name);
  if (cell == nullptr) return NotAccepted(17, "CELL NOT DEFINED\r\nCELL=" + name);
  auto p = [&](const char* parameter) { return cell->Parameter(parameter); };
  std::vector<std::string> lines;
  if (code == "RLDEP") {
    lines = {"CELL DESCRIPTION DATA",
             "",
             "CELL     TYPE  CGI                  BSIC  BCCHNO  AGBLK  MFRMS",
             Pad(name, 9) + "INT   " + Pad(p("CGI"), 21) + Pad(p("BSIC"), 6) + Pad(p("BCCHNO"), 8) +
                 "1      6",
             "",
             "                                     CSYSTYPE",
             Pad("", 37) + p("CSYSTYPE"),
             ""};
  } else if (code == "RLCPP") {
    lines = {"CELL CONFIGURATION POWER DATA", "", "CELL     TYPE  BSPWRB  BSPWRT  MSTXPWR",
             Pad(name, 9) + "INT   47      47      " + p("MSTXPWR"), ""};
  } else if (code == "RLLOP") {
    lines = {"CELL LOCATING DATA", "",
             "CELL     BSPWR  BSTXPWR  BSRXMIN  BSRXSUFF  MSRXMIN  MSRXSUFF  SCHO  AW",
             Pad(name, 9) + Pad(p("BSPWR"), 7) + Pad(p("BSTXPWR"), 9) + Pad(p("BSRXMIN"), 9) +
                 Pad(p("BSRXSUFF"), 10) + Pad(p("MSRXMIN"), 9) + Pad(p("MSRXSUFF"), 10) +
                 Pad(p("SCHO"), 6) + p("AW"),
             ""};
  } else {
    lines = {"CELL LOCATING DATA", "", "CELL     LAYER  LAYERTHR  LAYERHYST  PSSTEMP  PTIMTEMP",
             Pad(name, 9) + Pad(p("LAYER"), 7) + Pad(p("LAYERTHR"), 10) + Pad(p("LAYERHYST"), 11) +
                 "0        0",
             ""};
  }
  return Paged(lines);
}

// RLNRP:CELL=,CELLR=ALL,NODATA: the neighbours of a cell, a heading and a row each.
std::string Printouts::NeighbourRelations(std::string_view parameters) const {
  const std::string name = Parameter(parameters, "CELL");
  const Cell* cell = element_.FindCell(name);
  if (cell == nullptr) return NotAccepted(17, "CELL NOT DEFINED\r\nCELL=" + name);
  std::vector<std::string> lines = {"NEIGHBOUR RELATION DATA", "", "CELL", name, ""};
  for (const auto& neighbour : cell->neighbours) {
    lines.push_back("CELLR     DIR");
    lines.push_back(Pad(neighbour, 10) + "MUTUAL");
    lines.push_back("");
  }
  return Paged(lines);
}

// RLBDP:CELL=ALL: per cell its NUMREQEGPRSBPC rows, three to a block.
std::string Printouts::PacketData() const {
  std::vector<std::string> lines = {"CELL PACKET DATA", ""};
  for (const auto& cell : element_.cells) {
    lines.push_back("CELL");
    lines.push_back(cell.name);
    lines.push_back("");
    lines.push_back("NUMREQEGPRSBPC  NUMREQBPC");
    for (std::size_t k = 0; k < 3; ++k)
      lines.push_back(k < cell.egprs.size() ? Pad(cell.egprs[k], 16) + "8" : "");
    lines.push_back("");
  }
  return Paged(lines);
}

// RLMTP:CELL=,ID=ALL: the cell broadcast messages of a cell.
std::string Printouts::BroadcastMessages(std::string_view parameters) const {
  const std::string name = Parameter(parameters, "CELL");
  const Cell* cell = element_.FindCell(name);
  if (cell == nullptr) return NotAccepted(17, "CELL NOT DEFINED\r\nCELL=" + name);
  std::vector<std::string> lines = {"CELL BROADCAST MESSAGE DATA", "", "CELL", name, "",
                                    "ID     CODE  GS    LANG"};
  for (const auto& message : cell->messages)
    lines.push_back(Pad(message.id, 7) + Pad(message.code, 6) + "0     EN");
  lines.push_back("");
  return Paged(lines);
}

// RLMBP:ID=,CODE=,GS=: the text of a message.
std::string Printouts::BroadcastText(std::string_view parameters) const {
  const std::string id = Parameter(parameters, "ID"), code = Parameter(parameters, "CODE");
  for (const auto& cell : element_.cells) {
    for (const auto& message : cell.messages) {
      if (message.id != id || message.code != code) continue;
      std::vector<std::string> lines = {"CELL BROADCAST MESSAGE", "", "ID     CODE  GS    PAGE",
                                        Pad(id, 7) + Pad(code, 6) + "0     1", ""};
      if (message.dcs.empty()) {
        lines.insert(lines.end(), {"TEXT" + std::string(30, ' '), message.text});
      } else {
        // The text's field ends where DCS begins; a longer text wraps onto rows of its own,
        // two blanks short of the next column.
        constexpr std::size_t kField = 34, kWrap = kField - 2;
        lines.push_back(Pad("TEXT", kField) + "DCS");
        for (std::size_t at = 0; at == 0 || at < message.text.size(); at += kWrap) {
          const std::string piece = message.text.substr(std::min(at, message.text.size()), kWrap);
          lines.push_back(at == 0 ? Pad(piece, kField) + message.dcs : piece);
        }
      }
      lines.push_back("");
      return Paged(lines);
    }
  }
  return NotAccepted(11, "MESSAGE NOT DEFINED\r\nCODE=" + code);
}

// ALLIP: every alarm of the element: a header line with class, exchange, number, date and
// time; the slogan; a blank line; the detail rows; a blank line.
std::string Printouts::AllAlarms() const {
  std::vector<std::string> lines = {"ALARM LIST", ""};
  int number = 101;
  auto header = [&](const std::string& alarm_class) {
    return AlarmHeader(element_, alarm_class, static_cast<std::uint64_t>(number++), time_);
  };
  for (const auto& alarm : element_.alarms) {
    lines.push_back(header(alarm.alarm_class));
    lines.push_back(alarm.slogan);
    lines.push_back("");
    lines.insert(lines.end(), alarm.details.begin(), alarm.details.end());
    lines.push_back("");
  }
  for (int i = 0; i < element_.extra_alarms; ++i) {
    lines.push_back(header("A3/EXT"));
    lines.push_back("EXTERNAL ALARM");
    lines.push_back("");
    lines.push_back("DOOR OPEN SITE " + std::to_string(i));
    lines.push_back("");
  }
  return Paged(lines);
}

// SYRIP:SURVEY: the software error events, a block each.
std::string Printouts::SoftwareErrors() const {
  std::vector<std::string> lines = {"SOFTWARE RECOVERY SURVEY", ""};
  for (const auto& event : element_.events) {
    lines.push_back("EVENT CODE  TYPE");
    lines.push_back(Pad(event, 12) + "SOFTWARE ERROR");
    lines.push_back("");
  }
  return Paged(lines);
}

// ALLIP:ALCAT=KESINTI: the operator's outage category, one alarm per cell out of service.
std::string Printouts::AlarmList(std::string_view parameters) const {
  const std::string category = Parameter(parameters, "ALCAT");
  std::vector<std::string> lines = {"ALARM LIST", ""};
  int number = 401;
  for (const auto& cell : element_.cells) {
    if (category != "KESINTI" || !cell.outage) continue;
    lines.push_back("A1/EXT \"" + Pad(element_.exchange, 8) + "\" " + std::to_string(number++) +
                    " " + time_.substr(0, 6) + "   " + time_.substr(7, 4));
    lines.push_back("CELL LOGICAL CHANNEL AVAILABILITY SUPERVISION");
    lines.push_back("");
    lines.push_back("CELL     SCTYPE  CHTYPE  CHRATE  SPV");
    lines.push_back(Pad(cell.name, 17) + "SDCCH");
    lines.push_back("");
  }
  return Paged(lines);
}

// RXTCP:MOTY=RXOTG,CELL=: the TG that serves the cell.
std::string Printouts::TgOfCell(std::string_view parameters) const {
  const std::string name = Parameter(parameters, "CELL");
  const Cell* cell = element_.FindCell(name);
  if (cell == nullptr) return NotAccepted(17, "CELL NOT DEFINED\r\nCELL=" + name);
  std::vector<std::string> lines = {"RADIO X-CEIVER ADMINISTRATION",
                                    "TG TO CHANNEL GROUP CONNECTION DATA", "",
                                    "MO               CELL     CHGR"};
  if (cell->tg >= 0)
    lines.push_back(Pad("RXOTG-" + std::to_string(cell->tg), 17) + Pad(cell->name, 9) + "0");
  lines.push_back("");
  return Paged(lines);
}

// RXMFP:MO=RXOTG-n,SUBORD,FAULTY: the faulty objects of a TG, a block each.
std::string Printouts::FaultInformation(std::string_view parameters) const {
  const std::string tg = Parameter(parameters, "MO");
  int number = -1;
  if (tg.starts_with("RXOTG-")) std::from_chars(tg.data() + 6, tg.data() + tg.size(), number);
  if (!element_.HasTg(number)) return NotAccepted(20, "MANAGED OBJECT NOT DEFINED\r\nMO=" + tg);
  std::vector<std::string> lines = {"RADIO X-CEIVER ADMINISTRATION",
                                    "MANAGED OBJECT FAULT INFORMATION", ""};
  const bool faulty_only = Flag(parameters, "FAULTY");
  for (const auto& object : element_.objects) {
    if (object.Tg() != number || object.name.starts_with("RXOTG") ||
        (faulty_only && !object.Faulty())) {
      continue;
    }
    lines.push_back("MO                BTSSWVER");
    lines.push_back(Pad(object.name, 18) + "B0905R0052");
    lines.push_back("");
    lines.push_back("FAULT CODES CLASS 2A");
    lines.push_back(object.fault == "TS SYNC FAULT" ? "9" : "4");
    lines.push_back("");
  }
  return Paged(lines);
}

// RXASP:MOTY=RXOTG: the alarm situation of every TG, an object and its faults per line.
std::string Printouts::AlarmSituation(std::string_view) const {
  std::vector<std::string> lines = {"RADIO X-CEIVER ADMINISTRATION",
                                    "MANAGED OBJECT ALARM SITUATION", "",
                                    "MO                 FAULT"};
  for (const auto& object : element_.objects) {
    if (object.Faulty()) lines.push_back(Pad(object.name, 19) + object.fault);
  }
  lines.push_back("");
  return Paged(lines);
}

}  // namespace kestrel::sim
