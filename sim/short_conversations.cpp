#include "sim/short_conversations.h"

#include <array>

namespace kestrel::sim {

using namespace net::telnet;

std::vector<Output> TooManySessions::Start() { return {{"TOO MANY SESSIONS\r\n"}}; }

std::vector<Output> OptionFlood::Start() { return {{More()}}; }

std::string OptionFlood::More() {
  // Binary, echo, go-ahead, status, timing mark, terminal type, window size, speed, flow
  // control, line mode, X display, environment, new environment, charset, and a few no
  // client knows.
  static constexpr std::array<unsigned char, 18> kOptions = {0,  1,  3,  5,  6,  24, 31,  32,  33,
                                                             34, 35, 36, 39, 42, 70, 128, 200, 254};
  static constexpr std::array<unsigned char, 4> kVerbs = {kDo, kWill, kDont, kWont};
  std::string bytes;
  for (std::size_t i = 0; i < kOptions.size(); ++i) {
    bytes +=
        Command(kVerbs[(round_ + i) % kVerbs.size()], kOptions[(round_ * 7 + i) % kOptions.size()]);
    bytes += Subnegotiation(kTerminalType, std::string(1, static_cast<char>(kTerminalTypeSend)));
  }
  ++round_;
  return bytes;
}

}  // namespace kestrel::sim
