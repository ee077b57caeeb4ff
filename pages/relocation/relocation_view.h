#pragma once

#include <QWidget>

#include "pages/shared/read_form.h"

namespace kestrel::relocation {

// The "Dasinma ucun qonsuluq" tab; "Show script" shows the viewer as its last writer left
// it, Start is disabled until the check itself is built.
QWidget* BuildRelocationView(QWidget* parent, pages::ReadForm& read_form);

}  // namespace kestrel::relocation
