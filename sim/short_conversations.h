#pragma once

#include <cstddef>
#include <string>

#include "sim/conversation.h"

namespace kestrel::sim {

// A connection beyond --max-sessions: told so in one line, then closed.
class TooManySessions final : public Conversation {
 public:
  std::vector<Output> Start() override;
  bool Finished() const override { return true; }

 private:
  void Line(const std::string&) override {}
  bool TypingSecret() const override { return false; }
};

// A hostile gateway: telnet option requests without end (DO, WILL, DONT and WONT of assorted
// options, and the terminal-type request again and again), for clients that must stay
// bounded against it. The connection never reads the client's side of it.
class OptionFlood final : public Conversation {
 public:
  std::vector<Output> Start() override;
  bool Finished() const override { return false; }
  bool Endless() const override { return true; }
  // One round of requests.
  std::string More() override;

 private:
  void Line(const std::string&) override {}
  bool TypingSecret() const override { return false; }

  std::size_t round_ = 0;
};

}  // namespace kestrel::sim
