#pragma once

#include <QAudioSink>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/ports.h"

namespace kestrel::platform {

// Tones and WAV recordings through Qt Multimedia. A sound plays while the event loop goes on,
// and its end is an event: `done` runs, through the dispatcher, when the sound's time is over
// (the same time in silence where there is no audio device). Each page that plays sounds has
// its own, so that Stop on one page cuts only that page's sound. A silent one (for a program
// with no one to hear it) plays nothing, and every sound's end comes at once.
class QtSound : public Sound {
 public:
  explicit QtSound(bool silent = false);
  ~QtSound() override;
  QtSound(const QtSound&) = delete;
  QtSound& operator=(const QtSound&) = delete;

  void Beep(int hz, int ms, Done done) override;
  void Play(const std::string& path, Done done) override;
  void Start(const std::string& path) override;
  void Stop() override;

  // A recording longer than this is cut: a warning must not hold the scan for long.
  static constexpr int kLongestMs = 60000;

 private:
  void Begin(const struct WavSound& sound, int ms, Done done);

  std::unique_ptr<QAudioSink> started_;  // what Start left playing
  // The sounds under way, by number (a null sink plays in silence); the end of one that is no
  // longer here was cut short by Stop.
  std::map<std::uint64_t, std::unique_ptr<QAudioSink>> playing_;
  std::uint64_t serial_ = 0;
  // What the ends wait on: they go with it.
  std::unique_ptr<QObject> context_;
  bool silent_;
};

// The PCM samples of a WAV file and their format; empty when the file is not a WAV file
// that can be played (damaged, compressed, cut short).
struct WavSound {
  int sample_rate = 0;
  int channels = 0;
  int bits = 0;
  QByteArray samples;
  int Milliseconds() const;
};
WavSound ReadWav(const QByteArray& file);

}  // namespace kestrel::platform
