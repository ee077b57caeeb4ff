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
#include <memory>
#include <sstream>

#include "tests/test_data.h"

namespace kestrel::platform {
namespace {

using dailycheck::AlarmQuery;
using dailycheck::Pass;
using dailycheck::PassEnding;
using ::testing::HasSubstr;

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

// A pass as a line of tests/data/platform/history-passes.txt: "ELEMENT STARTED HOW NUMBERS...";
// each alarm's slogan is "S" followed by its number.
Pass PassOf(const std::string& line) {
  std::istringstream words(line);
  std::string how, number;
  Pass pass;
  words >> pass.element >> pass.started >> how;
  pass.ended = pass.started + 5;
  pass.list_read = how == "read";
  pass.ending = dailycheck::EndingFrom(how == "read" ? "checked" : how).value();
  while (words >> number) pass.alarms.push_back({"A2", number, "S" + number, false});
  return pass;
}

// Each alarm record as "element number first last cleared count", cleared "-" while active;
// then each element of the board as "board element ending active N passes N".
std::vector<std::string> Records(SqliteHistory& store) {
  std::vector<std::string> out;
  for (const auto& a : store.Alarms({})) {
    out.push_back(a.element + " " + a.number + " " + std::to_string(a.first_seen) + " " +
                  std::to_string(a.last_seen) + " " +
                  (a.cleared ? std::to_string(*a.cleared) : "-") + " " + std::to_string(a.count));
  }
  for (const auto& e : store.Board()) {
    out.push_back("board " + e.element + " " + std::string(EndingName(e.ending)) + " active " +
                  std::to_string(e.active) + " passes " +
                  std::to_string(store.RecentPasses(e.element, 10).size()));
  }
  return out;
}

// The sections of tests/data/platform/history-passes.txt.
TEST(Store, PassesMakeTheseRecords) {
  for (const auto& [name, text] :
       kestrel::testing::TestDataSections("platform/history-passes.txt")) {
    TempDir dir;
    std::unique_ptr<SqliteHistory> one, other;
    int keep = 0;
    std::vector<std::string> expected;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      line.pop_back();  // the CR
      if (line.empty()) continue;
      if (!expected.empty() || line == "--") {
        expected.push_back(line);
      } else if (line.starts_with("keep ")) {
        keep = std::stoi(line.substr(5));
      } else {
        const bool by_other = line.starts_with("other ");
        std::unique_ptr<SqliteHistory>& store = by_other ? other : one;
        if (!store) store = std::make_unique<SqliteHistory>(dir.File("h.sqlite"), keep);
        store->Record(PassOf(line.substr(by_other ? 6 : 0)));
      }
    }
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(Records(other ? *other : *one), std::vector(expected.begin() + 1, expected.end()))
        << name;
  }
}

TEST(Store, AnyBytesGoInAndComeBackAsTheyWereAndAcknowledgementOutlivesClearing) {
  TempDir dir;
  SqliteHistory store(dir.File("h.sqlite"), 0);
  const std::string slogan =
      "O'Brien \"x\", y; DROP TABLE alarms;--\n\x01" + std::string(5000, 'z');
  Pass pass = PassOf("BSC9 100 read");
  pass.alarms.push_back({"A1", "9", slogan, true});
  store.Record(pass);
  const auto active = store.Alarms({.text = "DROP TABLE"});
  ASSERT_EQ(active.size(), 1u);
  EXPECT_EQ(active[0].slogan, slogan);
  store.Acknowledge(active[0].id, "engineer", 150, "note, with \"quotes\"\nand a line");
  store.Record(PassOf("BSC9 200 read"));
  const auto all = store.Alarms({});
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].cleared, 200);
  EXPECT_EQ(all[0].ack_by, "engineer");
  EXPECT_EQ(all[0].ack_note, "note, with \"quotes\"\nand a line");
  EXPECT_TRUE(store.Alarms({.active_only = true}).empty());
  EXPECT_EQ(store.Alarms({.since = 201}).size(), 0u);
  EXPECT_EQ(store.Alarms({.since = 199, .until = 201}).size(), 1u);
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
    store.Record(PassOf("BSC9 100 read 1"));
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
    EXPECT_THAT(ErrorOf([&] { store.Record(PassOf("BSC9 100 read 1")); }), HasSubstr("newer"));
    EXPECT_TRUE(ReadAll(path) == before);
  }
  {  // locked by another program past the timeout, then free again
    const std::string path = dir.File("locked.sqlite");
    SqliteHistory store(path, 0, {}, 50);
    store.Record(PassOf("BSC9 100 read 1"));
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN EXCLUSIVE; INSERT INTO watcher VALUES(1, 1, 1)", nullptr, nullptr,
                 nullptr);
    EXPECT_THAT(ErrorOf([&] { store.Record(PassOf("BSC9 200 read")); }), HasSubstr("locked"));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    store.Record(PassOf("BSC9 300 read"));
    EXPECT_EQ(Records(store), (std::vector<std::string>{"BSC9 1 100 100 300 1",
                                                        "board BSC9 checked active 0 passes 2"}));
  }
#ifndef _WIN32           // (a read-only folder takes new files there)
  if (geteuid() != 0) {  // a folder it may not write to
    const fs::path locked = dir.path / "ro";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    SqliteHistory store((locked / "h.sqlite").string(), 0);
    EXPECT_NE(ErrorOf([&] { store.Record(PassOf("BSC9 100 read")); }), "");
  }
#endif
}

}  // namespace
}  // namespace kestrel::platform
