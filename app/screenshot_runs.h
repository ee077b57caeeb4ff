#pragma once

#include <QString>
#include <functional>

#include "app/application.h"

namespace kestrel::app {

// Runs each job of the main window once against the site's gateway (the demo network of the
// simulator), as an engineer would, and after each one calls `picture` with a name for what
// the window then shows: a finished RLSLP check, an Edge report, a Qonsuluq script, a
// relocation report, a Daily check pass and a Proses run's output. Message boxes that the
// jobs put up are closed and their text printed. Returns the number of pictures taken; a job
// that cannot run (no gateway, no report share root) is skipped with a message.
int TakePicturesAfterRuns(Application& windows,
                          const std::function<bool(QWidget* window, const QString& name)>& picture);

}  // namespace kestrel::app
