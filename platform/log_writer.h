#pragma once

#include <condition_variable>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "mml/session_record.h"

namespace kestrel::platform {

// Writes session log lines on a thread of its own, so that a printout of many megabytes is
// not slowed by its log: the thread that runs the pages only hands each record over. Records
// keep their order. A line sent or a note is waited for until it is with the system, so a
// crash never loses what was sent to the network; received text is written a moment later.
// Every line goes to the system with one write call: nothing waits in a buffer of ours.
class LogWriter {
 public:
  LogWriter();
  ~LogWriter();  // writes what is queued, then ends the thread
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // Queues a record for `fd`; with `wait`, returns once it and all before it are written.
  // False when a write to `fd` has failed (this one, when waited for, or an earlier one).
  bool Write(int fd, mml::SessionRecord::Direction direction, std::string_view text, bool wait);
  // Closes `fd` once everything queued for it is written.
  void Close(int fd);

 private:
  // A record; its text stands in the text of its batch, at `offset`.
  struct Item {
    int fd = -1;
    mml::SessionRecord::Direction direction{};
    timespec when{};
    std::size_t offset = 0, size = 0;
    bool close = false;
    std::uint64_t number = 0;
  };
  void Run();
  bool WriteLine(const Item& item, std::string_view text);
  void SetFailed(int fd, bool failed);
  void AppendTime(std::string& line, const timespec& when);

  std::mutex mutex_;
  std::condition_variable queued_, written_;
  // What is queued: the records and, one after another, their texts. The thread takes both
  // at once and hands them back empty, so that handing a chunk over allocates nothing once
  // they have grown to a printout's pace.
  std::vector<Item> queue_;
  std::string texts_;
  std::uint64_t next_number_ = 1;
  std::uint64_t written_up_to_ = 0;  // every record numbered up to this is done
  bool asleep_ = false;              // the thread waits without looking: wake it
  std::deque<int> failed_;           // files whose last write failed
  bool stopping_ = false;
  // Used by the thread only.
  std::vector<int> failing_;  // what failed_ holds, known without the lock
  std::string line_;
  time_t second_ = -1;
  std::string stamp_;
  std::thread thread_;  // last: starts when everything above stands
};

}  // namespace kestrel::platform
