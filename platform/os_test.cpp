#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "platform/file_names.h"
#include "platform/os.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace kestrel::platform {
namespace {

TEST(FileNames, EveryNameIsOneFileNameOnBothSystems) {
  const struct {
    const char* name;
    const char* safe;
  } rows[] = {
      {"BSC9", "BSC9"},
      {"../../etc/x\x1b", ".._.._etc_x_"},
      {"a<b>c:d\"e/f\\g|h?i*j", "a_b_c_d_e_f_g_h_i_j"},
      {"BSC9.", "BSC9_"},
      {"BSC9 . ", "BSC9___"},
      {"..", "__"},
      {"", "_"},
      {"CON", "_CON"},
      {"nul.txt", "_nul.txt"},
      {"Com1", "_Com1"},
      {"LPT9.log", "_LPT9.log"},
      {"COM0", "COM0"},
      {"CONSOLE", "CONSOLE"},
      {"AUX_Create_07122026_101502", "AUX_Create_07122026_101502"},
  };
  for (const auto& row : rows) EXPECT_EQ(FileSafe(row.name), row.safe) << row.name;
}

TEST(FileNames, PathsUnderARootKeepItsPrefixAndTheSystemsSeparators) {
  const struct {
    PathStyle style;
    const char* root;
    const char* path;
    const char* joined;
  } rows[] = {
      {PathStyle::kWindows, R"(\\server\share\folder)", "Kestreldailycheck/BSC9.txt",
       R"(\\server\share\folder\Kestreldailycheck\BSC9.txt)"},
      {PathStyle::kWindows, R"(\\server\share\)", "a/b", R"(\\server\share\a\b)"},
      {PathStyle::kWindows, "//server/share", "a", R"(\\server\share\a)"},
      {PathStyle::kWindows, R"(X:\)", "a/b", R"(X:\a\b)"},
      {PathStyle::kWindows, "X:/reports//", "a", R"(X:\reports\a)"},
      {PathStyle::kWindows, "", "a/b", R"(a\b)"},
      {PathStyle::kPosix, "/srv/reports/", "a/b", "/srv/reports/a/b"},
      {PathStyle::kPosix, "/srv/reports", "a", "/srv/reports/a"},
      {PathStyle::kPosix, "/", "a", "/a"},
      {PathStyle::kPosix, R"(back\slash)", "a", R"(back\slash/a)"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(JoinPath(row.style, row.root, row.path), row.joined) << row.root;
  }
}

TEST(FileNames, TheDriveOrShareOfAPathIsNamedWhenItIsMissing) {
  const struct {
    PathStyle style;
    const char* path;
    const char* root;
    const char* missing;
  } rows[] = {
      {PathStyle::kWindows, R"(r:\Kestreldailycheck\a.txt)", R"(R:\)",
       "the drive R: is not there (a network drive that is not connected?)"},
      {PathStyle::kWindows, R"(\\server\share\folder\a.txt)", R"(\\server\share\)",
       R"(the share \\server\share cannot be reached)"},
      {PathStyle::kWindows, "//server/share", R"(\\server\share\)", nullptr},
      {PathStyle::kWindows, R"(\\server)", "", nullptr},
      {PathStyle::kWindows, R"(reports\a.txt)", "", nullptr},
      {PathStyle::kPosix, "/srv/a.txt", "", nullptr},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(PathRoot(row.style, row.path), row.root) << row.path;
    if (row.missing != nullptr) {
      EXPECT_EQ(RootMissing(row.root), row.missing);
    }
  }
}

TEST(Os, ANewFileTakesBytesAsTheyAreAndNeverReplacesOne) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kestrel_os_test_" + std::to_string(std::rand())))
          .string();
  const NewFile file = CreateNewFile(path);
  ASSERT_GE(file.fd, 0) << file.error;
  const std::string text =
      "a\r\nb\n\x1a"
      "c";
  EXPECT_EQ(WriteSome(file.fd, text.data(), text.size()), static_cast<long long>(text.size()));
  EXPECT_TRUE(CloseFile(file.fd));
  const NewFile again = CreateNewFile(path);
  EXPECT_EQ(again.fd, -1);
  EXPECT_TRUE(again.exists);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
  in.close();
  std::filesystem::remove(path);
  const NewFile nowhere = CreateNewFile(path + "_missing/x");
  EXPECT_FALSE(nowhere.exists);
  EXPECT_FALSE(nowhere.error.empty());
}

TEST(Os, LocalTimeIsTheCalendarsOwn) {
  std::tm local{};
  ASSERT_TRUE(LocalTime(std::time_t{1800000000}, local));  // 2027-01-15 08:00 UTC
  EXPECT_EQ(local.tm_year, 127);
  EXPECT_EQ(local.tm_mon, 0);
  EXPECT_TRUE(local.tm_mday == 15 || local.tm_mday == 14 || local.tm_mday == 16);
}

// How a test raises each kind of stop request on this system.
struct Raise {
  StopSignal expected;
  long native;
};
#ifdef _WIN32
constexpr Raise kRaises[] = {{StopSignal::kInterrupt, CTRL_C_EVENT},
                             {StopSignal::kBreak, CTRL_BREAK_EVENT},
                             {StopSignal::kClose, CTRL_CLOSE_EVENT},
                             {StopSignal::kClose, CTRL_LOGOFF_EVENT}};
bool Deliver(long native) { return HandleConsoleEvent(static_cast<unsigned long>(native)); }
#else
constexpr Raise kRaises[] = {{StopSignal::kTerminate, SIGTERM}, {StopSignal::kInterrupt, SIGINT}};
bool Deliver(long native) { return std::raise(static_cast<int>(native)) == 0; }
#endif

// Delivered as Windows does, from a thread of its own; a closing console is held until the
// watch ends.
TEST(StopSignals, EachKindReachesTheWatchOnItsOwnThread) {
  for (const Raise& row : kRaises) {
    std::promise<std::pair<StopSignal, std::thread::id>> got;
    auto future = got.get_future();
    std::future<bool> delivered;
    {
      StopSignalWatch watch([&](StopSignal signal) {
        got.set_value({signal, std::this_thread::get_id()});
      });
      delivered = std::async(std::launch::async, [&] { return Deliver(row.native); });
      // Only a hang takes this long.
      ASSERT_EQ(future.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    }
    EXPECT_TRUE(delivered.get()) << row.native;
    const auto [signal, thread] = future.get();
    EXPECT_EQ(signal, row.expected) << StopSignalName(row.expected);
    EXPECT_NE(thread, std::this_thread::get_id());
  }
}

#ifdef _WIN32
// A second request of a kind goes to Windows' own handler (the program ends); a closing console
// is held only until the watch ends.
TEST(StopSignals, ASecondOfAKindIsPassedOnAndACloseWaitsForTheEnd) {
  std::atomic<int> called = 0;
  auto watch = std::make_unique<StopSignalWatch>([&](StopSignal) { ++called; });
  EXPECT_TRUE(Deliver(CTRL_BREAK_EVENT));
  EXPECT_FALSE(Deliver(CTRL_BREAK_EVENT));
  auto close = std::async(std::launch::async, [] { return Deliver(CTRL_CLOSE_EVENT); });
  EXPECT_EQ(close.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  watch.reset();
  EXPECT_TRUE(close.get());
  EXPECT_FALSE(Deliver(CTRL_C_EVENT));  // no watch: Windows' own handling
  EXPECT_EQ(called, 2);
}
#endif

}  // namespace
}  // namespace kestrel::platform
