#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/conversation.h"
#include "sim/session_log.h"

namespace kestrel::sim {

// A session log as the replay serves it: what the gateway said before the client's first
// line, then each line the client sent with what came back after it, up to the next line.
struct RecordedSession {
  struct Step {
    std::string sent;
    std::vector<std::string> received;  // chunks, cut as they arrived
    int line = 0;                       // of the log
  };
  std::string name;  // the log file, for messages
  std::vector<std::string> prelude;
  std::vector<Step> steps;
  // Steps of the login, before the first element selection ("NE=..."); all when there is none.
  std::size_t login_steps = 0;
  bool closes = false;  // the gateway closed the session after the last chunk

  // Throws MalformedLog when the log records nothing.
  static RecordedSession FromRecords(std::string name, const std::vector<LogRecord>& records);
};

// The recorded sessions of a replay, shared by its connections; each serves one session.
class ReplayBook {
 public:
  explicit ReplayBook(std::vector<RecordedSession> sessions);

  // The first session not yet used, or -1.
  int FirstUnused() const;
  // The first unused session whose element selection is `ne_line`, or -1.
  int FirstUnusedFor(std::string_view ne_line) const;
  const RecordedSession& Session(int index) const { return sessions_[index]; }
  void Use(int index) { used_[index] = true; }

 private:
  std::vector<RecordedSession> sessions_;
  std::vector<bool> used_;
};

// The gateway of a recorded session. The login is played from the first unused log and
// takes whatever user name and password the client types; the element selection picks the
// first unused log of that element, and from there every line must be the one the log holds.
// A line it does not hold is refused and reported, and the replay stays where it was.
class ReplaySession final : public Conversation {
 public:
  // `join_chunks`: each answer is one output, to be cut afresh (--chunk-max); otherwise each
  // recorded chunk is one. `log` hears the session's events, `warn` what went wrong.
  ReplaySession(ReplayBook& book, bool join_chunks, std::function<void(const std::string&)> log,
                std::function<void(const std::string&)> warn);

  std::vector<Output> Start() override;
  bool Finished() const override { return finished_; }

 private:
  void Line(const std::string& line) override;
  bool TypingSecret() const override;
  const RecordedSession& Log() const { return book_.Session(session_); }
  void SelectElement(const std::string& line);
  // Plays the answer of the next step and moves past it. `served_login`: what the client was
  // given of another log's login, where the element's log takes over.
  void PlayStep(std::size_t step, const std::string& served_login = {});
  void Play(const std::vector<std::string>& chunks, bool answer);
  // Says that the client sent `shown`, which the log does not hold where the replay stands.
  void Warn(const std::string& shown);
  void Diverged(const std::string& shown, const std::string& line);

  ReplayBook& book_;
  bool join_chunks_;
  std::function<void(const std::string&)> log_;
  std::function<void(const std::string&)> warn_;
  int session_ = -1;      // the log followed
  bool settled_ = false;  // the element is chosen: the log is this connection's alone
  // What was played since the client's last line asks for a password: the next line is one
  // whatever the log holds there (a log may end at that prompt).
  bool password_asked_ = false;
  std::size_t next_ = 0;  // the step the client's next line should match
  bool finished_ = false;
};

}  // namespace kestrel::sim
