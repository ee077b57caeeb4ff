#pragma once

#include <string>
#include <string_view>

#include "controls/memo.h"

namespace kestrel::pages {

// Why a list of cells that the engineer typed or pasted cannot go into orders, or empty when
// it can: every line that is not empty must have the shape of a cell name, so that nothing of
// it (a ";", a control character, a second command) reaches the exchange. `list` names the
// list in the message ("cell list", "Cellr list").
std::string IllShapedCellLine(const controls::Memo& cells, std::string_view list);
// Why a list that must name cells names none (it is empty, or only empty lines), or empty
// when it names one: orders with no cell name are never sent.
std::string CellListWithoutCells(const controls::Memo& cells, std::string_view list);

}  // namespace kestrel::pages
