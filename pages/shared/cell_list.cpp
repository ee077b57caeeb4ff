#include "pages/shared/cell_list.h"

#include "mml/shapes.h"

namespace kestrel::pages {

namespace {

// The line as the engineer must see it to find the fault: every byte that would not show as
// itself (a control character, a byte order mark, a letter outside ASCII) as \xhh, and a line
// that is really a whole list (a file with other line ends) cut short.
std::string Shown(std::string_view line) {
  constexpr std::size_t kMostShown = 40;
  constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  for (std::size_t i = 0; i < line.size() && i < kMostShown; ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if (byte >= 0x20 && byte < 0x7f) {
      shown += static_cast<char>(byte);
    } else {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xf];
    }
  }
  if (line.size() > kMostShown) shown += "...";
  return shown;
}

}  // namespace

std::string IllShapedCellLine(const controls::Memo& cells, std::string_view list) {
  for (std::size_t i = 0; i < cells.LineCount(); ++i) {
    const std::string_view line = cells.Line(i);
    if (line.empty() || mml::IsCellName(line)) continue;
    return "Line " + std::to_string(i + 1) + " of the " + std::string(list) + ", \"" + Shown(line) +
           "\", is not a cell name (up to 8 letters, digits or \"_\"): nothing was sent. "
           "Correct the list and start again.";
  }
  return {};
}

std::string CellListWithoutCells(const controls::Memo& cells, std::string_view list) {
  for (std::size_t i = 0; i < cells.LineCount(); ++i) {
    if (!cells.Line(i).empty()) return {};
  }
  return "The " + std::string(list) +
         " names no cell: nothing was sent. Give one cell name a line and start again.";
}

}  // namespace kestrel::pages
