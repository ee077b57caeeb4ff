#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <thread>

#include "platform/file_names.h"
#include "platform/ini_text.h"
#include "platform/os.h"
#include "tests/test_data.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <wincred.h>
#else
#include <csignal>
#endif

namespace kestrel::platform {
namespace {

using kestrel::testing::SplitAt;

// The rows of a section of tests/data/platform/file-names.txt, each cut at its tabs; blank
// lines and "#" comments aside.
std::vector<std::vector<std::string>> Rows(const std::string& section) {
  std::vector<std::vector<std::string>> rows;
  for (std::string line :
       SplitAt(kestrel::testing::TestDataSections("platform/file-names.txt")[section], "\n")) {
    if (line.ends_with('\r')) line.pop_back();
    if (!line.empty() && !line.starts_with('#')) rows.push_back(SplitAt(line, "\t"));
  }
  EXPECT_FALSE(rows.empty()) << section;
  return rows;
}

PathStyle StyleOf(const std::string& name) {
  return name == "windows" ? PathStyle::kWindows : PathStyle::kPosix;
}

TEST(FileNames, EveryNameIsOneFileNameOnBothSystems) {
  for (const auto& row : Rows("safe")) EXPECT_EQ(FileSafe(row.at(0)), row.at(1)) << row[0];
  EXPECT_EQ(FileSafe("x\x1b\x7f\n"), "x___");
}

TEST(FileNames, PathsUnderARootKeepItsPrefixAndTheSystemsSeparators) {
  for (const auto& row : Rows("joined")) {
    EXPECT_EQ(JoinPath(StyleOf(row.at(0)), row.at(1), row.at(2)), row.at(3)) << row[1];
  }
}

TEST(FileNames, TheDriveOrShareOfAPathIsNamedWhenItIsMissing) {
  for (const auto& row : Rows("roots")) {
    EXPECT_EQ(PathRoot(StyleOf(row.at(0)), row.at(1)), row.at(2)) << row[1];
    if (row.size() > 3) {
      EXPECT_EQ(RootMissing(row[2]), row[3]);
    }
  }
}

TEST(FileNames, SettingsAndLogsLieWhereEachSystemKeepsThem) {
  for (const auto& row : Rows("places")) {
    std::map<std::string, std::string> env;
    for (const std::string& pair : SplitAt(row.at(1), " ")) {
      env[pair.substr(0, pair.find('='))] = pair.substr(pair.find('=') + 1);
    }
    const Environment environment = [&](const char* name) { return env[name]; };
    EXPECT_EQ(SettingsFiles(StyleOf(row[0]), environment), SplitAt(row.at(2), "|")) << row[1];
    EXPECT_EQ(DefaultLogFolder(StyleOf(row[0]), environment), row.at(3)) << row[1];
  }
}

TEST(FileNames, SettingsValuesKeepTheirBackslashes) {
  std::string ini = kestrel::testing::TestDataSections("platform/file-names.txt")["ini"];
  for (const bool crlf : {true, false}) {
    if (!crlf) std::erase(ini, '\r');
    for (const auto& row : Rows("ini values")) {
      const auto value = row.at(2) == "-" ? std::nullopt : std::optional(row[2]);
      EXPECT_EQ(RawIniValue(ini, row[0], row[1]), value) << row[1] << (crlf ? " CR LF" : " LF");
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

// The local time is that of the zone the system is set to, on either side of the UTC day.
TEST(Os, LocalTimeIsTheCalendarsOwn) {
  const struct {
    const char* zone;  // hours west of UTC
    int day, hour;
  } rows[] = {{"AAA-16", 16, 0}, {"BBB9", 14, 23}, {"UTC0", 15, 8}};
  for (const auto& row : rows) {
#ifdef _WIN32
    _putenv_s("TZ", row.zone);
    _tzset();
#else
    setenv("TZ", row.zone, 1);
    tzset();
#endif
    std::tm local{};
    ASSERT_TRUE(LocalTime(std::time_t{1800000000}, local));  // 2027-01-15 08:00 UTC
    EXPECT_EQ(local.tm_year, 127);
    EXPECT_EQ(local.tm_mon, 0);
    EXPECT_EQ(local.tm_mday, row.day) << row.zone;
    EXPECT_EQ(local.tm_hour, row.hour) << row.zone;
  }
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
TEST(Os, TheCredentialManagersPasswordOfAGatewayIsFound) {
  const std::wstring password = L"s3cr\u00e9t";
  CREDENTIALW credential{};
  credential.Type = CRED_TYPE_GENERIC;
  std::wstring target = L"Kestrel/gw.example";
  credential.TargetName = target.data();
  credential.CredentialBlobSize = static_cast<DWORD>(password.size() * sizeof(wchar_t));
  credential.CredentialBlob = reinterpret_cast<LPBYTE>(const_cast<wchar_t*>(password.data()));
  credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
  ASSERT_TRUE(::CredWriteW(&credential, 0));
  EXPECT_EQ(StoredPassword("gw.example"), "s3cr\xc3\xa9t");
  EXPECT_EQ(StoredPassword("gw.example.org"), std::nullopt);
  EXPECT_EQ(StoredPassword("GW.EXAMPLE"), "s3cr\xc3\xa9t");  // names are not case-sensitive
  ::CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0);
  EXPECT_EQ(StoredPassword("gw.example"), std::nullopt);
}

// An access list granting `readers` reading and writing, besides the owner `owner`.
struct Acl {
  std::vector<BYTE> owner = std::vector<BYTE>(SECURITY_MAX_SID_SIZE);
  PACL acl = nullptr;
  ~Acl() { ::LocalFree(acl); }
};

void Build(Acl& built, const std::vector<WELL_KNOWN_SID_TYPE>& readers, ACCESS_MASK mask) {
  std::vector<std::vector<BYTE>> sids;
  std::vector<EXPLICIT_ACCESS_W> grants;
  const auto sid_of = [](WELL_KNOWN_SID_TYPE type, std::vector<BYTE>& sid) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    ASSERT_TRUE(::CreateWellKnownSid(type, nullptr, sid.data(), &size));
  };
  const auto grant = [&](void* sid, ACCESS_MASK access_mask) {
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = access_mask;
    access.grfAccessMode = SET_ACCESS;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    grants.push_back(access);
  };
  // The owner: a user of its own, here the interactive logon's SID.
  sid_of(WinInteractiveSid, built.owner);
  grant(built.owner.data(), GENERIC_ALL);
  sids.reserve(readers.size());
  for (const WELL_KNOWN_SID_TYPE reader : readers) {
    sid_of(reader, sids.emplace_back(SECURITY_MAX_SID_SIZE));
    grant(sids.back().data(), mask);
  }
  ASSERT_EQ(
      ::SetEntriesInAclW(static_cast<ULONG>(grants.size()), grants.data(), nullptr, &built.acl),
      static_cast<DWORD>(ERROR_SUCCESS));
}

TEST(Os, TheAccessListSaysWhoElseMayReadAFile) {
  const struct {
    std::vector<WELL_KNOWN_SID_TYPE> readers;
    ACCESS_MASK mask;
    bool others;
  } rows[] = {
      {{}, GENERIC_READ, false},
      {{WinBuiltinAdministratorsSid, WinLocalSystemSid}, GENERIC_READ, false},
      {{WinBuiltinUsersSid}, GENERIC_READ, true},
      {{WinWorldSid}, FILE_READ_DATA, true},
      {{WinAuthenticatedUserSid, WinLocalSystemSid}, GENERIC_ALL, true},
      {{WinWorldSid}, FILE_READ_ATTRIBUTES, false},  // sees the file, not what it holds
  };
  for (const auto& row : rows) {
    Acl built;
    Build(built, row.readers, row.mask);
    EXPECT_EQ(AclLetsOthersRead(built.acl, built.owner.data()), row.others) << row.readers.size();
  }
  EXPECT_TRUE(AclLetsOthersRead(nullptr, nullptr));  // no list at all: open to everyone
  const std::string path = (std::filesystem::temp_directory_path() / "kestrel_acl_test").string();
  std::filesystem::remove(path);
  EXPECT_EQ(AccessListLetsOthersRead(path), std::nullopt);
  std::ofstream(path) << "x";
  EXPECT_NE(AccessListLetsOthersRead(path), std::nullopt);
  std::filesystem::remove(path);
}

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
