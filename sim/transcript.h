#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace kestrel::sim {

// Where the transcripts of the sessions go: standard error, each record marked with its
// session; one file per session in a folder; or nowhere.
struct Transcripts {
  enum class Kind { kStandardError, kFolder, kNone };
  Kind kind = Kind::kStandardError;
  QString folder;
};

// Bytes as transcript text: CR as \r, LF as \n followed by a line break and an indent, other
// control characters and bytes from 0x7f up as \xHH, so a transcript is plain text line by line.
std::string TranscriptText(std::string_view bytes);

// The transcript of one session: bytes received ("<< "), bytes sent (">> ") and events ("-- ").
// It is handed the client's bytes already masked; secret bytes sent become asterisks here.
class Transcript {
 public:
  Transcript(const Transcripts& where, int session);

  void Received(std::string_view masked_bytes);
  void Sent(std::string_view bytes, bool secret);
  void Event(std::string_view text);

 private:
  void Write(std::string text);

  QFile file_;
  std::string mark_;  // "[session n] " on standard error
};

}  // namespace kestrel::sim
