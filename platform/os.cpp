#include "platform/os.h"

// What both systems say alike.
namespace kestrel::platform {

const char* StopSignalName(StopSignal signal) {
  switch (signal) {
    case StopSignal::kTerminate:
      return "SIGTERM";
    case StopSignal::kInterrupt:
      return "SIGINT";
    case StopSignal::kBreak:
      return "Ctrl+Break";
    case StopSignal::kClose:
      return "the console closing";
  }
  return "a signal";
}

}  // namespace kestrel::platform
