#pragma once

#include <QWidget>

namespace kestrel::broadcast {

// The "Edge Broadcast check" tab; Start is disabled until the check itself is built.
QWidget* BuildBroadcastView(QWidget* parent);

}  // namespace kestrel::broadcast
