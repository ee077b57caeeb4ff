#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "controls/memo.h"

namespace kestrel::mml {

// Printouts are read by column position: a value starts at the character position of its
// column heading, in a row below the heading. The exchange prints a page header ("WO" and
// six blanks, then the exchange name and time) at the top of every page, and a page break
// can fall between a heading and its values.

// True when `part` occurs in `text` (case-sensitive).
inline bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// True for a page-header line: its first eight characters are "WO" and six blanks.
bool IsPageHeader(std::string_view line);

// The line that holds the n-th row below `heading`: `heading + n`, or one further when a page
// header stands among those n lines.
std::size_t RowBelow(const controls::Memo& printout, std::size_t heading, std::size_t n = 1);

// `width` characters of `line` from `pos` (0-based), cut at the end of the line.
std::string_view Cut(std::string_view line, std::size_t pos, std::size_t width);

// Without leading and trailing blanks and control characters.
std::string_view Trim(std::string_view text);

// The trimmed value of `width` characters at `pos` in the first row below `heading`.
std::string ValueBelow(const controls::Memo& printout, std::size_t heading, std::size_t pos,
                       std::size_t width);

// The whole number `text` holds, blanks and control characters around it allowed; none when
// it holds anything else.
std::optional<int> WholeNumber(std::string_view text);

// `text` without control characters: a value read from a printout is safe to send in a line.
std::string WithoutControlCharacters(std::string_view text);

}  // namespace kestrel::mml
