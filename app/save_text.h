#pragma once

#include <string_view>

#include "platform/ports.h"

namespace kestrel::app {

// Asks for a file name with the save dialog and writes `text` into that file, whole or not at
// all. A name without an extension gets ".txt". Returns false when the engineer cancelled;
// throws std::runtime_error naming the file and the reason when it cannot be written.
bool SaveTextAs(platform::FileDialogs& dialogs, platform::Files& files, std::string_view text);

}  // namespace kestrel::app
