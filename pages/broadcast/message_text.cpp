#include "pages/broadcast/message_text.h"

#include <algorithm>
#include <string_view>

#include "mml/columns.h"

namespace kestrel::broadcast {

namespace {

// Trailing blanks only: a piece that ends a wrapped row keeps what it starts with.
std::string_view RightTrimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool Continues(std::string_view line, std::size_t column) {
  if (mml::Trim(line).empty() || mml::Contains(line, "<") || mml::Trim(line) == "END") {
    return false;
  }
  return mml::Trim(line.substr(0, std::min(column, line.size()))).empty() && line.size() > column;
}

}  // namespace

std::string FullMessageText(const controls::Memo& printout, std::size_t row, std::size_t column) {
  std::string text(mml::Trim(mml::Cut(printout.Line(row), column, std::string_view::npos)));
  for (std::size_t i = row + 1; i < printout.LineCount(); ++i) {
    const std::string_view line = printout.Line(i);
    if (mml::IsPageHeader(line)) continue;
    if (!Continues(line, column)) break;
    text += RightTrimmed(line.substr(column));
  }
  return std::string(mml::Trim(text));
}

}  // namespace kestrel::broadcast
