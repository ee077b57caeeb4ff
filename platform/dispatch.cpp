#include "platform/dispatch.h"

#include <exception>
#include <iostream>
#include <utility>

namespace kestrel::platform {

namespace {
ErrorSink& Sink() {
  static ErrorSink sink;
  return sink;
}
void Report(const std::string& message) {
  if (Sink()) {
    Sink()(message);
  } else {
    std::cerr << message << '\n';
  }
}
}  // namespace

void SetErrorSink(ErrorSink sink) { Sink() = std::move(sink); }

void Dispatch(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    Report(error.what());
  } catch (...) {
    Report("Unknown error");
  }
}

}  // namespace kestrel::platform
