#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/dispatch.h"
#include "platform/qt_sound.h"
#include "platform/qt_timer.h"
#include "platform/site_settings.h"
#include "tests/run_until.h"
#include "tests/test_data.h"

namespace kestrel::platform {
namespace {

TEST(QtTimerDriver, FollowsTheModelAndAHandlerErrorDoesNotStopTheLoop) {
  std::vector<std::string> errors;
  SetErrorSink([&](const std::string& message) { errors.push_back(message); });
  controls::Timer model(1);
  int ticks = 0;
  model.OnTimer = [&] {
    if (++ticks == 1) throw std::runtime_error("first tick failed");
  };
  QtTimerDriver driver(model);
  kestrel::testing::RunUntil([] { return false; }, 20);  // a while, the loop running
  EXPECT_EQ(ticks, 0);                                   // not enabled yet
  model.SetEnabled(true);
  ASSERT_TRUE(kestrel::testing::RunUntil([&] { return ticks >= 3; }));
  model.SetEnabled(false);
  const int stopped_at = ticks;
  kestrel::testing::RunUntil([] { return false; }, 20);  // a while, the loop running
  EXPECT_EQ(ticks, stopped_at);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "first tick failed");
}

// The fields the files of tests/data/platform/site-settings.txt are checked by, as text.
std::map<std::string, std::string> Fields(const SiteSettings& s) {
  const auto yes_no = [](bool value) { return value ? "true" : "false"; };
  std::string elements;
  for (const auto& [name, address] : s.elements) {
    elements += (elements.empty() ? "" : "|") + name + "=" + address;
  }
  return {
      {"report_share_root", s.report_share_root},
      {"log_dir", s.log_dir},
      {"password", s.password},
      {"max_printout_mb", std::to_string(s.max_printout_mb)},
      {"proses_watchdog_s", std::to_string(s.proses_watchdog_s)},
      {"log_keep_days", std::to_string(s.log_keep_days)},
      {"log_sessions", yes_no(s.log_sessions)},
      {"transport", s.transport},
      {"ssh_identity", s.ssh_identity},
      {"known_hosts", s.KnownHostsPath()},
      {"ssh_host_key", s.ssh_host_key},
      {"ssh_keepalive_s", std::to_string(s.ssh_keepalive_s)},
      {"prompts",
       s.user_prompt + "|" + s.password_prompt + "|" + s.element_prompt + "|" + s.ready_prompt},
      {"elements", elements},
      {"password_problem", s.PasswordProblem()},
      {"gateway_host", s.gateway_host},
      {"gateway_port", std::to_string(s.gateway_port)},
      {"password_configured", yes_no(s.password_configured)},
  };
}

// Values are the site's and bad ones are said; the demo password is only for a gateway and
// elements on this machine; the site's defaults (ProgramData on Windows) lie under the user's
// file (AppData), and a password the store keeps is taken only where no file configures one.
TEST(SiteSettings, ValuesAreTheSitesAndBadOnesAreSaid) {
  for (const auto& [name, text] :
       kestrel::testing::TestDataSections("platform/site-settings.txt")) {
    SCOPED_TRACE(name);
    QTemporaryDir dir;
    // The files by name, site.ini when none is named; a file named "missing" is not there.
    // "@readable by others": the files are.
    std::map<std::string, std::optional<std::string>> files;
    std::optional<std::string>* file = &(files["site.ini"] = "");
    std::optional<std::string> stored;
    bool store = false, readable = false;
    QStringList expected;
    for (const QString& line : QString::fromStdString(text).split("\r\n")) {
      if (!expected.isEmpty() || line == "--") {
        if (!line.isEmpty() && !line.startsWith('#')) expected << line;
      } else if (line == "@readable by others") {
        readable = true;
      } else if (line.startsWith("@stored")) {
        store = true;
        if (line.size() > 7) stored = line.mid(8).toStdString();
      } else if (line.startsWith('@')) {
        file = &files[line.mid(1).section(' ', 0, 0).toStdString()];
        *file = line.endsWith(" missing") ? std::nullopt : std::optional<std::string>("");
      } else {
        **file += line.toStdString() + "\n";
      }
    }
    ASSERT_FALSE(expected.isEmpty());
    std::vector<std::string> paths, asked;
    for (const auto& [file_name, ini] : files) {
      paths.push_back(dir.filePath(QString::fromStdString(file_name)).toStdString());
      if (!ini) continue;  // a missing file of the two is no error
      QFile written(QString::fromStdString(paths.back()));
      ASSERT_TRUE(written.open(QIODevice::WriteOnly));
      written.write(ini->data(), static_cast<qint64>(ini->size()));
      written.setPermissions(QFile::ReadOwner | QFile::WriteOwner |
                             (readable ? QFile::ReadOther : QFile::Permissions()));
    }
    try {
      SiteSettings settings = SiteSettings::Load(paths, false);
      if (store) {
        settings.UseStoredPassword([&](const std::string& host) {
          asked.push_back(host);
          return stored;
        });
      }
      auto fields = Fields(settings);
      std::string& hosts = fields["asked"];  // whom the store was asked for
      for (const std::string& host : asked) hosts += (hosts.empty() ? "" : "|") + host;
      for (const QString& line : expected.mid(1)) {
        const std::string field = line.section(' ', 0, 0).toStdString();
        const std::string value = line.section(' ', 1).toStdString();
        if (field == "warnings") {  // none, or one that holds the value
          EXPECT_EQ(settings.warnings.size(), value.empty() ? 0u : 1u);
          for (const std::string& warning : settings.warnings) {
            EXPECT_THAT(warning, ::testing::HasSubstr(value));
          }
        } else {
          ASSERT_TRUE(fields.contains(field)) << field;
          EXPECT_EQ(fields[field], value) << field;
        }
      }
    } catch (const std::runtime_error& error) {
      ASSERT_TRUE(expected.value(1).startsWith("error ")) << error.what();
      EXPECT_THAT(error.what(), ::testing::HasSubstr(expected[1].mid(6).toStdString()));
    }
  }
  EXPECT_NO_THROW(SiteSettings::Load("/nonexistent/site.ini", false));
  EXPECT_THROW(SiteSettings::Load("/nonexistent/site.ini", true), std::runtime_error);
}

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
