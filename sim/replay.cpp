#include "sim/replay.h"

#include "net/telnet_codec.h"
#include "sim/printouts.h"

namespace kestrel::sim {

namespace {

constexpr std::string_view kHiddenPassword = "********";

// What the gateway said before the client's line of step `steps`.
std::string SaidBefore(const RecordedSession& session, std::size_t steps) {
  std::string said;
  for (const std::string& chunk : session.prelude) said += chunk;
  for (std::size_t i = 0; i < steps && i < session.steps.size(); ++i) {
    for (const std::string& chunk : session.steps[i].received) said += chunk;
  }
  return said;
}

// The answer `received` of the element's log, for a client that was given `served` of another
// log's login where the element's log had said `recorded`. A prompt's last bytes may come
// after the client has answered it ("NE:", then " NE=BSC9" with the echo), so the two logins
// can differ by those bytes: the client is given what the element's log saw, none twice.
std::vector<std::string> Seamed(std::vector<std::string> received, const std::string& served,
                                const std::string& recorded) {
  if (recorded.size() > served.size() && recorded.starts_with(served)) {
    received.insert(received.begin(), recorded.substr(served.size()));
  } else if (served.size() > recorded.size() && served.starts_with(recorded) && !received.empty() &&
             received.front().starts_with(served.substr(recorded.size()))) {
    received.front().erase(0, served.size() - recorded.size());
    if (received.front().empty()) received.erase(received.begin());
  }
  return received;
}

}  // namespace

RecordedSession RecordedSession::FromRecords(std::string name,
                                             const std::vector<LogRecord>& records) {
  if (records.empty()) throw MalformedLog("records nothing");
  RecordedSession session;
  session.name = std::move(name);
  for (const LogRecord& record : records) {
    switch (record.kind) {
      case LogRecord::Kind::kSent:
        session.steps.push_back({record.text, {}, record.line});
        session.closes = false;
        break;
      case LogRecord::Kind::kReceived:
        if (record.text.empty()) break;
        (session.steps.empty() ? session.prelude : session.steps.back().received)
            .push_back(record.text);
        break;
      case LogRecord::Kind::kNote:
        if (record.text == "closed by peer") session.closes = true;
        break;
    }
  }
  while (session.login_steps < session.steps.size() &&
         !session.steps[session.login_steps].sent.starts_with("NE=")) {
    ++session.login_steps;
  }
  return session;
}

ReplayBook::ReplayBook(std::vector<RecordedSession> sessions)
    : sessions_(std::move(sessions)), used_(sessions_.size(), false) {}

int ReplayBook::FirstUnused() const {
  for (std::size_t i = 0; i < sessions_.size(); ++i) {
    if (!used_[i]) return static_cast<int>(i);
  }
  return -1;
}

int ReplayBook::FirstUnusedFor(std::string_view ne_line) const {
  for (std::size_t i = 0; i < sessions_.size(); ++i) {
    const RecordedSession& session = sessions_[i];
    if (!used_[i] && session.login_steps < session.steps.size() &&
        session.steps[session.login_steps].sent == ne_line) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

ReplaySession::ReplaySession(ReplayBook& book, bool join_chunks,
                             std::function<void(const std::string&)> log,
                             std::function<void(const std::string&)> warn)
    : book_(book), join_chunks_(join_chunks), log_(std::move(log)), warn_(std::move(warn)) {
  if (!log_) log_ = [](const std::string&) {};
  if (!warn_) warn_ = [](const std::string&) {};
}

std::vector<Output> ReplaySession::Start() {
  session_ = book_.FirstUnused();
  if (session_ < 0) {
    warn_("every recorded session has been served; the connection is closed");
    finished_ = true;
    return {};
  }
  log_("login from " + Log().name);
  Say(Negotiation());
  Play(Log().prelude, false);
  if (Log().steps.empty()) PlayStep(0);  // a log of a gateway that said its piece and no more
  return TakeOutput();
}

bool ReplaySession::TypingSecret() const {
  return session_ >= 0 && !settled_ &&
         (password_asked_ ||
          (next_ < Log().login_steps && Log().steps[next_].sent == kHiddenPassword));
}

void ReplaySession::Line(const std::string& line) {
  const bool secret = TypingSecret();
  password_asked_ = false;
  const std::string shown = secret ? std::string("(password)") : line;
  log_("typed " + shown);
  if (!settled_ && line.starts_with("NE=")) {
    SelectElement(line);
  } else if (!settled_ && next_ < Log().login_steps) {
    PlayStep(next_);  // a login line: whatever the client types
  } else if (settled_ && next_ < Log().steps.size() && Log().steps[next_].sent == line) {
    PlayStep(next_);
  } else {
    Diverged(shown, secret ? std::string() : line);
  }
}

void ReplaySession::SelectElement(const std::string& line) {
  const int found = book_.FirstUnusedFor(line);
  if (found < 0) {
    // Answered as a gateway answers an element it does not know: the client must not take
    // the refusal's "<" for the element's prompt and go on as if attached.
    Warn(line);
    Say(line + "\r\nNE " + line.substr(3) + " NOT DEFINED IN GATEWAY\r\n\r\nNE: ", true);
    return;
  }
  std::string served_login;
  if (found != session_) {
    log_("element from " + book_.Session(found).name);
    served_login = SaidBefore(Log(), next_);
  }
  session_ = found;
  settled_ = true;
  book_.Use(found);
  PlayStep(Log().login_steps, served_login);
}

void ReplaySession::PlayStep(std::size_t step, const std::string& served_login) {
  if (step < Log().steps.size()) {
    Play(served_login.empty()
             ? Log().steps[step].received
             : Seamed(Log().steps[step].received, served_login, SaidBefore(Log(), step)),
         true);
  }
  next_ = step + 1;
  if (next_ < Log().steps.size()) return;
  // Played to its end: no other connection gets it.
  book_.Use(session_);
  if (Log().closes) {
    log_("the recorded gateway closed the session here");
    finished_ = true;
  }
}

void ReplaySession::Play(const std::vector<std::string>& chunks, bool answer) {
  std::string joined;
  for (const std::string& chunk : chunks) {
    joined += chunk;
    if (!join_chunks_) Say(net::telnet::EscapedData(chunk), answer);
  }
  if (join_chunks_) Say(net::telnet::EscapedData(joined), answer);
  if (!settled_ && joined.find("assword") != std::string::npos) password_asked_ = true;
}

void ReplaySession::Warn(const std::string& shown) {
  const RecordedSession& log = Log();
  const std::string expected = next_ < log.steps.size()
                                   ? "it holds \"" + log.steps[next_].sent + "\" at line " +
                                         std::to_string(log.steps[next_].line)
                                   : std::string("it has ended");
  warn_("replay of " + log.name + ": the client sent \"" + shown +
        "\", which the log does not hold here (" + expected + ")");
  log_("not in the log: " + shown);
}

// The line goes back as the gateway's echo (a password never), then the refusal.
void ReplaySession::Diverged(const std::string& shown, const std::string& echo) {
  Warn(shown);
  if (!echo.empty()) Say(echo + "\r\n");
  Say("\r\n" + NotAccepted(1, "NOT IN THE RECORDED SESSION") + "<", true);
}

}  // namespace kestrel::sim
