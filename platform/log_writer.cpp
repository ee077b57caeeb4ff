#include "platform/log_writer.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/os.h"

namespace kestrel::platform {

namespace {
// How long received text may wait in the queue at most before the thread writes it.
constexpr auto kLookEvery = std::chrono::milliseconds(5);
// After this many looks without work (a second), the thread sleeps until it is woken.
constexpr int kLooksBeforeSleep = 200;
// The text buffer a batch may keep for the next one; a larger one is given back.
constexpr std::size_t kBufferKept = std::size_t{1} << 20;
// The most of one file's lines that wait for their write call.
constexpr std::size_t kOutAtOnce = std::size_t{256} << 10;
}  // namespace

LogWriter::LogWriter() : thread_([this] { Run(); }) {}

LogWriter::~LogWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_one();
  thread_.join();
}

bool LogWriter::Write(int fd, mml::SessionRecord::Direction direction, std::string_view text,
                      bool wait, mml::SessionRecord::Time when) {
  Item item;
  item.fd = fd;
  item.direction = direction;
  const auto since = when.time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
  item.when.tv_sec = static_cast<time_t>(seconds.count());
  item.when.tv_nsec = static_cast<long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
  item.size = text.size();
  std::unique_lock lock(mutex_);
  const std::uint64_t number = item.number = next_number_++;
  item.offset = texts_.size();
  texts_.append(text);
  queue_.push_back(item);
  // Received text is not worth a wake-up each: the thread looks every few milliseconds, and
  // is woken only from its sleep after a quiet while.
  if (wait) {
    queued_.notify_one();
    written_.wait(lock, [&] { return written_up_to_ >= number; });
  } else if (asleep_) {
    queued_.notify_one();
  }
  return std::find(failed_.begin(), failed_.end(), fd) == failed_.end();
}

void LogWriter::Close(int fd) {
  Item item;
  item.fd = fd;
  item.close = true;
  std::lock_guard lock(mutex_);
  item.number = next_number_++;
  queue_.push_back(item);
  if (asleep_) queued_.notify_one();
}

// The thread takes all that is queued at once and writes it with the lock released, so that
// the thread that runs the pages seldom finds the lock taken, however many chunks come in.
void LogWriter::Run() {
  std::vector<Item> batch;
  std::string texts;
  int quiet_looks = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    const auto queued = [&] { return stopping_ || !queue_.empty(); };
    if (quiet_looks < kLooksBeforeSleep) {
      queued_.wait_for(lock, kLookEvery, queued);
    } else {
      asleep_ = true;  // a quiet program: no wake-ups until something is queued
      queued_.wait(lock, queued);
      asleep_ = false;
    }
    if (queue_.empty()) {
      if (stopping_) return;  // all is written
      ++quiet_looks;
      continue;
    }
    quiet_looks = 0;
    batch.swap(queue_);
    texts.swap(texts_);
    lock.unlock();
    for (const Item& item : batch) {
      if (item.fd != out_fd_ || item.close) WriteOut();
      if (item.close) {
        // Said before the number is free again: a file opened on it next has not failed.
        SetFailed(item.fd, false);
        CloseFile(item.fd);
        continue;
      }
      out_fd_ = item.fd;
      AddLines(item, std::string_view(texts).substr(item.offset, item.size));
      if (out_.size() >= kOutAtOnce) WriteOut();
    }
    WriteOut();
    const std::uint64_t last = batch.back().number;
    batch.clear();
    texts.clear();
    // What a backlog (a slow disk) piled up is not kept once written.
    if (texts.capacity() > kBufferKept) std::string().swap(texts);
    if (batch.capacity() > kBufferKept / sizeof(Item)) std::vector<Item>().swap(batch);
    lock.lock();
    written_up_to_ = last;
    written_.notify_all();
  }
}

// Failures are rare: the lock is taken only when a file's state changes.
void LogWriter::SetFailed(int fd, bool failed) {
  const auto known = std::find(failing_.begin(), failing_.end(), fd);
  if ((known != failing_.end()) == failed) return;
  if (failed) {
    failing_.push_back(fd);
  } else {
    failing_.erase(known);
  }
  std::lock_guard lock(mutex_);
  std::erase(failed_, fd);
  if (failed) failed_.push_back(fd);
}

void LogWriter::AddLines(const Item& item, std::string_view text) {
  switch (item.direction) {
    case mml::SessionRecord::Direction::kSent:
      AddLine(" sent ", item.when, text);
      break;
    case mml::SessionRecord::Direction::kNote:
      AddLine(" note ", item.when, text);
      break;
    case mml::SessionRecord::Direction::kReceived:
      mml::ForEachReceivedLine(text,
                               [&](std::string_view line) { AddLine(" recv ", item.when, line); });
      break;
  }
}

void LogWriter::AddLine(const char* word, const timespec& when, std::string_view text) {
  AppendTime(out_, when);
  out_ += word;
  mml::AppendEscapedForRecord(out_, text);
  out_ += '\n';
}

void LogWriter::WriteOut() {
  if (out_.empty()) return;
  bool written_whole = true;
  for (std::size_t written = 0; written < out_.size();) {
    const long long n = WriteSome(out_fd_, out_.data() + written, out_.size() - written);
    if (n <= 0) {
      written_whole = false;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  SetFailed(out_fd_, !written_whole);
  out_.clear();
  if (out_.capacity() > kBufferKept) std::string().swap(out_);
}

// "YYYY-MM-DD HH:MM:SS.mmm" of local time, the record's own time. The date and time of day are
// worked out once a second: a printout comes in thousands of lines.
void LogWriter::AppendTime(std::string& line, const timespec& when) {
  if (when.tv_sec != second_) {
    second_ = when.tv_sec;
    std::tm local{};
    LocalTime(when.tv_sec, local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    stamp_ = text;
  }
  const auto ms = static_cast<int>(when.tv_nsec / 1000000);
  line += stamp_;
  line += '.';
  line += static_cast<char>('0' + ms / 100);
  line += static_cast<char>('0' + ms / 10 % 10);
  line += static_cast<char>('0' + ms % 10);
}

}  // namespace kestrel::platform
