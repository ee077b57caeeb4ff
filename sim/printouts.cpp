#include "sim/printouts.h"

#include <algorithm>
#include <cctype>

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

}  // namespace

std::string NotAccepted(int fault_code, std::string_view text) {
  return "NOT ACCEPTED\r\nFAULT CODE " + std::to_string(fault_code) + "\r\n" + std::string(text) +
         "\r\n\r\n";
}

Printouts::Printouts(const Scenario& scenario, const Element& element, std::string time)
    : scenario_(scenario), element_(element), time_(std::move(time)) {}

std::string Printouts::PageHeader() const {
  return Pad("WO", 8) + Pad(element_.exchange, 18) + Pad(element_.terminal, 8) + "TIME " + time_;
}

std::string Printouts::Answer(std::string_view command) const {
  const std::string upper = Upper(command);
  if (!upper.ends_with(";")) return NotAccepted(4, "COMMAND NOT TERMINATED");
  const std::string body = upper.substr(0, upper.size() - 1);
  const std::size_t colon = body.find(':');
  const std::string code = body.substr(0, colon);
  const std::string parameters = colon == std::string::npos ? "" : body.substr(colon + 1);
  if (code == "RLSLP" && element_.is_bsc) return CellLogicalChannels(parameters);
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

// RLSLP: one block per cell (and subcell), its logical channel availability below it.
std::string Printouts::CellLogicalChannels(std::string_view parameters) const {
  if (!parameters.starts_with("CELL=")) return NotAccepted(7, "PARAMETER MISSING\r\nCELL");
  const auto wanted = Split(parameters.substr(5), '&');
  const bool all = wanted.size() == 1 && wanted[0] == "ALL";
  std::vector<const Cell*> cells;
  if (all) {
    for (const auto& cell : element_.cells) cells.push_back(&cell);
  } else {
    for (const auto& name : wanted) {
      bool found = false;
      for (const auto& cell : element_.cells) {
        if (cell.name == name) {
          cells.push_back(&cell);
          found = true;
        }
      }
      if (!found) return NotAccepted(17, "CELL NOT DEFINED\r\nCELL=" + name);
    }
  }
  std::vector<std::string> lines = {"CELL LOGICAL CHANNELS AVAILABILITY SUPERVISION", ""};
  for (const Cell* cell : cells) {
    lines.push_back("CELL       SCTYPE");
    lines.push_back(Pad(cell->name, 11) + cell->sctype);
    lines.push_back("");
    lines.push_back("ACTIVE     CHTYPE  CHRATE  SPV    LVA    ACL");
    lines.push_back(Pad(cell->active, 11) + "SDCCH                  2      A2");
    lines.push_back("           TCH     FR      1      4      A2");
    lines.push_back("");
  }
  return Paged(lines);
}

}  // namespace kestrel::sim
