#pragma once

#include <QAudioSink>
#include <QByteArray>
#include <QString>
#include <memory>

#include "platform/ports.h"

namespace kestrel::platform {

// Tones and WAV recordings through Qt Multimedia. Beep and PlayToEnd return when the sound is
// over, as the pages expect; without an audio device they take the same time in silence.
// Meanwhile a nested event loop keeps the window answering: clicks, repaints, timers and
// received text are handled while a sound plays. The telnet clients never deliver to a
// handler that is still running, and the pages that play sounds defer their own events, so a
// sound never interleaves with the handler that plays it. Without an application object to
// run events, the thread sleeps instead.
class QtSound : public Sound {
 public:
  void Beep(int hz, int ms) override;
  void PlayToEnd(const std::string& path) override;
  void Start(const std::string& path) override;

  // A recording longer than this is cut: a warning must not hold the scan for long.
  static constexpr int kLongestMs = 60000;

 private:
  std::unique_ptr<QAudioSink> started_;  // what Start left playing
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
