#pragma once

#include <QWidget>

#include "pages/relocation/relocation_page.h"

namespace kestrel::relocation {

// The "Dasinma ucun qonsuluq" tab, bound to the page.
QWidget* BuildRelocationView(RelocationPage& page, QWidget* parent);

}  // namespace kestrel::relocation
