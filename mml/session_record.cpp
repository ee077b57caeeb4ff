#include "mml/session_record.h"

#include "mml/text.h"

namespace kestrel::mml {

namespace {
constexpr std::string_view kHiddenPassword = "********";
// A line not yet ended is written at this size, as a record of its own: a gateway that never
// ends a line must not grow it for ever.
constexpr std::size_t kMostUnended = 64 * 1024;
constexpr char kHex[] = "0123456789abcdef";
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
  QuietTimer.OnTimer = [this] { QuietTick(); };
}

RecordedTelnetClient::~RecordedTelnetClient() {
  inner_.OnDataAvailable = nullptr;
  inner_.OnDisconnected = nullptr;
  if (record_ && inner_.Connected()) {
    WriteUnended(true, Password());
    Write(SessionRecord::Direction::kNote, "disconnected", Now());
  }
}

SessionRecord::Time RecordedTelnetClient::Now() const {
  return context_.now ? context_.now() : std::chrono::system_clock::now();
}

std::string RecordedTelnetClient::Password() const {
  return context_.password ? context_.password() : std::string();
}

void RecordedTelnetClient::Connect() {
  inner_.Host = Host;
  inner_.Port = Port;
  inner_.TerminalType = TerminalType;
  WriteUnended(true, Password());  // of the session before, which has ended
  record_.reset();
  unended_.clear();
  arrivals_.clear();
  QuietTimer.SetEnabled(false);
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
  Write(SessionRecord::Direction::kNote, "connect " + Host + ":" + std::to_string(Port), Now());
  try {
    inner_.Connect();
    TransportLogin = inner_.TransportLogin;
    Direct = inner_.Direct;
  } catch (const std::exception& error) {
    Write(SessionRecord::Direction::kNote, std::string("connect failed: ") + error.what(), Now());
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
  const std::string password = Password();
  WriteUnended(false, password);  // what came before the line goes first
  inner_.WriteLn(text);           // only what went out is recorded
  Write(SessionRecord::Direction::kSent,
        !password.empty() && text == password ? kHiddenPassword : text, Now());
}

void RecordedTelnetClient::Note(std::string_view text) {
  WriteUnended(false, Password());
  Write(SessionRecord::Direction::kNote, text, Now());
}

// The record is made of whole lines: a chunk ends the line waiting for its LF, adds the
// lines it holds whole, and leaves what follows its last LF waiting. The lines of one chunk
// go as one piece; they all began when it came.
void RecordedTelnetClient::Received(std::string_view chunk) {
  if (record_ && !chunk.empty()) {
    const SessionRecord::Time now = Now();
    heard_ = QuietTimer.Enabled();
    const std::size_t last = chunk.rfind('\n');
    if (last == std::string_view::npos) {
      AddUnended(chunk, now);
      if (unended_.size() >= kMostUnended) WriteUnended(false, Password());
    } else {
      const std::string password = Password();
      std::string_view lines = chunk.substr(0, last + 1);
      if (!unended_.empty()) {
        const std::size_t first = chunk.find('\n');
        unended_.append(chunk.substr(0, first + 1));
        WriteLines(unended_, arrivals_.front().when, password);
        unended_.clear();
        arrivals_.clear();
        lines.remove_prefix(first + 1);
      }
      WriteLines(lines, now, password);
      AddUnended(chunk.substr(last + 1), now);
    }
    QuietTimer.SetEnabled(!unended_.empty());
  }
  if (OnDataAvailable) OnDataAvailable(chunk);
}

void RecordedTelnetClient::AddUnended(std::string_view text, SessionRecord::Time when) {
  if (text.empty()) return;
  if (arrivals_.empty() || arrivals_.back().when != when) {
    arrivals_.push_back({unended_.size(), when});
  }
  unended_.append(text);
}

// A password cannot stand across a line break (it is sent as one line), so whole lines are
// masked on their own.
void RecordedTelnetClient::WriteLines(std::string_view lines, SessionRecord::Time when,
                                      std::string_view password) {
  if (lines.empty()) return;
  if (!password.empty() && lines.find(password) != std::string_view::npos) {
    Write(SessionRecord::Direction::kReceived, Masked(lines, password), when);
  } else {
    Write(SessionRecord::Direction::kReceived, lines, when);
  }
}

void RecordedTelnetClient::WriteUnended(bool all, std::string_view password) {
  if (unended_.empty()) return;
  std::string text = Masked(unended_, password);
  // A tail that could be the start of the password waits for the next text.
  const std::size_t held = all ? 0 : SecretStartAtEnd(text, password);
  const std::size_t written = text.size() - held;
  if (written == 0) return;
  Write(SessionRecord::Direction::kReceived, std::string_view(text).substr(0, written),
        arrivals_.front().when);
  // What stays keeps the time its first byte came.
  SessionRecord::Time held_since = arrivals_.front().when;
  for (const Arrival& arrival : arrivals_) {
    if (arrival.offset > written) break;
    held_since = arrival.when;
  }
  unended_ = text.substr(written);
  arrivals_.clear();
  if (!unended_.empty()) arrivals_.push_back({0, held_since});
}

// Two ticks without a byte: the line not yet ended is written as it stands.
void RecordedTelnetClient::QuietTick() {
  if (heard_) {
    heard_ = false;
    return;
  }
  WriteUnended(false, Password());
  QuietTimer.SetEnabled(false);  // a kept start of the password waits for what comes next
}

void RecordedTelnetClient::Ended() {
  WriteUnended(true, Password());
  QuietTimer.SetEnabled(false);
  EndReason = inner_.EndReason;
  ConnectError = inner_.ConnectError;
  if (!ConnectError.empty()) {
    Write(SessionRecord::Direction::kNote, "connect failed: " + ConnectError, Now());
  } else if (ending_) {
    Write(SessionRecord::Direction::kNote, "disconnected", Now());
  } else if (!EndReason.empty()) {
    Write(SessionRecord::Direction::kNote, "ended by client: " + EndReason, Now());
  } else {
    Write(SessionRecord::Direction::kNote, "closed by peer", Now());
  }
  // The page's note about the end (objects left blocked, say) comes from its handler below;
  // the record stays open for it until the next Connect.
  if (OnDisconnected) OnDisconnected();
}

void RecordedTelnetClient::Write(SessionRecord::Direction direction, std::string_view text,
                                 SessionRecord::Time when) {
  if (!record_) return;
  if (record_->Write(direction, text, when)) {
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
