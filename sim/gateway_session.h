#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "net/telnet_codec.h"
#include "sim/faults.h"
#include "sim/mml_dialogue.h"
#include "sim/scenario.h"

namespace kestrel::sim {

// One piece of output. Prompts and echoes go out whole; printouts may be cut into small
// chunks when fragmentation is asked for.
struct Output {
  std::string bytes;
  bool may_fragment = false;
};

// The gateway's side of one telnet connection: negotiation, login ("User", "Password"),
// element selection ("NE:" answered with "NE=" and a name), then the element's MML
// dialogue at the prompt "<". It knows nothing of sockets: bytes in, output out.
class GatewaySession final : private net::TelnetParser::Listener {
 public:
  // Wrong passwords, or unknown element names, a connection may give before the gateway
  // hangs up (a client that answers every prompt would otherwise go round for ever).
  static constexpr int kMaxRefusals = 3;

  // The network and the faults are shared by all sessions; `time` gives the "yymmdd hhmmss"
  // text of page headers; `log` hears of every order carried out.
  GatewaySession(Scenario& scenario, Faults& faults, std::function<std::string()> time,
                 std::function<void(const std::string&)> log = {});

  std::vector<Output> Start();
  std::vector<Output> Receive(std::string_view bytes);
  // True once the gateway has said its last word and wants the connection closed.
  bool Finished() const { return state_ == State::kClosing; }
  const std::string& TerminalType() const { return terminal_type_; }

 private:
  enum class State { kUser, kPassword, kElement, kMml, kSilent, kClosing };

  void OnOption(unsigned char verb, unsigned char option) override;
  void OnSubnegotiation(unsigned char option, std::string_view payload) override;
  void Line(const std::string& line);
  void Say(std::string bytes, bool may_fragment = false);

  Scenario& scenario_;
  Faults& faults_;
  std::function<std::string()> time_;
  std::function<void(const std::string&)> log_;
  std::unique_ptr<MmlDialogue> dialogue_;
  net::TelnetParser parser_;
  State state_ = State::kUser;
  std::string user_;
  int refusals_ = 0;
  Element* element_ = nullptr;
  std::string line_;
  bool after_cr_ = false;
  std::string terminal_type_;
  std::vector<Output> out_;
};

}  // namespace kestrel::sim
