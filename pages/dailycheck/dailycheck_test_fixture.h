#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include "pages/dailycheck/dailycheck_page.h"
#include "platform/file_names.h"
#include "tests/fake_ports.h"
#include "tests/fake_telnet.h"
#include "tests/manual_clock.h"

namespace kestrel::dailycheck::testing {

// A report path as the page names it on this system: "/share/a" is "\\share\\a" on Windows.
inline std::string Native(std::string path) {
  if (platform::kNativePathStyle == platform::PathStyle::kWindows) {
    std::replace(path.begin(), path.end(), '/', '\\');
  }
  return path;
}

using kestrel::testing::RecordedSound;

// The time of day stands still; the steady time is the manual clock's.
struct FixedClock : platform::Clock {
  platform::LocalDateTime now{2026, 12, 5, 14, 7, 30};
  const kestrel::testing::ManualClock* manual = nullptr;
  platform::LocalDateTime Now() const override { return now; }
  std::int64_t SteadyMs() const override { return manual != nullptr ? manual->Now() : 0; }
};

struct RecordedFiles : platform::Files {
  std::map<std::string, std::string> written;
  std::string failure;  // when set, every write fails with it
  void WriteWhole(const std::string& path, std::string_view text) override {
    if (!failure.empty()) throw std::runtime_error(failure);
    written[path] = std::string(text);
  }
  std::string Read(const std::string& path) override {
    const auto found = written.find(path);
    if (found == written.end()) throw std::runtime_error(path + ": No such file");
    return found->second;
  }
  bool Exists(const std::string& path) override { return written.contains(path); }
  std::vector<std::string> List(const std::string& folder, std::string_view suffix) override {
    std::vector<std::string> names;
    for (const auto& [path, text] : written) {
      if (path.starts_with(folder + "/") && path.ends_with(suffix) &&
          path.find('/', folder.size() + 1) == std::string::npos) {
        names.push_back(path.substr(folder.size() + 1));
      }
    }
    return names;
  }
};

struct ScriptedDialogs : platform::FileDialogs {
  std::string save, open;
  std::string SaveFileName(std::string_view) override { return save; }
  std::string OpenFileName() override { return open; }
};

// The page on a fake client, with its timers on a manual clock. A test that needs a fresh page
// for every case of a loop makes one of these per case.
struct PageBench {
  explicit PageBench(std::string report_share_root = "/share")
      : page{
            telnet,
            properties,
            {time, files, sound, dialogs},
            std::move(report_share_root),
            KnownAlarms("SEIZURE SUPERVISION\nEXTERNAL ALARM\nCP STATE NOT NORMAL\nSYSTEM STATE\n"),
            "/sounds"} {
    properties.UserEdit.SetText("ops1");
    properties.PasswordEdit.SetText("pw");
    clock.Attach(page.Timerdc);
    clock.Attach(page.Timerdc_release);
    clock.Attach(page.Timerdc_wait);
    time.manual = &clock;
    page.SetMessages(messages);
    // A warning's sound is over before the next chunk, unless a test holds it.
    telnet.after_each_chunk = [this] { sound.FinishAll(); };
  }
  // Plays the login of a new session up to the element's prompt.
  void LogIn() {
    telnet.Receive("\r\nUser: ");
    telnet.Receive("\r\nPassword: ");
    telnet.Receive("\r\nNE: ");
    telnet.Receive("\r\nWO      BSC9              AD-739  TIME 261205 140730\r\n<");
  }
  void Start(std::initializer_list<const char*> elements) {
    for (const char* element : elements) page.ListBoxdc.Add(element);
    page.StartdcClick();
    LogIn();
  }
  // Lines sent since the last call.
  std::vector<std::string> NewlySent() {
    const auto all = telnet.Sent();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(seen_), all.end());
    seen_ = all.size();
    return fresh;
  }
  // Connections opened so far.
  long Connects() const {
    return std::count(telnet.events.begin(), telnet.events.end(), "connect");
  }

  kestrel::testing::FakeTelnetClient telnet;
  kestrel::testing::ManualClock clock;
  mml::PropertiesForm properties;
  FixedClock time;
  RecordedFiles files;
  RecordedSound sound;
  ScriptedDialogs dialogs;
  kestrel::testing::RecordedMessages messages;
  DailyCheckPage page;

 private:
  std::size_t seen_ = 0;
};

class DailyCheckTest : public ::testing::Test, public PageBench {};

// An alarm list: the echo, a page header, then alarms of a header line, a slogan line and
// detail rows, then END, an empty line and the prompt.
inline std::string AlarmList(const std::string& alarms) {
  return "ALLIP;\r\n\r\nWO      BSC9              AD-739  TIME 261205 140730\r\nALARM "
         "LIST\r\n\r\n" +
         alarms + "END\r\n\r\n<";
}

inline std::string Alarm(const std::string& slogan, const std::string& details = "") {
  return "A2/APT \"BSC9    12/00/0\" 431 261205   1407\r\n" + slogan + "\r\n\r\n" + details +
         "\r\n";
}

}  // namespace kestrel::dailycheck::testing
