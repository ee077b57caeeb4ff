#include "mml/session_record.h"

#include <numeric>

#include "mml/text.h"

namespace kestrel::mml {

namespace {
constexpr std::string_view kHiddenPassword = "********";
// Received text held back for the mask is written out at this size whatever its tail: a
// gateway that ends every chunk with the password's first letter must not grow it for ever.
constexpr std::size_t kMostHeld = 64 * 1024;
constexpr char kHex[] = "0123456789abcdef";

// True when `text` holds `secret` or ends with a start of it that the next chunk may complete.
bool MayHoldSecret(std::string_view text, std::string_view secret) {
  if (secret.empty()) return false;
  return text.find(secret) != std::string_view::npos || SecretStartAtEnd(text, secret) > 0;
}
}  // namespace

void AppendEscapedForRecord(std::string& line, std::string_view bytes) {
  // Runs of plain text are copied whole: a printout is mostly plain text, and the log is
  // written while the printout comes in.
  std::size_t run = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte >= 0x20 && byte < 0x7f && byte != '\\') continue;
    line.append(bytes.data() + run, i - run);
    run = i + 1;
    switch (byte) {
      case '\\':
        line += "\\\\";
        break;
      case '\r':
        line += "\\r";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\t':
        line += "\\t";
        break;
      default:
        line += "\\x";
        line += kHex[byte >> 4];
        line += kHex[byte & 0x0f];
    }
  }
  line.append(bytes.data() + run, bytes.size() - run);
}

std::string EscapedForRecord(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 8);
  AppendEscapedForRecord(text, bytes);
  return text;
}

RecordedTelnetClient::RecordedTelnetClient(TelnetClient& inner, SessionRecorder* recorder,
                                           Context context)
    : inner_(inner), recorder_(recorder), context_(std::move(context)) {
  TerminalType = inner_.TerminalType;
  Host = inner_.Host;
  Port = inner_.Port;
  inner_.OnDataAvailable = [this](std::string_view chunk) { Received(chunk); };
  inner_.OnDisconnected = [this] { Ended(); };
}

void RecordedTelnetClient::Connect() {
  inner_.Host = Host;
  inner_.Port = Port;
  inner_.TerminalType = TerminalType;
  record_.reset();
  held_.clear();
  EndReason.clear();
  ConnectError.clear();
  if (recorder_ != nullptr) {
    std::string error;
    const std::string element = context_.element ? context_.element() : std::string();
    record_ = recorder_->Open(context_.page, element, error);
    if (!record_ && !error_told_ && context_.on_error) {
      error_told_ = true;
      context_.on_error("The session log cannot be written: " + error +
                        "; the job goes on without it");
    }
  }
  Write(SessionRecord::Direction::kNote, "connect " + Host + ":" + std::to_string(Port));
  try {
    inner_.Connect();
  } catch (const std::exception& error) {
    Write(SessionRecord::Direction::kNote, std::string("connect failed: ") + error.what());
    record_.reset();
    throw;
  }
}

void RecordedTelnetClient::Disconnect() {
  if (!inner_.Connected()) return;
  ending_ = true;
  inner_.Disconnect();  // delivers Ended() before it returns
  ending_ = false;
}

void RecordedTelnetClient::WriteLn(std::string_view text) {
  const std::string password = context_.password ? context_.password() : std::string();
  inner_.WriteLn(text);  // only what went out is recorded
  Write(SessionRecord::Direction::kSent,
        !password.empty() && text == password ? kHiddenPassword : text);
}

void RecordedTelnetClient::Note(std::string_view text) {
  Write(SessionRecord::Direction::kNote, text);
}

void RecordedTelnetClient::Received(std::string_view chunk) {
  if (record_) {
    const std::string password = context_.password ? context_.password() : std::string();
    if (held_.empty() && !MayHoldSecret(chunk, password)) {
      Write(SessionRecord::Direction::kReceived, chunk);  // the common case: nothing to mask
    } else {
      held_.emplace_back(chunk);
      WriteHeldChunks(false, password);
    }
  }
  if (OnDataAvailable) OnDataAvailable(chunk);
}

void RecordedTelnetClient::WriteHeldChunks(bool all, std::string_view password) {
  if (held_.empty()) return;
  std::string text = std::accumulate(held_.begin(), held_.end(), std::string());
  // A tail that could be the start of the password waits for the next chunk.
  if (!all && text.size() < kMostHeld && SecretStartAtEnd(text, password) > 0) return;
  text = Masked(text, password);
  std::size_t at = 0;
  for (const std::string& chunk : held_) {
    Write(SessionRecord::Direction::kReceived, std::string_view(text).substr(at, chunk.size()));
    at += chunk.size();
  }
  held_.clear();
}

void RecordedTelnetClient::Ended() {
  WriteHeldChunks(true, context_.password ? context_.password() : std::string());
  EndReason = inner_.EndReason;
  ConnectError = inner_.ConnectError;
  if (!ConnectError.empty()) {
    Write(SessionRecord::Direction::kNote, "connect failed: " + ConnectError);
  } else if (ending_) {
    Write(SessionRecord::Direction::kNote, "disconnected");
  } else if (!EndReason.empty()) {
    Write(SessionRecord::Direction::kNote, "ended by client: " + EndReason);
  } else {
    Write(SessionRecord::Direction::kNote, "closed by peer");
  }
  // The page's note about the end (objects left blocked, say) comes from its handler below;
  // the record stays open for it until the next Connect.
  if (OnDisconnected) OnDisconnected();
}

void RecordedTelnetClient::Write(SessionRecord::Direction direction, std::string_view text) {
  if (!record_) return;
  if (record_->Write(direction, text)) {
    error_told_ = false;
    return;
  }
  if (!error_told_ && context_.on_error) {
    error_told_ = true;
    context_.on_error(
        "The session log cannot be written (is the disk full?); the job goes on "
        "without it");
  }
}

}  // namespace kestrel::mml
