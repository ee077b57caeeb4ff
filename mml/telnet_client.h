#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kestrel::mml {

// The telnet client as a page sees it. The desktop program and the runner use the real
// client over TCP; tests use a fake that records every line sent.
//
// Events arrive on the one thread that runs everything, never re-entrantly: while a handler
// runs (even one that waits in a nested event loop) the next event waits for it, and the end
// of a connection comes after its data. `Disconnect` delivers `OnDisconnected` before it
// returns; on a client that is not connected it does nothing.
class TelnetClient {
 public:
  virtual ~TelnetClient() = default;

  std::string Host;
  int Port = 23;
  std::string TerminalType = "dumb";

  // One received run of text, telnet commands removed.
  std::function<void(std::string_view chunk)> OnDataAvailable;
  // The end of the connection, whoever ended it.
  std::function<void()> OnDisconnected;

  // Starts opening the connection and returns at once: the connection is an event like any
  // other, so a gateway that never answers holds nothing else. While it is being made,
  // `Connected` is already true (the session is under way) and `Disconnect` ends it. When it
  // cannot be opened (refused, unreachable, no answer within the client's time-out),
  // `OnDisconnected` comes later with `ConnectError` saying why, and no data before it.
  // Throws std::runtime_error, naming host and port, only for what no network could mend: a
  // client already connected, a port that is no port number.
  virtual void Connect() = 0;
  virtual void Disconnect() = 0;
  virtual bool Connected() const = 0;
  // Sends `text` followed by CR LF. A text holding CR, LF or NUL is refused with
  // std::invalid_argument: it would put more than the one line on the wire.
  virtual void WriteLn(std::string_view text) = 0;

  // A page's note for the record of this session (its session log, where one is kept): what
  // the page concluded, such as a refused command or objects that may still be blocked.
  virtual void Note(std::string_view text) { (void)text; }

  // Why the client itself ended the last connection (a cap on what the peer made it hold),
  // for the page's note; empty when the peer or the page ended it. Set before
  // `OnDisconnected` runs, cleared by `Connect`.
  std::string EndReason;
  // Why the last connection could not be opened ("Cannot connect to 10.0.0.1:52200:
  // Connection refused"); empty when it stood. Set before `OnDisconnected` runs, cleared by
  // `Connect`.
  std::string ConnectError;

  // True when the connection itself logs in with the user's credentials (SSH): a refusal of
  // the login then counts before any password prompt. Set by `Connect`.
  bool TransportLogin = false;
  // True when the connection goes straight to the element, not through the gateway: there is
  // no element question, and the element's first prompt attaches. Set by `Connect`.
  bool Direct = false;
};

// True when `text` can go out as one line.
inline bool IsOneLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace kestrel::mml
