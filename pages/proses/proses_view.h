#pragma once

#include <QWidget>

#include "pages/proses/proses_page.h"

namespace kestrel::proses {

// The "Proses" tab with its inner pages "Proses" and "Options", bound to the page.
QWidget* BuildProsesView(ProsesPage& page, QWidget* parent);

}  // namespace kestrel::proses
