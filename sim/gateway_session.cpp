#include "sim/gateway_session.h"

#include <utility>

#include "sim/printouts.h"

namespace kestrel::sim {

namespace {
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
  if (faults_.signed_in) {
    Say(Negotiation());
    LoggedIn("\r\n" + faults_.banner + "\r\n");
  } else {
    Say(Negotiation() + "\r\n" + faults_.banner + "\r\n\r\n" + std::string(kUserPrompt));
  }
  return TakeOutput();
}

void GatewaySession::LoggedIn(const std::string& said) {
  if (faults_.direct.empty()) {
    Say(said + std::string(kElementPrompt), true);
    state_ = State::kElement;
    return;
  }
  element_ = scenario_.Find(faults_.direct);
  if (element_ == nullptr) {
    Say(said + "NE " + faults_.direct + " NOT DEFINED\r\nCONNECTION CLOSED\r\n", true);
    state_ = State::kClosing;
  } else if (faults_.silent.contains(faults_.direct)) {
    Say(said);
    state_ = State::kSilent;
  } else {
    Attach(said);
  }
}

void GatewaySession::Attach(const std::string& said) {
  Say(said + "\r\n" + PageHeader(*element_, time_()) + "\r\n<", true);
  dialogue_ = std::make_unique<MmlDialogue>(scenario_, *element_, faults_, time_, log_);
  state_ = State::kMml;
}

std::string GatewaySession::More() {
  return state_ == State::kEndless ? dialogue_->MoreOfEndlessPrintout() : std::string();
}

void GatewaySession::Line(const std::string& line) {
  // After a user name comes the password, also when the gateway hangs up in between.
  const bool password = std::exchange(password_next_, state_ == State::kUser);
  log_("typed " + (password         ? std::string("(password)")
                   : line == "\x04" ? std::string("^D")
                                    : line));
  if (StartsAny(faults_.drop_after_command, line)) {
    // Unanswered and not carried out: the client cannot know what became of it.
    log_("dropped the connection after " + (password ? std::string("the password") : line));
    state_ = State::kClosing;
    return;
  }
  switch (state_) {
    case State::kUser:
      user_ = line;
      Say(line + "\r\n");
      Say("Password: ", true);
      state_ = State::kPassword;
      break;
    case State::kPassword:
      if (faults_.echo_password) Say(line, false, true);
      if (user_ == scenario_.user && line == scenario_.password) {
        LoggedIn("\r\nLOGGED IN AS " + user_ + "\r\n");
      } else if (++refusals_ >= kMaxRefusals) {
        Say("\r\nLOGIN INCORRECT\r\nTOO MANY FAILED LOGINS, CONNECTION CLOSED\r\n", true);
        state_ = State::kClosing;
      } else {
        Say("\r\nLOGIN INCORRECT\r\n\r\n" + std::string(kUserPrompt), true);
        state_ = State::kUser;
      }
      break;
    case State::kElement:
      SelectElement(line);
      break;
    case State::kMml:
      Mml(line);
      break;
    case State::kSilent:
    case State::kEndless:  // the exchange is busy printing
    case State::kClosing:
      break;
  }
}

void GatewaySession::SelectElement(const std::string& line) {
  Say(line + "\r\n");
  const std::string name = line.starts_with("NE=") ? line.substr(3) : "";
  element_ = scenario_.Find(name);
  if (name.empty()) {
    Say("SELECT AN ELEMENT WITH NE=<NAME>\r\n" + std::string(kElementPrompt), true);
  } else if (element_ == nullptr && ++refusals_ >= kMaxRefusals) {
    Say("NE " + name + " NOT DEFINED IN GATEWAY\r\nCONNECTION CLOSED\r\n", true);
    state_ = State::kClosing;
  } else if (element_ == nullptr) {
    Say("NE " + name + " NOT DEFINED IN GATEWAY\r\n" + std::string(kElementPrompt), true);
  } else if (faults_.silent.contains(name)) {
    state_ = State::kSilent;
  } else {
    Attach({});
  }
}

void GatewaySession::Mml(const std::string& line) {
  if (line == "\x04") return;  // Ctrl-D ends the command dialogue; an empty line resumes
  if (!line.empty()) Say(line + "\r\n");
  Say(dialogue_->Answer(line), true);
  if (dialogue_->Endless()) {
    log_("printing without end for " + line);
    state_ = State::kEndless;
  }
}

}  // namespace kestrel::sim
