#pragma once

#include <QWidget>

#include "pages/rlslp/rlslp_page.h"

namespace kestrel::rlslp {

// The "RLSLP_check" tab: the queue with its buttons, Start/Stop, the report, and the
// "Please wait..." panel while a check runs.
QWidget* BuildRlslpView(RlslpPage& page, QWidget* parent);

}  // namespace kestrel::rlslp
