#pragma once

#include "platform/ports.h"

namespace kestrel::platform {

class SystemClock : public Clock {
 public:
  LocalDateTime Now() const override;
  std::int64_t SteadyMs() const override;
};

// Writes through a temporary file in the same folder that is renamed over the target only
// when all of the text is on disk.
class DiskFiles : public Files {
 public:
  void WriteWhole(const std::string& path, std::string_view text) override;
  std::string Read(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::vector<std::string> List(const std::string& folder, std::string_view suffix) override;
};

}  // namespace kestrel::platform
