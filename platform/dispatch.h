#pragma once

#include <functional>
#include <string>

namespace kestrel::platform {

// Where an error that left an event handler goes: an error box in the desktop program,
// standard error in the runner. One thread runs every handler, so this is plain global state.
using ErrorSink = std::function<void(const std::string& message)>;

// An empty sink restores the default, which writes to standard error.
void SetErrorSink(ErrorSink sink);

// Runs one event handler (a click, a received chunk, a disconnect, a timer tick). An
// exception that leaves it is reported to the error sink and the program goes on.
void Dispatch(const std::function<void()>& handler);

}  // namespace kestrel::platform
