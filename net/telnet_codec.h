#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel::net {

namespace telnet {
inline constexpr unsigned char kSe = 240;
inline constexpr unsigned char kSb = 250;
inline constexpr unsigned char kWill = 251;
inline constexpr unsigned char kWont = 252;
inline constexpr unsigned char kDo = 253;
inline constexpr unsigned char kDont = 254;
inline constexpr unsigned char kIac = 255;

inline constexpr unsigned char kEcho = 1;
inline constexpr unsigned char kSuppressGoAhead = 3;
inline constexpr unsigned char kTerminalType = 24;
inline constexpr unsigned char kTerminalTypeIs = 0;
inline constexpr unsigned char kTerminalTypeSend = 1;

// "IAC verb option" as bytes.
std::string Command(unsigned char verb, unsigned char option);
// "IAC SB option <payload, IAC doubled> IAC SE" as bytes.
std::string Subnegotiation(unsigned char option, std::string_view payload);
// Data as it goes on the wire: every 255 doubled, so that it is not taken for a command.
std::string EscapedData(std::string_view data);
}  // namespace telnet

// The byte-level telnet state machine: it separates data from commands and keeps its state
// between calls, so a command or a CR NUL split between two reads is handled. It makes no
// decisions; the client codec and the simulator put their own negotiation on top.
class TelnetParser {
 public:
  // The longest sub-negotiation kept; the rest of a longer one is dropped.
  static constexpr std::size_t kMaxSubnegotiation = 64;

  class Listener {
   public:
    virtual void OnOption(unsigned char verb, unsigned char option) = 0;
    virtual void OnSubnegotiation(unsigned char option, std::string_view payload) = 0;

   protected:
    ~Listener() = default;
  };

  // Appends the data bytes of `bytes` to `data` (IAC IAC as one 255, CR NUL as CR, other
  // commands removed) and reports option verbs and sub-negotiations to `listener`.
  void Feed(std::string_view bytes, std::string& data, Listener& listener);

 private:
  enum class State { kData, kCr, kIac, kVerb, kSbOption, kSbData, kSbIac };

  State state_ = State::kData;
  unsigned char verb_ = 0;
  unsigned char sb_option_ = 0;
  std::string sb_payload_;
};

// The client side of the protocol, as strict as a client of one trusted gateway can be:
// it accepts the server's ECHO and SUPPRESS-GO-AHEAD, offers its terminal type when asked
// and sends it on request, and refuses every other option. It answers only when an option's
// state changes (so negotiation cannot loop) and ignores sub-negotiations of options it did
// not enable. So the replies to any input are never longer than the input, apart from at
// most `kMaxTerminalTypeAnswers` terminal-type answers in the life of the codec.
class TelnetClientCodec final : private TelnetParser::Listener {
 public:
  // Terminal types longer than this are cut (the limit of the terminal-type option).
  static constexpr std::size_t kMaxTerminalType = 40;
  // How often one connection's terminal type is sent. A server asks until it sees the same
  // type twice (the end of the client's list, and we have one type), so three answers serve
  // any honest server; a flood of requests gets no flood of answers.
  static constexpr int kMaxTerminalTypeAnswers = 3;

  explicit TelnetClientCodec(std::string_view terminal_type);

  // Decodes received bytes: their data is appended to `data`, the answers that must go back
  // to the server to `replies`.
  void Receive(std::string_view bytes, std::string& data, std::string& replies);

  // The bytes of one line: the text with IAC doubled, then CR LF.
  static std::string EncodeLine(std::string_view text);

 private:
  void OnOption(unsigned char verb, unsigned char option) override;
  void OnSubnegotiation(unsigned char option, std::string_view payload) override;

  TelnetParser parser_;
  std::string terminal_type_;
  bool server_does_[256] = {};  // options the server performs for us
  bool we_do_[256] = {};        // options we perform
  int terminal_type_answers_ = 0;
  std::string* replies_ = nullptr;
};

}  // namespace kestrel::net
