#pragma once

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "mml/properties_form.h"
#include "platform/ports.h"
#include "tests/fake_ports.h"
#include "tests/fuzz/rig.h"
#include "tests/manual_clock.h"

namespace kestrel::fuzz {

// The settings of the gateway every target logs in with.
inline void SetUp(mml::PropertiesForm& properties) {
  properties.UserEdit.SetText(kUser);
  properties.PasswordEdit.SetText(kPassword);
  properties.IpEdit.SetText("127.0.0.1");
}

// Sounds whose ends come when the target says so.
using QuietSound = testing::RecordedSound;

struct QuietMessages : platform::Messages {
  void Show(std::string_view, Kind) override {}
};

// Local time that moves with the manual clock, from 5 December 2026 14:07:30.
struct ClockTime : platform::Clock {
  explicit ClockTime(const testing::ManualClock& clock) : clock_(clock) {}
  platform::LocalDateTime Now() const override {
    const long long seconds = 14 * 3600 + 7 * 60 + 30 + clock_.Now() / 1000;
    platform::LocalDateTime now{2026, 12, 5 + static_cast<int>(seconds / 86400 % 20), 0, 0, 0};
    now.hour = static_cast<int>(seconds / 3600 % 24);
    now.minute = static_cast<int>(seconds / 60 % 60);
    now.second = static_cast<int>(seconds % 60);
    return now;
  }

 private:
  const testing::ManualClock& clock_;
};

// Files that keep only their names (a report share on the rig's side), or refuse every write.
struct NamedFiles : platform::Files {
  std::set<std::string> names;
  bool refuse = false;
  void WriteWhole(const std::string& path, std::string_view) override {
    if (refuse) throw std::runtime_error(path + ": Permission denied");
    names.insert(path);
  }
  std::string Read(const std::string& path) override {
    throw std::runtime_error(path + ": No such file");
  }
  bool Exists(const std::string& path) override { return names.contains(path); }
  std::vector<std::string> List(const std::string&, std::string_view) override { return {}; }
};

struct NoDialogs : platform::FileDialogs {
  std::string SaveFileName(std::string_view) override { return {}; }
  std::string OpenFileName() override { return {}; }
};

}  // namespace kestrel::fuzz
