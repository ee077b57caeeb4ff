#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "controls/memo.h"

namespace kestrel::broadcast {

// Where the TEXT field of an RLMBP printout ends: at the next heading of the heading line
// `heading` after the word TEXT at `column` (a column such as DCS to its right), or at the end
// of the line (npos) when there is none. The width is returned, counted from `column`.
std::size_t TextFieldWidth(std::string_view heading, std::size_t column);

// The whole text of a cell broadcast message as RLMBP prints it: the value row under the TEXT
// heading within its field (from the heading's column, `width` characters), and the
// continuation rows the exchange wraps a long text onto (blank before that column, text within
// the field), up to a blank line, "END" or the prompt. Page headers between the rows are
// skipped. Pieces are joined as they stand, as the exchange wraps at a fixed width; blanks
// around the text are not counted.
std::string FullMessageText(const controls::Memo& printout, std::size_t row, std::size_t column,
                            std::size_t width = std::string_view::npos);

}  // namespace kestrel::broadcast
