#include "mml/session.h"

#include <algorithm>
#include <array>

#include "mml/columns.h"

namespace kestrel::mml {

namespace {

// The login text kept while no prompt is found in it: enough for a prompt or a refusal line
// that the network cut in two, not a banner that never ends.
constexpr std::size_t kLoginTextKept = 512;
// Beyond this a buffer is reserved at the printout cap at once, so that growing it up to the
// cap never copies it (a copy would briefly hold it twice).
constexpr std::size_t kReserveFrom = 1u << 20;
// What one line of the buffer costs beside its text: its entry in the line index.
constexpr std::size_t kLineCost = sizeof(std::size_t);

std::string Size(std::size_t bytes) {
  return bytes >= (1u << 20) ? std::to_string(bytes >> 20) + " MB"
                             : std::to_string(bytes) + " bytes";
}

// The line of `text` around `pos`, when its line break has arrived.
std::optional<std::string> CompleteLine(std::string_view text, std::size_t pos) {
  const std::size_t end = text.find("\r\n", pos);
  if (end == std::string_view::npos) return std::nullopt;
  const std::size_t begin = text.rfind("\r\n", pos);
  const std::size_t from = begin == std::string_view::npos ? 0 : begin + 2;
  return Printable(Trim(text.substr(from, end - from)));
}

}  // namespace

Session::Session(TelnetClient& telnet, controls::Memo& buffer, controls::Memo* log, bool& attached,
                 std::string& step, const PropertiesForm& properties, LogStyle log_style)
    : telnet_(telnet),
      buffer_(buffer),
      log_(log),
      attached_(attached),
      step_(step),
      properties_(properties),
      log_style_(log_style) {}

void Session::Connect() {
  Closed();
  login_text_.clear();
  password_sent_ = false;
  element_sent_ = false;
  refused_ = false;
  // Nothing is in flight in a new session, whatever the last one left when it ended.
  step_ = kReady;
  telnet_.Connect();
}

void Session::Closed() {
  cr_held_ = false;  // a line break that never got its LF ends the line anyway
  const std::string rest = mask_.Flush();
  if (!rest.empty() && log_ != nullptr) {
    if (log_style_ == LogStyle::kText) {
      log_->Append(Printable(rest));
    } else {
      log_->AddLine(Printable(rest));
    }
  }
}

void Session::AddToLog(std::string_view text) {
  if (log_ == nullptr) return;
  // A printout that grows towards the cap is shown only in part: the pane must not hold a
  // second copy of something the session is about to refuse.
  if (buffer_.Text().size() > max_printout_ / 4) return;
  mask_.SetSecret(properties_.PasswordEdit.Text());
  std::string shown = Printable(mask_.Pass(text));
  if (log_style_ == LogStyle::kLinePerChunk) {
    // A line break cut between two chunks stays one line break: the CR waits for its LF,
    // instead of ending one pane line and leaving the LF alone at the start of the next.
    if (cr_held_) shown.insert(0, "\r");
    cr_held_ = !shown.empty() && shown.back() == '\r';
    if (cr_held_) shown.pop_back();
  }
  if (shown.empty()) return;
  if (log_style_ == LogStyle::kText) {
    log_->Append(shown);
  } else {
    log_->AddLine(shown);
  }
}

Received Session::Receive(std::string_view chunk, std::string_view element) {
  Received result;
  const std::size_t cost =
      buffer_.Text().size() + kLineCost * buffer_.LineCount() + chunk.size() +
      kLineCost * static_cast<std::size_t>(std::count(chunk.begin(), chunk.end(), '\n'));
  if (cost > max_printout_) {
    result.overflow = std::string(element) + ": the answer to " +
                      (attached_ ? Printable(step_) : std::string("the login")) +
                      " passed the printout cap of " + Size(max_printout_) +
                      "; the session is ended";
    return result;
  }
  if (buffer_.Text().size() + chunk.size() > kReserveFrom) {
    buffer_.Reserve(max_printout_);
    if (log_ != nullptr) log_->Reserve(log_->Text().size() + max_printout_ / 4 + kReserveFrom);
  }
  buffer_.Append(chunk);
  AddToLog(chunk);
  if (!attached_ && !refused_) Login(chunk, result, element);
  return result;
}

// Answers the prompts of the login text in the order they arrived. A refusal counts only
// once its line is whole, and only after what it refuses was sent.
void Session::Login(std::string_view chunk, Received& result, std::string_view element) {
  login_text_.append(chunk);
  for (;;) {
    enum class Prompt { kNone, kUser, kPassword, kElement, kAttach, kRefused };
    Prompt prompt = Prompt::kNone;
    std::size_t at = std::string::npos;
    std::size_t length = 0;
    std::string words;
    auto consider = [&](Prompt kind, std::string_view text, bool counts) {
      if (!counts || text.empty()) return;
      const std::size_t pos = login_text_.find(text);
      if (pos >= at) return;
      if (kind == Prompt::kRefused) {
        auto line = CompleteLine(login_text_, pos);
        if (!line) return;
        words = *line;
      }
      prompt = kind;
      at = pos;
      length = text.size();
    };
    const LoginPrompts& prompts = properties_.Prompts;
    consider(Prompt::kUser, prompts.user, true);
    consider(Prompt::kPassword, prompts.password, true);
    consider(Prompt::kElement, prompts.element, !telnet_.Direct);
    consider(Prompt::kAttach, prompts.ready, element_sent_ || telnet_.Direct);
    consider(Prompt::kRefused, "LOGIN INCORRECT", password_sent_ || telnet_.TransportLogin);
    consider(Prompt::kRefused, "NOT DEFINED", element_sent_);
    // A gateway at its limit of sessions says so before anything is asked.
    consider(Prompt::kRefused, "TOO MANY SESSIONS", true);
    if (prompt == Prompt::kNone) break;
    login_text_.erase(0, at + length);
    switch (prompt) {
      case Prompt::kUser:
        telnet_.WriteLn(properties_.UserEdit.Text());
        break;
      case Prompt::kPassword:
        // Without a configured password nothing is sent: the site's settings say so at start.
        if (properties_.PasswordEdit.Text().empty()) {
          refused_ = true;
          result.refused = "no password is configured, so the password prompt was not answered";
          login_text_.clear();
          return;
        }
        telnet_.WriteLn(properties_.PasswordEdit.Text());
        password_sent_ = true;
        break;
      case Prompt::kElement:
        if (element.empty()) {
          result.element_missing = true;
        } else {
          telnet_.WriteLn(std::string("NE=").append(element));
          element_sent_ = true;
        }
        break;
      case Prompt::kAttach:
        buffer_.Clear();
        attached_ = true;
        step_ = kReady;
        result.attached_now = true;
        login_text_.clear();
        return;
      case Prompt::kRefused:
        refused_ = true;
        result.refused = words;
        login_text_.clear();
        return;
      case Prompt::kNone:
        break;
    }
  }
  if (login_text_.size() > kLoginTextKept) {
    login_text_.erase(0, login_text_.size() - kLoginTextKept / 2);
  }
}

void Session::Send(std::string_view command) {
  buffer_.Clear();
  step_ = command;
  telnet_.WriteLn(command);
}

}  // namespace kestrel::mml
