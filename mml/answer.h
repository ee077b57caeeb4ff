#pragma once

#include <string>
#include <string_view>

#include "controls/memo.h"

namespace kestrel::mml {

// What the element said to one command, read from the printout buffer (the command's echo,
// its printout and the prompt) up to the first line that holds the prompt. Every page reads
// an answer's outcome here, so that a refusal means the same thing everywhere.
struct Answer {
  enum class Kind {
    kPrintout,        // an answer without a refusal
    kExecuted,        // an order carried out: "EXECUTED"
    kNotAccepted,     // "NOT ACCEPTED", with the fault code and reason below it
    kFunctionBusy,    // "FUNCTION BUSY"
    kCommandUnknown,  // "COMMAND UNKNOWN"
  };
  Kind kind = Kind::kPrintout;
  // The element's own words below "NOT ACCEPTED" ("FAULT CODE 7", "UNREASONABLE VALUE"),
  // joined with ", ".
  std::string reason;
  bool prompt = false;  // the prompt "<" came back
  bool ended = false;   // an "END" line stands before the prompt: the printout is whole

  bool Refused() const {
    return kind == Kind::kNotAccepted || kind == Kind::kFunctionBusy ||
           kind == Kind::kCommandUnknown;
  }
  bool Executed() const { return kind == Kind::kExecuted; }
  // The refusal in the element's words: "NOT ACCEPTED, FAULT CODE 7, UNREASONABLE VALUE";
  // empty when nothing was refused.
  std::string Words() const;
  // The line a page notes for a refused command: "BSC9: RLSLP:CELL=ALL; refused: " and the
  // words.
  std::string RefusalNote(std::string_view element, std::string_view command) const;
};

Answer ReadAnswer(const controls::Memo& buffer);

}  // namespace kestrel::mml
