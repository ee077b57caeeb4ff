#pragma once

#include <functional>
#include <memory>
#include <string>

#include "sim/conversation.h"
#include "sim/faults.h"
#include "sim/mml_dialogue.h"
#include "sim/scenario.h"

namespace kestrel::sim {

// The simulated gateway on one connection: login ("User", "Password"), element selection
// ("NE:" answered with "NE=" and a name), then the element's MML dialogue at the prompt "<".
class GatewaySession final : public Conversation {
 public:
  // Wrong passwords, or unknown element names, a connection may give before the gateway
  // hangs up (a client that answers every prompt would otherwise go round for ever).
  static constexpr int kMaxRefusals = 3;

  // The network and the faults are shared by all sessions; `time` gives the "yymmdd hhmmss"
  // text of page headers; `log` hears of every line typed and every order carried out.
  GatewaySession(Scenario& scenario, Faults& faults, std::function<std::string()> time,
                 std::function<void(const std::string&)> log = {});

  std::vector<Output> Start() override;
  bool Finished() const override { return state_ == State::kClosing; }
  bool Endless() const override { return state_ == State::kEndless; }
  std::string More() override;

 private:
  enum class State { kUser, kPassword, kElement, kMml, kSilent, kEndless, kClosing };

  void Line(const std::string& line) override;
  bool TypingSecret() const override { return password_next_; }
  void SelectElement(const std::string& line);
  // The user is in: `said`, then the element question or the direct element's prompt.
  void LoggedIn(const std::string& said);
  void Attach(const std::string& said);
  void Mml(const std::string& line);

  Scenario& scenario_;
  Faults& faults_;
  std::function<std::string()> time_;
  std::function<void(const std::string&)> log_;
  std::unique_ptr<MmlDialogue> dialogue_;
  State state_ = State::kUser;
  // The next line is the password, so a password typed ahead never shows in a transcript.
  bool password_next_ = false;
  std::string user_;
  int refusals_ = 0;
  Element* element_ = nullptr;
};

}  // namespace kestrel::sim
