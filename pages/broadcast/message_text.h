#pragma once

#include <cstddef>
#include <string>

#include "controls/memo.h"

namespace kestrel::broadcast {

// The whole text of a cell broadcast message as RLMBP prints it: the value row under the TEXT
// heading from the heading's column to the end of the line, and the continuation rows the
// exchange wraps a long text onto (blank before that column), up to a blank line, "END" or
// the prompt. Page headers between the rows are skipped. Pieces are joined as they stand, as
// the exchange wraps at a fixed width; blanks around the text are not counted.
std::string FullMessageText(const controls::Memo& printout, std::size_t row, std::size_t column);

}  // namespace kestrel::broadcast
