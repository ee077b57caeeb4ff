#include "pages/shared/cell_list.h"

#include "mml/shapes.h"
#include "mml/text.h"

namespace kestrel::pages {

std::string IllShapedCellLine(const controls::Memo& cells, std::string_view list) {
  for (std::size_t i = 0; i < cells.LineCount(); ++i) {
    const std::string_view line = cells.Line(i);
    if (line.empty() || mml::IsCellName(line)) continue;
    return "Line " + std::to_string(i + 1) + " of the " + std::string(list) + ", \"" +
           mml::PrintableLine(line) +
           "\", is not a cell name (up to 8 letters, digits or \"_\"): nothing was sent. "
           "Correct the list and start again.";
  }
  return {};
}

}  // namespace kestrel::pages
