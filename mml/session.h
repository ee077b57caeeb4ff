#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "controls/memo.h"
#include "mml/properties_form.h"
#include "mml/telnet_client.h"
#include "mml/text.h"

namespace kestrel::mml {

// The step of a session that stands at the MML prompt, ready for its next command.
inline constexpr std::string_view kReady = "NOVBETI";

// The largest printout a session takes by default; a site may set another. The largest
// real printouts are far smaller, so one that grows past this is not an answer.
inline constexpr std::size_t kDefaultMaxPrintout = 64u << 20;

// What one received chunk did to the session, beyond filling the buffer.
struct Received {
  // "NE:" was asked for but the page had no element to name, so nothing was sent.
  bool element_missing = false;
  // This chunk brought the element's first prompt: the session is attached.
  bool attached_now = false;
  // The gateway refused the login or the element, in its own words ("LOGIN INCORRECT",
  // "NE BSC99 NOT DEFINED IN GATEWAY"). The session answers no further prompt; the page ends
  // the element's work.
  std::optional<std::string> refused;
  // The text since the last command passed the printout cap; the chunk was not taken. The
  // page ends the session with this message.
  std::optional<std::string> overflow;
};

// One page's MML session: its client, printout buffer, log pane, attached flag and step. Every
// page owns its own; this runs the dialogue that is the same on every page, once.
//
// Login: the prompts are looked for in all the text received since the last answer, so a
// prompt that the network cut in two is still answered: "User" with the user name, "Password"
// with the password, "NE:" with "NE=" and the element, and the first "<" that follows the
// element selection attaches. A "<" before that (in a banner) is not the element's prompt.
class Session {
 public:
  // How received text goes into the log pane: each chunk as a line of its own (the raw
  // traffic as the network cut it), or appended as text (the printout's own lines).
  enum class LogStyle { kLinePerChunk, kText };

  Session(TelnetClient& telnet, controls::Memo& buffer, controls::Memo* log, bool& attached,
          std::string& step, const PropertiesForm& properties,
          LogStyle log_style = LogStyle::kLinePerChunk);

  // Opens the connection for a new session; the login starts from the beginning. Throws
  // what the client throws.
  void Connect();
  // The session ended: what the log pane still holds back is written out.
  void Closed();

  // The start of every page's data-available handler: the chunk goes into the buffer and,
  // masked and printable, into the log pane; until attached, the login is answered.
  Received Receive(std::string_view chunk, std::string_view element);

  // The send step: clear the buffer so that it collects exactly this command's printout,
  // make the command the step, and send it.
  void Send(std::string_view command);

  // A note of the page for the session's record (see TelnetClient::Note).
  void Note(std::string_view text) { telnet_.Note(text); }

  void SetMaxPrintout(std::size_t bytes) { max_printout_ = bytes; }
  std::size_t MaxPrintout() const { return max_printout_; }
  // True after the gateway refused the login or the element in this session.
  bool LoginRefused() const { return refused_; }

  TelnetClient& Telnet() { return telnet_; }

 private:
  void AddToLog(std::string_view text);
  void Login(std::string_view chunk, Received& result, std::string_view element);

  TelnetClient& telnet_;
  controls::Memo& buffer_;
  controls::Memo* log_;
  bool& attached_;
  std::string& step_;
  const PropertiesForm& properties_;
  LogStyle log_style_;
  SecretMask mask_;
  bool cr_held_ = false;  // the log pane's last chunk ended in a CR
  std::size_t max_printout_ = kDefaultMaxPrintout;

  // The login: text received since the last answer, and what was answered so far.
  std::string login_text_;
  bool password_sent_ = false;
  bool element_sent_ = false;
  bool refused_ = false;
};

}  // namespace kestrel::mml
