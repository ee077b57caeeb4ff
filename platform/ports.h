#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::platform {

// The system beep: a tone of `hz` for `ms` milliseconds; returns when it has sounded.
class Sound {
 public:
  virtual ~Sound() = default;
  virtual void Beep(int hz, int ms) = 0;
  // Plays a WAV file to its end; a missing or damaged file gives no sound and no error.
  virtual void PlayToEnd(const std::string& path) = 0;
  // Starts a WAV file and returns at once.
  virtual void Start(const std::string& path) = 0;
};

// A plain message box in the program's own words; returns when the engineer has closed it.
class Messages {
 public:
  virtual ~Messages() = default;
  virtual void Show(std::string_view text) = 0;
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
