#include "platform/log_writer.h"

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::platform {
namespace {

using Direction = mml::SessionRecord::Direction;

// A file the writer writes to, and what it was handed for it, in order.
struct Target {
  int fd = -1;
  std::string path;
  std::vector<std::string> handed;
};

// The texts of a log file's lines, without their time stamps and directions.
std::vector<std::string> TextsOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::string> texts;
  for (std::string line; std::getline(file, line);) {
    const std::size_t word = line.find(' ', line.find(' ') + 1);  // after date and time
    texts.push_back(word == std::string::npos ? line : line.substr(word + 6));
  }
  return texts;
}

Target Open(const QTemporaryDir& dir, const std::string& name) {
  Target target;
  target.path = dir.filePath(QString::fromStdString(name)).toStdString();
  target.fd = ::open(target.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  return target;
}

// Letters and digits only, so that the record holds the text as it is; sizes from nothing to
// several times a chunk, so that the texts of a batch stand at every kind of offset.
std::string Text(std::mt19937& random, const std::string& tag) {
  const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 19)(random) == 0
                               ? std::uniform_int_distribution<std::size_t>(0, 100000)(random)
                               : std::uniform_int_distribution<std::size_t>(0, 300)(random);
  std::string text = tag + "_";
  for (std::size_t i = 0; i < size; ++i) text += static_cast<char>('a' + (i + size) % 26);
  return text;
}

// A waited record that comes while the thread is in the middle of a batch (held up by a full
// pipe) returns only after that batch and then its own record are written.
TEST(LogWriter, AWaitedRecordQueuedBehindABatchInProgressWaitsForIt) {
  QTemporaryDir dir;
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  Target file = Open(dir, "file");
  const std::string big(512 * 1024, 'x');  // several times what a pipe holds
  std::atomic<bool> drained{false};
  std::size_t read_bytes = 0;
  {
    LogWriter writer;
    writer.Write(pipe_ends[1], Direction::kReceived, big, false);
    std::thread reader([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the writer is stuck
      drained = true;
      char buffer[65536];
      for (ssize_t n; (n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;) read_bytes += n;
    });
    EXPECT_TRUE(writer.Write(file.fd, Direction::kNote, "after the big one", true));
    EXPECT_TRUE(drained.load());
    EXPECT_EQ(TextsOf(file.path), std::vector<std::string>{"after the big one"});
    writer.Close(pipe_ends[1]);  // the reader sees the end only after the big record
    writer.Close(file.fd);
    reader.join();
  }
  ::close(pipe_ends[0]);
  EXPECT_EQ(read_bytes, 23 + 6 + big.size() + 1);
}

// A write that fails is said for its own file only, for as long as its writes fail; the
// records of other files in the same batches go on being written.
TEST(LogWriter, AFailedWriteIsSaidForItsFileOnly) {
  QTemporaryDir dir;
  const int unwritable = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(unwritable, 0);
  Target good = Open(dir, "good");
  {
    LogWriter writer;
    for (int n = 0; n < 20; ++n) {
      writer.Write(unwritable, Direction::kReceived, "lost", false);
      writer.Write(good.fd, Direction::kReceived, "kept" + std::to_string(n), false);
      good.handed.push_back("kept" + std::to_string(n));
    }
    EXPECT_TRUE(writer.Write(good.fd, Direction::kNote, "note", true));
    good.handed.push_back("note");
    EXPECT_FALSE(writer.Write(unwritable, Direction::kNote, "note", true));
    EXPECT_FALSE(writer.Write(unwritable, Direction::kReceived, "later", false));
    EXPECT_TRUE(writer.Write(good.fd, Direction::kReceived, "later", false));
    good.handed.push_back("later");
    writer.Close(good.fd);
  }
  ::close(unwritable);
  EXPECT_EQ(TextsOf(good.path), good.handed);
}

// Several threads at once, each with its own file, its own mix of waited and unwaited records,
// and unwaited ones at the end before the close: a waited record returns only once it and
// everything handed before it is on disk, for its own file and for every other; in the end each
// file holds exactly what it was handed, in order, and is closed.
TEST(LogWriter, WaitedRecordsFindEverythingBeforeThemWrittenFromManyThreads) {
  QTemporaryDir dir;
  constexpr int kThreads = 4;
  std::vector<Target> targets;
  for (int i = 0; i < kThreads; ++i) targets.push_back(Open(dir, "t" + std::to_string(i)));
  Target last = Open(dir, "last");
  std::vector<std::string> failures(kThreads);
  {
    LogWriter writer;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        std::mt19937 random(static_cast<unsigned>(t + 1));
        Target& target = targets[static_cast<std::size_t>(t)];
        for (int n = 0; n < 450; ++n) {
          const bool wait = n < 400 && std::uniform_int_distribution<int>(0, 4)(random) == 0;
          target.handed.push_back(Text(random, std::to_string(t) + "_" + std::to_string(n)));
          if (!writer.Write(target.fd, Direction::kReceived, target.handed.back(), wait)) {
            failures[static_cast<std::size_t>(t)] = "write " + std::to_string(n) + " failed";
            return;
          }
          if (wait && TextsOf(target.path) != target.handed) {
            failures[static_cast<std::size_t>(t)] = "not all written at " + std::to_string(n);
            return;
          }
        }
        writer.Close(target.fd);
      });
    }
    for (auto& thread : threads) thread.join();
    // The threads' last records were not waited for; a waited record of another file was.
    ASSERT_TRUE(writer.Write(last.fd, Direction::kNote, "last", true));
    for (const Target& target : targets) EXPECT_EQ(TextsOf(target.path), target.handed);
    writer.Close(last.fd);
  }
  for (int t = 0; t < kThreads; ++t) {
    const Target& target = targets[static_cast<std::size_t>(t)];
    EXPECT_EQ(failures[static_cast<std::size_t>(t)], "");
    EXPECT_EQ(TextsOf(target.path), target.handed);
    EXPECT_EQ(::fcntl(target.fd, F_GETFD), -1) << "still open: " << target.path;
  }
}

// A file whose number was that of a closed file whose writes failed has not failed: its first
// record, handed over while the thread is still in the batch that closed the old file, is
// not said to have failed.
TEST(LogWriter, ANewFileOnTheNumberOfAClosedFailedOneHasNotFailed) {
  const int old_file = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int sync = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  const std::string big(100000, 'x');
  const std::size_t line = 23 + 6 + big.size() + 1;
  LogWriter writer;
  ASSERT_FALSE(writer.Write(old_file, Direction::kNote, "refused", true));
  writer.Write(pipe_ends[1], Direction::kReceived, big, false);  // holds the thread up
  writer.Close(old_file);
  writer.Write(pipe_ends[1], Direction::kReceived, big, false);  // and again, after the close
  std::vector<char> buffer(line);
  for (std::size_t got = 0; got < line;) {
    got += static_cast<std::size_t>(::read(pipe_ends[0], buffer.data(), line - got));
  }
  while (::fcntl(old_file, F_GETFD) != -1) std::this_thread::yield();
  // The thread has closed the old file and waits on the pipe; a new file takes the number.
  const int new_file = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ASSERT_EQ(::dup2(new_file, old_file), old_file);
  ::close(new_file);
  const bool said = writer.Write(old_file, Direction::kReceived, "first", false);
  std::thread reader([&] {
    while (::read(pipe_ends[0], buffer.data(), buffer.size()) > 0) {
    }
  });
  writer.Close(pipe_ends[1]);
  writer.Close(old_file);
  writer.Write(sync, Direction::kNote, "all written", true);
  writer.Close(sync);
  EXPECT_TRUE(said);
  reader.join();
  ::close(pipe_ends[0]);
}

// A quiet writer stops looking for work; received text handed to it then still gets written
// while the writer lives, not only when it ends.
TEST(LogWriter, ReceivedTextAfterAQuietWhileIsWritten) {
  QTemporaryDir dir;
  Target target = Open(dir, "quiet.log");
  LogWriter writer;
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // past the looks before sleep
  writer.Write(target.fd, Direction::kReceived, "late", false);
  for (int look = 0; look < 3000 && TextsOf(target.path).empty(); ++look) {  // a hang
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(TextsOf(target.path), std::vector<std::string>{"late"});
  writer.Close(target.fd);
}

std::size_t HeapInUse() {
  const struct mallinfo2 heap = ::mallinfo2();
  return heap.uordblks + heap.hblkhd;
}

// Text that piled up while the thread was held up (a slow disk) is not kept once written.
TEST(LogWriter, ABacklogIsNotKeptOnceWritten) {
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  LogWriter writer;
  writer.Write(sink, Direction::kNote, "start", true);
  const std::size_t before = HeapInUse();
  writer.Write(pipe_ends[1], Direction::kReceived, std::string(200000, 'y'), false);
  const std::string chunk(65536, 'z');
  for (int n = 0; n < 256; ++n) writer.Write(sink, Direction::kReceived, chunk, false);  // 16 MB
  std::thread reader([&] {
    char buffer[65536];
    while (::read(pipe_ends[0], buffer, sizeof buffer) > 0) {
    }
  });
  for (int n = 0; n < 3; ++n) writer.Write(sink, Direction::kNote, "written", true);
  EXPECT_LT(HeapInUse(), before + 4u * 1024 * 1024);
  writer.Close(pipe_ends[1]);
  writer.Write(sink, Direction::kNote, "all written", true);
  writer.Close(sink);
  reader.join();
  ::close(pipe_ends[0]);
}

}  // namespace
}  // namespace kestrel::platform
