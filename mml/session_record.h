#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/timer.h"
#include "mml/telnet_client.h"

namespace kestrel::mml {

// The record of one session: every line sent, every line received, and the page's notes, in
// order, each with the time it began. Engineers are asked afterwards what was sent to a live
// network and what it answered, and read and search the record for a cell or a state; a
// record also lets a site's traffic be played back to reproduce a fault.
class SessionRecord {
 public:
  enum class Direction { kSent, kReceived, kNote };
  using Time = std::chrono::system_clock::time_point;
  virtual ~SessionRecord() = default;
  // Writes `text` with the time `when`: a line sent and a note as one record line each;
  // received text as one record line per line it holds (see ForEachReceivedLine), all of
  // which began to arrive at `when`. A line sent and a note are with the system before this
  // returns, so a crash or a lost connection loses nothing written before them. Returns
  // false when it could not be written.
  virtual bool Write(Direction direction, std::string_view text, Time when) = 0;
};

// The records of received `text`: each line with its LF, then what follows the last LF (a
// line not yet ended), in order; nothing for an empty text.
template <typename Each>
void ForEachReceivedLine(std::string_view text, Each&& each) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::size_t size = end == std::string_view::npos ? text.size() : end + 1;
    each(text.substr(0, size));
    text.remove_prefix(size);
  }
}

// Opens a record per session. `page` and `element` name it ("proses", "BSC9").
class SessionRecorder {
 public:
  virtual ~SessionRecorder() = default;
  // None when the record cannot be opened; `error` then says why.
  virtual std::unique_ptr<SessionRecord> Open(std::string_view page, std::string_view element,
                                              std::string& error) = 0;
};

// The text of a record line: a backslash as "\\", CR, LF and TAB as "\r", "\n" and "\t", every
// other byte below 0x20 or from 0x7f up as "\xhh", so that one record is one line of plain
// text and the bytes come back exactly.
std::string EscapedForRecord(std::string_view bytes);
// The same, appended to `line`.
void AppendEscapedForRecord(std::string& line, std::string_view bytes);

// A telnet client that records its session. The page talks to it as to any client; it passes
// everything on to the real client and writes the record on the way.
//
// Received text is recorded by lines, however the network cut it: a line is one record, with
// the time its first byte came. A line not yet ended is written when the session sends or
// notes something, when it goes quiet (two ticks of `QuietTimer` without a byte), when it
// ends, or when it grows past a cap; what comes after it on that line is a record of its own.
//
// The password never reaches the record: a line sent that is the password is written as
// "********", and received text that holds it (a gateway that echoes it) has it as asterisks,
// over any cut: a line not yet ended whose end may be the start of the password keeps that
// end back until the next text shows whether it is.
class RecordedTelnetClient : public TelnetClient {
 public:
  // How often a session with a line not yet ended looks whether it has gone quiet.
  static constexpr int kQuietTickMs = 500;

  struct Context {
    std::string page;                       // the page's short name in file names
    std::function<std::string()> element;   // the element the next session selects
    std::function<std::string()> password;  // what must never be recorded
    // Told once when the record cannot be written (until a record works again).
    std::function<void(const std::string& message)> on_error;
    // The time of day; the system's clock when not given.
    std::function<SessionRecord::Time()> now = {};
  };
  RecordedTelnetClient(TelnetClient& inner, SessionRecorder* recorder, Context context);
  // A session still open (the program ends) is recorded to its end: its last text, then the
  // note of a disconnect. The page is not told: it may be gone already.
  ~RecordedTelnetClient() override;
  RecordedTelnetClient(const RecordedTelnetClient&) = delete;
  RecordedTelnetClient& operator=(const RecordedTelnetClient&) = delete;

  void Connect() override;
  void Disconnect() override;
  bool Connected() const override { return inner_.Connected(); }
  void WriteLn(std::string_view text) override;
  void Note(std::string_view text) override;

  // No record from now on (null), or records through another recorder.
  void SetRecorder(SessionRecorder* recorder) { recorder_ = recorder; }

  // Runs while a line not yet ended waits to be written; whoever runs the events drives it.
  controls::Timer QuietTimer{kQuietTickMs};

 private:
  // Received text not yet recorded, from the byte at `offset` of the line on, came at `when`.
  struct Arrival {
    std::size_t offset;
    SessionRecord::Time when;
  };
  void Received(std::string_view chunk);
  void Ended();
  void QuietTick();
  SessionRecord::Time Now() const;
  std::string Password() const;
  void Write(SessionRecord::Direction direction, std::string_view text, SessionRecord::Time when);
  // Received whole lines, masked.
  void WriteLines(std::string_view lines, SessionRecord::Time when, std::string_view password);
  // Writes the line not yet ended, masked; unless `all`, an end that may be the start of the
  // password stays back.
  void WriteUnended(bool all, std::string_view password);
  void AddUnended(std::string_view text, SessionRecord::Time when);

  TelnetClient& inner_;
  SessionRecorder* recorder_;
  Context context_;
  std::unique_ptr<SessionRecord> record_;
  bool ending_ = false;  // the page itself is disconnecting
  bool error_told_ = false;
  // The received line not yet ended (no LF yet) and when its pieces came.
  std::string unended_;
  std::vector<Arrival> arrivals_;
  bool heard_ = false;  // text came since the quiet timer's last tick
};

}  // namespace kestrel::mml
