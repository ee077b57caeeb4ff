#pragma once

#include <QWidget>

#include "pages/broadcast/broadcast_page.h"

namespace kestrel::broadcast {

// The "Edge Broadcast check" tab, bound to the page: the BSC, Start/Stop and the report,
// which the work lists cover while a check runs.
QWidget* BuildBroadcastView(BroadcastPage& page, QWidget* parent);

}  // namespace kestrel::broadcast
