#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mml/telnet_client.h"

namespace kestrel::mml {

// The record of one session: every line sent, every chunk received as it arrived, and the
// page's notes, in order. Engineers are asked afterwards what was sent to a live network and
// what it answered; a record also lets a site's traffic be played back to reproduce a fault.
class SessionRecord {
 public:
  enum class Direction { kSent, kReceived, kNote };
  virtual ~SessionRecord() = default;
  // Writes one record line and hands it to the system before returning, so a crash or a lost
  // connection loses nothing written before it. Returns false when it could not be written.
  virtual bool Write(Direction direction, std::string_view text) = 0;
};

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
// everything on to the real client and writes the record on the way. The password never
// reaches the record: a line sent that is the password is written as "********", and received
// text that holds it (a gateway that echoes it) has it as asterisks, however the network cut
// it — without moving the cuts, so the record still shows how the text arrived.
class RecordedTelnetClient : public TelnetClient {
 public:
  struct Context {
    std::string page;                       // the page's short name in file names
    std::function<std::string()> element;   // the element the next session selects
    std::function<std::string()> password;  // what must never be recorded
    // Told once when the record cannot be written (until a record works again).
    std::function<void(const std::string& message)> on_error;
  };
  RecordedTelnetClient(TelnetClient& inner, SessionRecorder* recorder, Context context);

  void Connect() override;
  void Disconnect() override;
  bool Connected() const override { return inner_.Connected(); }
  void WriteLn(std::string_view text) override;
  void Note(std::string_view text) override;

  // No record from now on (null), or records through another recorder.
  void SetRecorder(SessionRecorder* recorder) { recorder_ = recorder; }

 private:
  void Received(std::string_view chunk);
  void Ended();
  void Write(SessionRecord::Direction direction, std::string_view text);
  // Writes the received chunks held back, masked, each as it arrived; `all` also writes a
  // tail that might still have become the password.
  void WriteHeldChunks(bool all, std::string_view password);

  TelnetClient& inner_;
  SessionRecorder* recorder_;
  Context context_;
  std::unique_ptr<SessionRecord> record_;
  bool ending_ = false;  // the page itself is disconnecting
  bool error_told_ = false;
  std::vector<std::string> held_;  // received chunks whose tail may start the password
};

}  // namespace kestrel::mml
