#include "net/telnet_codec.h"

namespace kestrel::net {

namespace telnet {

std::string Command(unsigned char verb, unsigned char option) {
  return {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

std::string EscapedData(std::string_view data) {
  std::string bytes;
  bytes.reserve(data.size() + 2);
  for (char c : data) {
    bytes += c;
    if (static_cast<unsigned char>(c) == kIac) bytes += c;
  }
  return bytes;
}

std::string Subnegotiation(unsigned char option, std::string_view payload) {
  std::string bytes = {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(option)};
  bytes += EscapedData(payload);
  bytes += static_cast<char>(kIac);
  bytes += static_cast<char>(kSe);
  return bytes;
}

}  // namespace telnet

using namespace telnet;

void TelnetParser::Feed(std::string_view bytes, std::string& data, Listener& listener) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (state_) {
      case State::kCr:
        state_ = State::kData;
        if (byte == 0) break;  // CR NUL is a bare CR
        [[fallthrough]];
      case State::kData:
        if (byte == kIac) {
          state_ = State::kIac;
        } else {
          data += c;
          if (c == '\r') state_ = State::kCr;
        }
        break;
      case State::kIac:
        if (byte == kIac) {
          data += c;
          state_ = State::kData;
        } else if (byte >= kWill && byte <= kDont) {
          verb_ = byte;
          state_ = State::kVerb;
        } else if (byte == kSb) {
          state_ = State::kSbOption;
        } else {
          state_ = State::kData;  // NOP, GA, DM, AYT and the like carry nothing for us
        }
        break;
      case State::kVerb:
        state_ = State::kData;
        listener.OnOption(verb_, byte);
        break;
      case State::kSbOption:
        sb_option_ = byte;
        sb_payload_.clear();
        state_ = State::kSbData;
        break;
      case State::kSbData:
        if (byte == kIac) {
          state_ = State::kSbIac;
        } else if (sb_payload_.size() < kMaxSubnegotiation) {
          sb_payload_ += c;
        }
        break;
      case State::kSbIac:
        if (byte == kIac) {
          if (sb_payload_.size() < kMaxSubnegotiation) sb_payload_ += c;
          state_ = State::kSbData;
        } else if (byte == kSe) {
          state_ = State::kData;
          listener.OnSubnegotiation(sb_option_, sb_payload_);
        } else {
          // A command inside a sub-negotiation: the sub-negotiation is broken; drop it and
          // take the byte as the command it is.
          state_ = State::kIac;
          sb_payload_.clear();
          Feed(std::string_view(&c, 1), data, listener);
        }
        break;
    }
  }
}

TelnetClientCodec::TelnetClientCodec(std::string_view terminal_type)
    : terminal_type_(terminal_type.substr(0, kMaxTerminalType)) {}

void TelnetClientCodec::Receive(std::string_view bytes, std::string& data, std::string& replies) {
  replies_ = &replies;
  parser_.Feed(bytes, data, *this);
  replies_ = nullptr;
}

std::string TelnetClientCodec::EncodeLine(std::string_view text) {
  return EscapedData(text) + "\r\n";
}

void TelnetClientCodec::OnOption(unsigned char verb, unsigned char option) {
  const bool wanted_from_server = option == kEcho || option == kSuppressGoAhead;
  const bool offered_by_us = option == kTerminalType;
  switch (verb) {
    case kWill:
      if (server_does_[option]) break;
      if (wanted_from_server) {
        server_does_[option] = true;
        *replies_ += Command(kDo, option);
      } else {
        *replies_ += Command(kDont, option);
      }
      break;
    case kWont:
      if (!server_does_[option]) break;
      server_does_[option] = false;
      *replies_ += Command(kDont, option);
      break;
    case kDo:
      if (we_do_[option]) break;
      if (offered_by_us) {
        we_do_[option] = true;
        *replies_ += Command(kWill, option);
      } else {
        *replies_ += Command(kWont, option);
      }
      break;
    case kDont:
      if (!we_do_[option]) break;
      we_do_[option] = false;
      *replies_ += Command(kWont, option);
      break;
    default:
      break;
  }
}

void TelnetClientCodec::OnSubnegotiation(unsigned char option, std::string_view payload) {
  if (option != kTerminalType || !we_do_[option]) return;
  if (payload.size() != 1 || static_cast<unsigned char>(payload[0]) != kTerminalTypeSend) return;
  if (terminal_type_answers_ == kMaxTerminalTypeAnswers) return;
  ++terminal_type_answers_;
  *replies_ += Subnegotiation(kTerminalType,
                              std::string(1, static_cast<char>(kTerminalTypeIs)) + terminal_type_);
}

}  // namespace kestrel::net
