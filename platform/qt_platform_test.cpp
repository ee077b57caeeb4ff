#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/dispatch.h"
#include "platform/qt_sound.h"
#include "platform/qt_timer.h"
#include "platform/site_settings.h"

namespace kestrel::platform {
namespace {

void RunFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(QtTimerDriver, FollowsTheModelAndAHandlerErrorDoesNotStopTheLoop) {
  std::vector<std::string> errors;
  SetErrorSink([&](const std::string& message) { errors.push_back(message); });
  controls::Timer model(1);
  int ticks = 0;
  model.OnTimer = [&] {
    if (++ticks == 1) throw std::runtime_error("first tick failed");
  };
  QtTimerDriver driver(model);
  RunFor(20);
  EXPECT_EQ(ticks, 0);  // not enabled yet
  model.SetEnabled(true);
  QElapsedTimer waited;
  waited.start();
  while (ticks < 3 && waited.elapsed() < 2000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_GE(ticks, 3);
  model.SetEnabled(false);
  const int stopped_at = ticks;
  RunFor(20);
  EXPECT_EQ(ticks, stopped_at);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "first tick failed");
}

SiteSettings FromIni(const QTemporaryDir& dir, const std::string& text,
                     QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner) {
  QFile file(dir.filePath("site.ini"));
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text.data(), static_cast<qint64>(text.size()));
  file.close();
  file.setPermissions(permissions);
  return SiteSettings::Load(file.fileName().toStdString(), true);
}

// The site's defaults (ProgramData on Windows) under the user's file (AppData): a key of the
// user's wins, one only the site sets stays; a password the store keeps is taken only where
// no file configures one.
TEST(SiteSettings, TheUsersFileWinsOverTheSitesAndTheStoreComesLast) {
  const struct {
    const char* site;
    const char* user;
    const char* stored;
    const char* host;
    int port;
    const char* password;
    bool configured;
  } rows[] = {
      {"[gateway]\nhost=gw.site\nport=2300\n", "[gateway]\nhost=gw.user\n", nullptr, "gw.user",
       2300, SiteSettings::kBuiltInPassword, false},
      {"[gateway]\nhost=gw.site\n", "", "from-store", "gw.site", 52200, "from-store", true},
      {"[gateway]\npassword=site-pw\n", "[gateway]\nport=24\n", "from-store", "127.0.0.1", 24,
       "site-pw", true},
      {nullptr, "[gateway]\npassword=user-pw\n", "from-store", "127.0.0.1", 52200, "user-pw", true},
  };
  for (const auto& row : rows) {
    QTemporaryDir dir;
    std::vector<std::string> paths;
    for (const auto& [name, text] : {std::pair{"site.ini", row.site}, {"user.ini", row.user}}) {
      paths.push_back(dir.filePath(name).toStdString());
      if (text == nullptr) continue;  // a missing file of the two is no error
      QFile file(dir.filePath(name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(text);
      file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    SiteSettings settings = SiteSettings::Load(paths, false);
    std::vector<std::string> asked;
    settings.UseStoredPassword([&](const std::string& host) -> std::optional<std::string> {
      asked.push_back(host);
      return row.stored == nullptr ? std::nullopt : std::optional<std::string>(row.stored);
    });
    EXPECT_EQ(settings.gateway_host, row.host);
    EXPECT_EQ(settings.gateway_port, row.port);
    EXPECT_EQ(settings.password, row.password) << row.user;
    EXPECT_EQ(settings.password_configured, row.configured);
    // The store is asked only where no file configures a password, for the gateway's host.
    EXPECT_EQ(asked, row.configured && row.stored != std::string(row.password)
                         ? std::vector<std::string>{}
                         : std::vector<std::string>{settings.gateway_host});
  }
}

// Paths and passwords keep their backslashes; limits and logs are the site's; a bad number is
// said; a missing file is an error only when it was named.
TEST(SiteSettings, ValuesAreTheSitesAndBadOnesAreSaid) {
  QTemporaryDir dir;
  const auto settings = FromIni(dir,
                                "[reports]\nshare_root=\\\\srv\\share\\new\n"
                                "[logs]\ndir=C:\\temp\\kestrel\nkeep_days=7\nenabled=false\n"
                                "[gateway]\npassword=\"x\\ty\"\n"
                                "[limits]\nmax_printout_mb=8\n[proses]\nwatchdog_s=90\n");
  EXPECT_EQ(settings.report_share_root, R"(\\srv\share\new)");
  EXPECT_EQ(settings.log_dir, R"(C:\temp\kestrel)");
  EXPECT_EQ(settings.password, R"(x\ty)");
  EXPECT_EQ(settings.max_printout_mb, 8);
  EXPECT_EQ(settings.proses_watchdog_s, 90);
  EXPECT_EQ(settings.log_keep_days, 7);
  EXPECT_FALSE(settings.log_sessions);
  const auto ssh = FromIni(dir,
                           "[gateway]\ntransport=ssh\n"
                           "[ssh]\nidentity=C:\\keys\\ops\nknown_hosts=/site/known\n"
                           "host_key=SHA256:AbC+/9\nkeepalive_s=0\n"
                           "[dialogue]\nuser_prompt=Login\npassword_prompt=Passwort\n"
                           "element_prompt=Element:\nready_prompt=>\n"
                           "[elements]\nBSC9=ssh://10.1.2.9:52000\nMSC1=telnet://[::1]:23\n");
  EXPECT_EQ(ssh.transport, "ssh");
  EXPECT_EQ(ssh.ssh_identity, R"(C:\keys\ops)");
  EXPECT_EQ(ssh.KnownHostsPath(), "/site/known");
  EXPECT_EQ(ssh.ssh_host_key, "SHA256:AbC+/9");
  EXPECT_EQ(ssh.ssh_keepalive_s, 0);
  EXPECT_EQ(std::vector<std::string>(
                {ssh.user_prompt, ssh.password_prompt, ssh.element_prompt, ssh.ready_prompt}),
            std::vector<std::string>({"Login", "Passwort", "Element:", ">"}));
  EXPECT_EQ(ssh.elements, (std::vector<std::pair<std::string, std::string>>{
                              {"BSC9", "ssh://10.1.2.9:52000"}, {"MSC1", "telnet://[::1]:23"}}));
  for (const auto& [ini, said] :
       {std::pair{"[limits]\nmax_printout_mb=0\n", "limits/max_printout_mb"},
        {"[proses]\nwatchdog_s=soon\n", "proses/watchdog_s"},
        {"[gateway]\ntransport=rlogin\n", "gateway/transport \"rlogin\" is neither"},
        {"[ssh]\nhost_key=MD5:12:ab\n", "ssh/host_key is a fingerprint"},
        {"[ssh]\nkeepalive_s=-1\n", "ssh/keepalive_s"},
        {"[dialogue]\nready_prompt=\n", "dialogue/ready_prompt is empty"},
        {"[elements]\nBSC9=10.1.2.9:52000\n", "elements/BSC9 \"10.1.2.9:52000\" is not"},
        {"[elements]\nBSC9=ftp://10.1.2.9:21\n", "elements/BSC9"},
        {"[elements]\nBSC9=ssh://10.1.2.9:0\n", "elements/BSC9"},
        {"[elements]\nBSC9=ssh://10.1.2.9\n", "elements/BSC9"}}) {
    try {
      FromIni(dir, ini);
      ADD_FAILURE() << "taken: " << ini;
    } catch (const std::runtime_error& error) {
      EXPECT_THAT(error.what(), ::testing::HasSubstr(said));
    }
  }
  EXPECT_NO_THROW(SiteSettings::Load("/nonexistent/site.ini", false));
  EXPECT_THROW(SiteSettings::Load("/nonexistent/site.ini", true), std::runtime_error);
}

// The demo password goes to the simulator on this machine, never to a real gateway.
TEST(SiteSettings, TheBuiltInPasswordIsOnlyForALoopbackGateway) {
  QTemporaryDir dir;
  for (const char* ini : {"", "[gateway]\nhost=localhost\n", "[gateway]\nhost=::1\n",
                          "[gateway]\nhost=10.20.30.40\npassword=x\n",
                          "[elements]\nBSC9=ssh://[::1]:52000\nBSC12=telnet://127.0.0.2:23\n",
                          "[gateway]\npassword=x\n[elements]\nBSC9=ssh://10.1.2.9:52000\n"}) {
    EXPECT_EQ(FromIni(dir, ini).PasswordProblem(), "") << ini;
  }
  // Nor to an element reached directly elsewhere, with the gateway on loopback.
  EXPECT_THAT(
      FromIni(dir, "[elements]\nBSC12=telnet://[::1]:23\nBSC9=ssh://10.1.2.9:52000\n")
          .PasswordProblem(),
      ::testing::StartsWith("No password is configured for the gateway 127.0.0.1 and its directly "
                            "reached elements: "));
  EXPECT_EQ(FromIni(dir, "[gateway]\nhost=10.20.30.40\n").PasswordProblem(),
            "No password is configured for the gateway 10.20.30.40: the built-in demo password is "
            "only for a gateway on this machine, so nothing is sent. Set [gateway] password in the "
            "site settings (or give a password file)");
}

TEST(SiteSettings, APasswordInAFileOthersCanReadIsWarnedAbout) {
  QTemporaryDir dir;
  EXPECT_TRUE(FromIni(dir, "[gateway]\npassword=x\n").warnings.empty());
  const auto open = FromIni(dir, "[gateway]\npassword=x\n",
                            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
  ASSERT_EQ(open.warnings.size(), 1u);
  EXPECT_THAT(open.warnings[0], ::testing::HasSubstr("can be read by other users"));
  // Without a password in it, a readable settings file is no secret.
  EXPECT_TRUE(
      FromIni(dir, "[gateway]\nhost=x\n", QFile::ReadOwner | QFile::ReadOther).warnings.empty());
}

}  // namespace
}  // namespace kestrel::platform

namespace kestrel::platform {
namespace {

QByteArray Wav(int rate, int channels, int bits, int frames, quint16 format = 1) {
  QByteArray file("RIFF\0\0\0\0WAVEfmt ", 16);
  auto u32 = [&](quint32 value) { file.append(reinterpret_cast<const char*>(&value), 4); };
  auto u16 = [&](quint16 value) { file.append(reinterpret_cast<const char*>(&value), 2); };
  u32(16);
  u16(format);
  u16(static_cast<quint16>(channels));
  u32(static_cast<quint32>(rate));
  u32(static_cast<quint32>(rate * channels * bits / 8));
  u16(static_cast<quint16>(channels * bits / 8));
  u16(static_cast<quint16>(bits));
  file.append("data", 4);
  const int bytes = frames * channels * bits / 8;
  u32(static_cast<quint32>(bytes));
  file.append(QByteArray(bytes, '\0'));
  return file;
}

TEST(WavFiles, PlayableOnesAreReadAndDamagedOnesGiveNothing) {
  const WavSound half_second = ReadWav(Wav(22050, 1, 16, 11025));
  EXPECT_EQ(half_second.sample_rate, 22050);
  EXPECT_EQ(half_second.Milliseconds(), 500);
  EXPECT_TRUE(ReadWav(Wav(22050, 1, 16, 11025, 3)).samples.isEmpty());  // not PCM
  EXPECT_TRUE(ReadWav(QByteArray("RIFF\0\0\0\0WAVE", 12)).samples.isEmpty());
  EXPECT_TRUE(ReadWav("not a sound at all").samples.isEmpty());
  EXPECT_TRUE(ReadWav(Wav(22050, 1, 16, 11025).left(30)).samples.isEmpty());  // cut short
  // A length that the file does not hold is cut to what is there.
  QByteArray lying = Wav(8000, 1, 8, 100);
  lying.chop(50);
  EXPECT_EQ(ReadWav(lying).samples.size(), 50);
}

// A sound's end is an event of its own, after the sound's length, with or without a device;
// nothing waits for it. A missing file ends at once; Stop cuts a sound, whose end never comes.
TEST(QtSoundPort, ASoundsEndIsAnEventAfterItsLength) {
  QTemporaryDir dir;
  QFile wav(dir.filePath("warning.wav"));
  ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
  wav.write(Wav(8000, 1, 16, 2400));  // 300 ms
  wav.close();
  QtSound sound, stopped;
  QElapsedTimer timer;
  timer.start();
  std::vector<std::string> ends;
  QEventLoop loop;
  sound.Beep(800, 200, [&] {
    ends.push_back("beep");
    EXPECT_GE(timer.elapsed(), 200);
    sound.Play(wav.fileName().toStdString(), [&] {
      ends.push_back("wav");
      EXPECT_GE(timer.elapsed(), 500);
      loop.quit();
    });
  });
  sound.Play("/nonexistent/sound.wav", [&] { ends.push_back("missing"); });
  stopped.Beep(500, 100, [&] { ends.push_back("stopped"); });
  stopped.Stop();
  EXPECT_TRUE(ends.empty()) << "an end came from inside the call";
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_EQ(ends, (std::vector<std::string>{"missing", "beep", "wav"}));
}

}  // namespace
}  // namespace kestrel::platform
