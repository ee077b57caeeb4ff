#include "platform/qt_sound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QMediaDevices>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/dispatch.h"

namespace kestrel::platform {

namespace {

// A sink already holding all of the sound's samples, playing; none without a device that
// takes the sound's format.
std::unique_ptr<QAudioSink> StartSink(const WavSound& sound) {
  QAudioFormat format;
  format.setSampleRate(sound.sample_rate);
  format.setChannelCount(sound.channels);
  format.setSampleFormat(sound.bits == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (sound.samples.isEmpty() || device.isNull() || !device.isFormatSupported(format))
    return nullptr;
  auto sink = std::make_unique<QAudioSink>(device, format);
  sink->setBufferSize(static_cast<qsizetype>(sound.samples.size()));
  if (QIODevice* out = sink->start()) out->write(sound.samples);
  return sink;
}

WavSound ReadWavFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return ReadWav(file.read(64 * 1024 * 1024));
}

}  // namespace

int WavSound::Milliseconds() const {
  const qint64 bytes_per_second = static_cast<qint64>(sample_rate) * channels * (bits / 8);
  if (bytes_per_second <= 0) return 0;
  return static_cast<int>(
      std::min<qint64>(QtSound::kLongestMs, samples.size() * 1000 / bytes_per_second));
}

WavSound ReadWav(const QByteArray& file) {
  auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(file.constData() + at); };
  auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(file.constData() + at); };
  if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE") return {};
  WavSound sound;
  for (qsizetype at = 12; at + 8 <= file.size();) {
    const QByteArray id = file.mid(at, 4);
    const qsizetype size = u32(at + 4);
    const qsizetype body = at + 8;
    if (id == "fmt " && size >= 16 && body + 16 <= file.size()) {
      if (u16(body) != 1) return {};  // PCM only
      sound.channels = u16(body + 2);
      sound.sample_rate = static_cast<int>(u32(body + 4));
      sound.bits = u16(body + 14);
    } else if (id == "data") {
      sound.samples = file.mid(body, std::min(size, file.size() - body));
      break;
    }
    at = body + size + (size % 2);
  }
  const bool playable = sound.channels >= 1 && sound.channels <= 2 && sound.sample_rate >= 4000 &&
                        sound.sample_rate <= 192000 && (sound.bits == 8 || sound.bits == 16) &&
                        !sound.samples.isEmpty();
  return playable ? sound : WavSound{};
}

QtSound::QtSound(bool silent) : context_(std::make_unique<QObject>()), silent_(silent) {}

QtSound::~QtSound() { Stop(); }

void QtSound::Begin(const WavSound& sound, int ms, Done done) {
  const std::uint64_t id = ++serial_;
  playing_[id] = silent_ ? nullptr : StartSink(sound);
  QTimer::singleShot(silent_ ? 0 : std::max(ms, 0), Qt::PreciseTimer, context_.get(),
                     [this, id, done = std::move(done)] {
                       const auto found = playing_.find(id);
                       if (found == playing_.end()) return;
                       if (found->second) found->second->stop();
                       playing_.erase(found);
                       if (done) platform::Dispatch(done);
                     });
}

void QtSound::Beep(int hz, int ms, Done done) {
  WavSound tone{22050, 1, 16, {}};
  const int count = tone.sample_rate * std::max(ms, 0) / 1000;
  tone.samples.resize(count * 2);
  for (int i = 0; i < count; ++i) {
    const double value = 0.4 * std::sin(2 * std::numbers::pi * hz * i / tone.sample_rate);
    qToLittleEndian<qint16>(static_cast<qint16>(value * 32767), tone.samples.data() + 2 * i);
  }
  Begin(tone, ms, std::move(done));
}

void QtSound::Play(const std::string& path, Done done) {
  const WavSound sound = ReadWavFile(path);
  Begin(sound, sound.samples.isEmpty() ? 0 : sound.Milliseconds(), std::move(done));
}

void QtSound::Start(const std::string& path) {
  started_.reset();
  if (!silent_) started_ = StartSink(ReadWavFile(path));
}

void QtSound::Stop() {
  for (const auto& [id, sink] : playing_) {
    if (sink) sink->stop();
  }
  playing_.clear();
}

}  // namespace kestrel::platform
