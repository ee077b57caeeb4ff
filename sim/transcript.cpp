#include "sim/transcript.h"

#include <cstdio>

namespace kestrel::sim {

std::string TranscriptText(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n\n   ";
    } else if (byte < 0x20 || byte >= 0x7f) {
      text += "\\x";
      text += kHex[byte >> 4];
      text += kHex[byte & 0x0f];
    } else {
      text += c;
    }
  }
  return text;
}

Transcript::Transcript(const Transcripts& where, int session) {
  if (where.kind == Transcripts::Kind::kFolder) {
    file_.setFileName(where.folder + QString("/session-%1.log").arg(session));
    file_.open(QIODevice::WriteOnly | QIODevice::Text);
  } else if (where.kind == Transcripts::Kind::kStandardError) {
    file_.open(stderr, QIODevice::WriteOnly | QIODevice::Text);
    mark_ = "[session " + std::to_string(session) + "] ";
  }
}

void Transcript::Received(std::string_view masked_bytes) {
  Write("<< " + TranscriptText(masked_bytes));
}

void Transcript::Sent(std::string_view bytes, bool secret) {
  Write(">> " + (secret ? std::string(bytes.size(), '*') : TranscriptText(bytes)));
}

void Transcript::Event(std::string_view text) { Write("-- " + TranscriptText(text)); }

void Transcript::Write(std::string text) {
  if (!file_.isOpen()) return;
  text += '\n';
  if (!mark_.empty()) {
    text.insert(0, mark_);
    for (std::size_t at = text.find("\n   "); at != std::string::npos;
         at = text.find("\n   ", at + mark_.size() + 4)) {
      text.insert(at + 1, mark_);
    }
  }
  file_.write(text.data(), static_cast<qint64>(text.size()));
  file_.flush();
}

}  // namespace kestrel::sim
