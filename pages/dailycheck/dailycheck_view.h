#pragma once

#include <QWidget>

#include "pages/dailycheck/dailycheck_page.h"

namespace kestrel::dailycheck {

// The "Daily check" tab with its inner pages "Report", "Work", "Auto solution", "Warning"
// and "Sound", bound to the page.
QWidget* BuildDailyCheckView(DailyCheckPage& page, QWidget* parent);

}  // namespace kestrel::dailycheck
