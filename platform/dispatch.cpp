#include "platform/dispatch.h"

#include <exception>
#include <iostream>
#include <utility>

namespace kestrel::platform {

namespace {
ErrorSink& Sink() {
  static ErrorSink sink = [](const std::string& message) { std::cerr << message << '\n'; };
  return sink;
}
}  // namespace

void SetErrorSink(ErrorSink sink) { Sink() = std::move(sink); }

void Dispatch(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    Sink()(error.what());
  } catch (...) {
    Sink()("Unknown error");
  }
}

}  // namespace kestrel::platform
