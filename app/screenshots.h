#pragma once

#include <QString>

#include "app/application.h"

namespace kestrel::app {

// Writes a PNG of the entry window, of every page and inner page of the main window, and of
// the settings, viewer and About windows into `folder`; then runs each job once against the
// site's gateway and writes a PNG of what the window shows after it. Returns the number
// written.
int TakeScreenshots(Application& windows, const QString& folder);

}  // namespace kestrel::app
