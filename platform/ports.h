#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::platform {

// The system beep and WAV recordings. Nothing here waits: a sound played to its end says so
// by running `done` on the one thread once it is over (never from inside the call), so the
// page that plays it goes on from there while every other page keeps running.
class Sound {
 public:
  using Done = std::function<void()>;
  virtual ~Sound() = default;
  // A tone of `hz` for `ms` milliseconds.
  virtual void Beep(int hz, int ms, Done done) = 0;
  // A WAV file to its end; a missing or damaged file gives no sound and no error.
  virtual void Play(const std::string& path, Done done) = 0;
  // Starts a WAV file; nothing waits for its end.
  virtual void Start(const std::string& path) = 0;
  // Ends what this sound plays; the `done` of what it cuts short never comes.
  virtual void Stop() = 0;
};

// A plain message box in the program's own words. It is shown and the call returns at once:
// no page waits for the engineer to close it, so a box never holds another page's session.
class Messages {
 public:
  enum class Kind { kInformation, kWarning };
  virtual ~Messages() = default;
  virtual void Show(std::string_view text, Kind kind) = 0;
  void Inform(std::string_view text) { Show(text, Kind::kInformation); }
  // A refusal, a lost connection, a job that ended early.
  void Warn(std::string_view text) { Show(text, Kind::kWarning); }
};

}  // namespace kestrel::platform

namespace kestrel::platform {

// A moment of local time.
struct LocalDateTime {
  int year = 2026, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() const = 0;
};

// Text files the pages write whole: the file holds all of `text` or is left as it was.
// Folders are never created. Throws std::runtime_error saying why a write failed.
class Files {
 public:
  virtual ~Files() = default;
  virtual void WriteWhole(const std::string& path, std::string_view text) = 0;
  // The whole file; throws std::runtime_error saying why it cannot be read.
  virtual std::string Read(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // The names of the files in `folder` that end in `suffix`, sorted; none for a missing folder.
  virtual std::vector<std::string> List(const std::string& folder, std::string_view suffix) = 0;
};

// The open and save dialogs; an empty result means the engineer cancelled.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  virtual std::string SaveFileName(std::string_view filter) = 0;
  virtual std::string OpenFileName() = 0;
};

}  // namespace kestrel::platform
