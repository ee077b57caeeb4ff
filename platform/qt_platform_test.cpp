#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <stdexcept>

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

TEST(SiteSettings, MissingDefaultFileGivesTheBuiltInValues) {
  const auto settings = SiteSettings::Load("/nonexistent/site.ini", false);
  EXPECT_EQ(settings.gateway_host, "127.0.0.1");
  EXPECT_EQ(settings.gateway_port, 52200);
  EXPECT_THROW(SiteSettings::Load("/nonexistent/site.ini", true), std::runtime_error);
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

TEST(QtSoundPort, TakesTheSoundsLengthWithOrWithoutADevice) {
  QtSound sound;
  QElapsedTimer timer;
  timer.start();
  sound.Beep(500, 200);
  EXPECT_GE(timer.elapsed(), 200);
  sound.PlayToEnd("/nonexistent/sound.wav");  // no sound, no error, no wait
  EXPECT_LT(timer.elapsed(), 2000);
}

}  // namespace
}  // namespace kestrel::platform
