#include "mml/answer.h"

#include "mml/columns.h"
#include "mml/text.h"

namespace kestrel::mml {

namespace {
constexpr std::string_view kNotAccepted = "NOT ACCEPTED";
constexpr std::string_view kFunctionBusy = "FUNCTION BUSY";
constexpr std::string_view kCommandUnknown = "COMMAND UNKNOWN";
// How many lines below "NOT ACCEPTED" make its reason: the fault code and a line or two.
constexpr int kReasonLines = 3;
}  // namespace

Answer ReadAnswer(const controls::Memo& buffer) {
  Answer answer;
  int reason_lines = -1;  // counting the lines of the reason while it runs
  for (std::size_t i = 0; i < buffer.LineCount(); ++i) {
    const std::string_view line = buffer.Line(i);
    const bool prompt = Contains(line, "<");
    const std::string_view text = Trim(prompt ? line.substr(0, line.find('<')) : line);
    // The exchange prints its verdicts as lines of their own; the same words inside a data
    // line (an alarm text, say) are not a verdict.
    if (text == kNotAccepted) {
      answer.kind = Answer::Kind::kNotAccepted;
      reason_lines = 0;
    } else if (reason_lines >= 0 && reason_lines < kReasonLines && !text.empty()) {
      if (!answer.reason.empty()) answer.reason += ", ";
      answer.reason += Printable(text);
      ++reason_lines;
    } else if (reason_lines >= 0 && text.empty()) {
      reason_lines = kReasonLines;  // a blank line ends the reason
    }
    if (!answer.Refused()) {
      if (text == kFunctionBusy) answer.kind = Answer::Kind::kFunctionBusy;
      if (text == kCommandUnknown) answer.kind = Answer::Kind::kCommandUnknown;
      if (answer.kind == Answer::Kind::kPrintout && text == "EXECUTED") {
        answer.kind = Answer::Kind::kExecuted;
      }
    }
    if (text == "END") answer.ended = true;
    if (prompt) {
      answer.prompt = true;
      break;
    }
  }
  return answer;
}

std::string Answer::Words() const {
  switch (kind) {
    case Kind::kNotAccepted:
      return std::string(kNotAccepted) + (reason.empty() ? "" : ", " + reason);
    case Kind::kFunctionBusy:
      return std::string(kFunctionBusy);
    case Kind::kCommandUnknown:
      return std::string(kCommandUnknown);
    case Kind::kPrintout:
    case Kind::kExecuted:
      break;
  }
  return {};
}

std::string Answer::RefusalNote(std::string_view element, std::string_view command) const {
  return Printable(element) + ": " + Printable(command) + " refused: " + Words();
}

}  // namespace kestrel::mml
