#pragma once

#include <QWidget>

#include "pages/neighbours/neighbours_page.h"

namespace kestrel::neighbours {

// The "Qonsuluq" tab, bound to the page: the two BSCs and their cell lists, the script
// parameters, "Show script", Start/Stop and the progress of a collection.
QWidget* BuildNeighboursView(NeighboursPage& page, QWidget* parent);

}  // namespace kestrel::neighbours
