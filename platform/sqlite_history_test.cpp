#include "platform/sqlite_history.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace kestrel::platform {
namespace {

using dailycheck::AlarmQuery;
using dailycheck::Pass;
using dailycheck::PassEnding;
using testing::HasSubstr;

namespace fs = std::filesystem;

struct TempDir {
  fs::path path = fs::temp_directory_path() /
                  ("kestrel-history-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
  TempDir() { fs::create_directories(path); }
  ~TempDir() {
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_all, ignored);
    fs::remove_all(path, ignored);
  }
  std::string File(const char* name) const { return (path / name).string(); }
  static inline int serial = 0;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A pass of BSC9 at `t` that read its list (`read`) and saw the alarms named by their number
// ("431"); each alarm's slogan is "S" followed by its number.
Pass At(std::int64_t t, bool read, std::vector<std::string> numbers) {
  Pass pass;
  pass.element = "BSC9";
  pass.started = t;
  pass.ended = t + 5;
  pass.list_read = read;
  pass.ending = read ? PassEnding::kChecked : PassEnding::kUnreachable;
  for (const std::string& n : numbers) pass.alarms.push_back({"A2", n, "S" + n, false});
  return pass;
}

// Each alarm record as "number first last cleared count"; cleared "-" while active.
std::vector<std::string> Records(SqliteHistory& store) {
  std::vector<std::string> out;
  for (const auto& a : store.Alarms({})) {
    out.push_back(a.number + " " + std::to_string(a.first_seen) + " " +
                  std::to_string(a.last_seen) + " " +
                  (a.cleared ? std::to_string(*a.cleared) : "-") + " " + std::to_string(a.count));
  }
  return out;
}

TEST(Store, PassesMakeTheseRecords) {
  const struct {
    const char* name;
    std::vector<Pass> passes;
    std::vector<std::string> records;
  } rows[] = {
      {"consecutive",
       {At(100, true, {"1", "2"}), At(200, true, {"1", "2", "1"})},
       {"1 100 200 - 2", "2 100 200 - 2"}},
      {"absent clears at that pass",
       {At(100, true, {"1", "2"}), At(200, true, {"2"})},
       {"1 100 100 200 1", "2 100 200 - 2"}},
      {"unchecked pass clears nothing",
       {At(100, true, {"1"}), At(200, false, {}), At(300, true, {"1"})},
       {"1 100 300 - 2"}},
      {"back after clearing is new",
       {At(100, true, {"1"}), At(200, true, {}), At(300, true, {"1"})},
       {"1 100 100 200 1", "1 300 300 - 1"}},
      {"clock set back",
       {At(1000, true, {"1"}), At(400, true, {"1"}), At(300, true, {})},
       {"1 1000 1000 1000 2"}},
  };
  for (const auto& row : rows) {
    TempDir dir;
    SqliteHistory store(dir.File("h.sqlite"), 0);
    for (const Pass& pass : row.passes) store.Record(pass);
    EXPECT_EQ(Records(store), row.records) << row.name;
  }
}

TEST(Store, AnyBytesGoInAndComeBackAsTheyWereAndAcknowledgementOutlivesClearing) {
  TempDir dir;
  SqliteHistory store(dir.File("h.sqlite"), 0);
  const std::string slogan =
      "O'Brien \"x\", y; DROP TABLE alarms;--\n\x01" + std::string(5000, 'z');
  Pass pass = At(100, true, {});
  pass.alarms.push_back({"A1", "9", slogan, true});
  store.Record(pass);
  const auto active = store.Alarms({.text = "DROP TABLE"});
  ASSERT_EQ(active.size(), 1u);
  EXPECT_EQ(active[0].slogan, slogan);
  store.Acknowledge(active[0].id, "engineer", 150, "note, with \"quotes\"\nand a line");
  store.Record(At(200, true, {}));
  const auto all = store.Alarms({});
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].cleared, 200);
  EXPECT_EQ(all[0].ack_by, "engineer");
  EXPECT_EQ(all[0].ack_note, "note, with \"quotes\"\nand a line");
  EXPECT_TRUE(store.Alarms({.active_only = true}).empty());
  EXPECT_EQ(store.Alarms({.since = 201}).size(), 0u);
  EXPECT_EQ(store.Alarms({.since = 199, .until = 201}).size(), 1u);
}

TEST(Store, TwoProgramsWriteOneFile) {
  TempDir dir;
  SqliteHistory one(dir.File("h.sqlite"), 0), two(dir.File("h.sqlite"), 0);
  one.Record(At(100, true, {"1"}));
  Pass other = At(110, true, {"7"});
  other.element = "BSC10";
  two.Record(other);
  one.Record(At(200, true, {"1"}));
  const auto board = two.Board();
  ASSERT_EQ(board.size(), 2u);
  EXPECT_EQ(board[0].element, "BSC10");
  EXPECT_EQ(board[1].active, 1);
  EXPECT_EQ(Records(two), (std::vector<std::string>{"1 100 200 - 2", "7 110 110 - 1"}));
}

// What the call threw; "" when it threw nothing.
std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

// Every failure is an error the caller can say; none harms the file.
TEST(Store, Failures) {
  TempDir dir;
  {  // not a database: moved aside as it was, a new history started
    const std::string path = dir.File("junk.sqlite");
    std::ofstream(path) << std::string(4096, 'x');
    std::string said;
    SqliteHistory store(path, 0, [&](const std::string& text) { said = text; });
    store.Record(At(100, true, {"1"}));
    EXPECT_THAT(said, HasSubstr("is damaged"));
    bool kept = false;
    for (const auto& entry : fs::directory_iterator(dir.path)) {
      if (entry.path().string().find("junk.sqlite.damaged-") != std::string::npos) {
        kept = ReadAll(entry.path().string()) == std::string(4096, 'x');
      }
    }
    EXPECT_TRUE(kept);
    EXPECT_EQ(store.Alarms({}).size(), 1u);
  }
  {  // a newer schema: left alone
    const std::string path = dir.File("newer.sqlite");
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t(x); PRAGMA user_version=99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const std::string before = ReadAll(path);
    SqliteHistory store(path, 0);
    EXPECT_THAT(ErrorOf([&] { store.Record(At(100, true, {"1"})); }), HasSubstr("newer"));
    EXPECT_TRUE(ReadAll(path) == before);
  }
  {  // locked by another program past the timeout, then free again
    const std::string path = dir.File("locked.sqlite");
    SqliteHistory store(path, 0, {}, 50);
    store.Record(At(100, true, {"1"}));
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN EXCLUSIVE; INSERT INTO watcher VALUES(1, 1, 1)", nullptr, nullptr,
                 nullptr);
    EXPECT_THAT(ErrorOf([&] { store.Record(At(200, true, {})); }), HasSubstr("locked"));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    store.Record(At(300, true, {}));
    EXPECT_EQ(Records(store), std::vector<std::string>{"1 100 100 300 1"});
  }
#ifndef _WIN32           // (a read-only folder takes new files there)
  if (geteuid() != 0) {  // a folder it may not write to
    const fs::path locked = dir.path / "ro";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    SqliteHistory store((locked / "h.sqlite").string(), 0);
    EXPECT_NE(ErrorOf([&] { store.Record(At(100, true, {})); }), "");
  }
#endif
}

TEST(Store, DaysPastTheKeptOnesGoButNotAnElementsLastPass) {
  TempDir dir;
  SqliteHistory store(dir.File("h.sqlite"), 1);
  store.Record(At(100, true, {"1"}));
  store.Record(At(200, true, {}));
  Pass later = At(3 * 86400, true, {"2"});
  later.element = "BSC10";
  store.Record(later);
  EXPECT_EQ(Records(store), std::vector<std::string>{"2 259200 259200 - 1"});
  EXPECT_EQ(store.RecentPasses("BSC9", 10).size(), 1u);
}

}  // namespace
}  // namespace kestrel::platform
