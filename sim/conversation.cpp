#include "sim/conversation.h"

namespace kestrel::sim {

using namespace net::telnet;

std::string Conversation::Negotiation() {
  return Command(kWill, kEcho) + Command(kWill, kSuppressGoAhead) + Command(kDo, kTerminalType);
}

void Conversation::Say(std::string bytes, bool answer, bool secret) {
  if (!bytes.empty()) out_.push_back({std::move(bytes), answer, secret});
}

std::vector<Output> Conversation::TakeOutput() {
  std::vector<Output> out = std::move(out_);
  out_.clear();
  return out;
}

std::vector<Output> Conversation::Receive(std::string_view bytes) {
  masked_.assign(bytes);
  std::string data;
  // Byte by byte, so that each byte is judged secret or not in the state the lines before it
  // left, also when the user name and the password come in one read.
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const bool secret = TypingSecret();
    data.clear();
    parser_.Feed(bytes.substr(i, 1), data, *this);
    // A 255 in the password travels doubled; both halves are masked.
    if (secret && static_cast<unsigned char>(bytes[i]) == kIac) masked_[i] = '*';
    for (const char c : data) {
      if (c == '\n' && after_cr_) {
        after_cr_ = false;
        continue;
      }
      after_cr_ = c == '\r';
      if (c == '\r' || c == '\n') {
        std::string line = std::move(line_);
        line_.clear();
        if (!Finished()) Line(line);
        continue;
      }
      if (secret) masked_[i] = '*';
      if (line_.size() < kMaxLine) line_ += c;
    }
  }
  return TakeOutput();
}

void Conversation::OnOption(unsigned char verb, unsigned char option) {
  if (verb == kWill && option == kTerminalType) {
    Say(Subnegotiation(kTerminalType, std::string(1, static_cast<char>(kTerminalTypeSend))));
  } else if (verb == kWill) {
    Say(Command(kDont, option));
  } else if (verb == kDo && option != kEcho && option != kSuppressGoAhead) {
    Say(Command(kWont, option));
  }
}

void Conversation::OnSubnegotiation(unsigned char option, std::string_view payload) {
  if (option == kTerminalType && !payload.empty() && payload[0] == kTerminalTypeIs) {
    terminal_type_ = payload.substr(1);
  }
}

}  // namespace kestrel::sim
