#include "sim/gateway_session.h"

#include "sim/printouts.h"

namespace kestrel::sim {

using namespace net::telnet;

namespace {
// A typed line longer than this is cut; nothing a client sends here is that long.
constexpr std::size_t kMaxLine = 4096;
constexpr std::string_view kUserPrompt = "User: ";
constexpr std::string_view kElementPrompt = "\r\nNE: ";
}  // namespace

GatewaySession::GatewaySession(Scenario& scenario, Faults& faults,
                               std::function<std::string()> time,
                               std::function<void(const std::string&)> log)
    : scenario_(scenario), faults_(faults), time_(std::move(time)), log_(std::move(log)) {
  if (!log_) log_ = [](const std::string&) {};
}

std::vector<Output> GatewaySession::Start() {
  Say(Command(kWill, kEcho) + Command(kWill, kSuppressGoAhead) + Command(kDo, kTerminalType) +
      "\r\nKESTREL DEMO COMMAND GATEWAY\r\n\r\n" + std::string(kUserPrompt));
  return std::move(out_);
}

std::vector<Output> GatewaySession::Receive(std::string_view bytes) {
  out_.clear();
  std::string data;
  parser_.Feed(bytes, data, *this);
  for (char c : data) {
    if (state_ == State::kClosing) break;
    if (c == '\n' && after_cr_) {
      after_cr_ = false;
      continue;
    }
    after_cr_ = c == '\r';
    if (c == '\r' || c == '\n') {
      std::string line = std::move(line_);
      line_.clear();
      Line(line);
    } else if (line_.size() < kMaxLine) {
      line_ += c;
    }
  }
  return std::move(out_);
}

void GatewaySession::Say(std::string bytes, bool may_fragment) {
  out_.push_back({std::move(bytes), may_fragment});
}

void GatewaySession::OnOption(unsigned char verb, unsigned char option) {
  if (verb == kWill && option == kTerminalType) {
    Say(Subnegotiation(kTerminalType, std::string(1, static_cast<char>(kTerminalTypeSend))));
  } else if (verb == kWill) {
    Say(Command(kDont, option));
  } else if (verb == kDo && option != kEcho && option != kSuppressGoAhead) {
    Say(Command(kWont, option));
  }
}

void GatewaySession::OnSubnegotiation(unsigned char option, std::string_view payload) {
  if (option == kTerminalType && !payload.empty() && payload[0] == kTerminalTypeIs) {
    terminal_type_ = payload.substr(1);
  }
}

void GatewaySession::Line(const std::string& line) {
  if (state_ != State::kClosing) {
    log_("typed " + (state_ == State::kPassword ? std::string("(password)")
                     : line == "\x04"           ? std::string("^D")
                                                : line));
  }
  switch (state_) {
    case State::kUser:
      user_ = line;
      Say(line + "\r\n");
      Say("Password: ");
      state_ = State::kPassword;
      break;
    case State::kPassword:
      if (user_ == scenario_.user && line == scenario_.password) {
        Say("\r\nLOGGED IN AS " + user_ + "\r\n" + std::string(kElementPrompt));
        state_ = State::kElement;
      } else if (++refusals_ >= kMaxRefusals) {
        Say("\r\nLOGIN INCORRECT\r\nTOO MANY FAILED LOGINS, CONNECTION CLOSED\r\n");
        state_ = State::kClosing;
      } else {
        Say("\r\nLOGIN INCORRECT\r\n\r\n" + std::string(kUserPrompt));
        state_ = State::kUser;
      }
      break;
    case State::kElement: {
      Say(line + "\r\n");
      const std::string name = line.starts_with("NE=") ? line.substr(3) : "";
      element_ = scenario_.Find(name);
      if (name.empty()) {
        Say("SELECT AN ELEMENT WITH NE=<NAME>\r\n" + std::string(kElementPrompt));
      } else if (element_ == nullptr && ++refusals_ >= kMaxRefusals) {
        Say("NE " + name + " NOT DEFINED IN GATEWAY\r\nCONNECTION CLOSED\r\n");
        state_ = State::kClosing;
      } else if (element_ == nullptr) {
        Say("NE " + name + " NOT DEFINED IN GATEWAY\r\n" + std::string(kElementPrompt));
      } else if (faults_.silent.contains(name)) {
        state_ = State::kSilent;
      } else {
        Say("\r\n" + Printouts(scenario_, *element_, time_()).PageHeader() + "\r\n<");
        dialogue_ = std::make_unique<MmlDialogue>(scenario_, *element_, faults_, time_, log_);
        state_ = State::kMml;
      }
      break;
    }
    case State::kMml:
      if (line == "\x04") break;  // Ctrl-D ends the command dialogue; an empty line resumes
      if (!line.empty()) Say(line + "\r\n");
      Say(dialogue_->Answer(line), true);
      break;
    case State::kSilent:
    case State::kClosing:
      break;
  }
}

}  // namespace kestrel::sim
