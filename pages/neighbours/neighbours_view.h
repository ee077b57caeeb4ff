#pragma once

#include <QWidget>

#include "pages/shared/read_form.h"

namespace kestrel::neighbours {

// The "Qonsuluq" tab: the two BSCs and their cell lists, the script parameters and
// "Show script", which shows the viewer as its last writer left it. Start is disabled until
// the collection itself is built.
QWidget* BuildNeighboursView(QWidget* parent, pages::ReadForm& read_form);

}  // namespace kestrel::neighbours
