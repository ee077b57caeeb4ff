#pragma once

#include <chrono>
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
// not slowed by its log: the thread that runs the pages only hands each record over, and the
// thread cuts received text into its lines. Records keep their order. A line sent or a note
// is waited for until it is with the system, so a crash never loses what was sent to the
// network; received text is written a moment later. The lines the thread takes at once go to
// each file with one write call, whole: nothing waits in a buffer of ours.
class LogWriter {
 public:
  LogWriter();
  ~LogWriter();  // writes what is queued, then ends the thread
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // Queues a record for `fd` of the time `when` (received text: a record per line, see
  // mml::ForEachReceivedLine); with `wait`, returns once it and all before it are written.
  // False when a write to `fd` has failed (this one, when waited for, or an earlier one).
  bool Write(int fd, mml::SessionRecord::Direction direction, std::string_view text, bool wait,
             mml::SessionRecord::Time when = std::chrono::system_clock::now());
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
  // The record lines of `item` go to the end of `out_`.
  void AddLines(const Item& item, std::string_view text);
  void AddLine(const char* word, const timespec& when, std::string_view text);
  // Writes `out_` to `out_fd_`.
  void WriteOut();
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
  std::string out_;           // lines for `out_fd_`, written before another file's
  int out_fd_ = -1;
  time_t second_ = -1;
  std::string stamp_;
  std::thread thread_;  // last: starts when everything above stands
};

}  // namespace kestrel::platform
