#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/telnet_codec.h"

namespace kestrel::sim {

// One piece of what the gateway says. The connection cuts it into chunks when fragmentation
// is asked for, and holds an answer back when answers are delayed.
struct Output {
  std::string bytes;
  // The reply to a typed line (not its echo): waits --answer-delay-ms after the line arrived.
  bool answer = false;
  // The typed password, echoed: the transcript shows asterisks.
  bool secret = false;
};

// The gateway's side of one telnet connection, whatever it plays: it reads the client's bytes
// (telnet commands answered, data cut into typed lines) and says what the gateway answers. It
// knows nothing of sockets: bytes in, output out.
class Conversation : private net::TelnetParser::Listener {
 public:
  // A typed line longer than this is cut; nothing a client sends here is that long.
  static constexpr std::size_t kMaxLine = 4096;

  virtual ~Conversation() = default;

  // What the gateway says when the client connects.
  virtual std::vector<Output> Start() = 0;
  // The answers to received bytes. Lines are handled as soon as their end arrives, so the
  // state a byte meets is the state after every line before it.
  std::vector<Output> Receive(std::string_view bytes);
  // The bytes of the last Receive with those of the typed password as "*", however the
  // client cut them: what a transcript may show.
  const std::string& MaskedInput() const { return masked_; }
  const std::string& TerminalType() const { return terminal_type_; }

  // True once the gateway has said its last word and wants the connection closed.
  virtual bool Finished() const = 0;
  // True while the gateway prints without end; More() then gives the next piece.
  virtual bool Endless() const { return false; }
  virtual std::string More() { return {}; }

 protected:
  // The telnet options the gateway asks for on connecting: it echoes, suppresses go-ahead
  // and wants the terminal type.
  static std::string Negotiation();
  void Say(std::string bytes, bool answer = false, bool secret = false);
  std::vector<Output> TakeOutput();

 private:
  virtual void Line(const std::string& line) = 0;
  // True while the bytes that arrive are the password (the line after the user name).
  virtual bool TypingSecret() const = 0;

  void OnOption(unsigned char verb, unsigned char option) override;
  void OnSubnegotiation(unsigned char option, std::string_view payload) override;

  net::TelnetParser parser_;
  std::string line_;
  bool after_cr_ = false;
  std::string masked_;
  std::string terminal_type_;
  std::vector<Output> out_;
};

}  // namespace kestrel::sim
