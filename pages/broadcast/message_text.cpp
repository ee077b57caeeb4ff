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

// A row that goes on with the text: blank before its column, text within its field.
bool Continues(std::string_view line, std::size_t column, std::size_t width) {
  if (mml::Trim(line).empty() || mml::Contains(line, "<") || mml::Trim(line) == "END") {
    return false;
  }
  return mml::Trim(line.substr(0, std::min(column, line.size()))).empty() &&
         !mml::Trim(mml::Cut(line, column, width)).empty();
}

}  // namespace

std::size_t TextFieldWidth(std::string_view heading, std::size_t column) {
  constexpr std::string_view kText = "TEXT";
  const std::size_t next = heading.find_first_not_of(' ', column + kText.size());
  return next == std::string_view::npos ? std::string_view::npos : next - column;
}

std::string FullMessageText(const controls::Memo& printout, std::size_t row, std::size_t column,
                            std::size_t width) {
  std::string text(mml::Trim(mml::Cut(printout.Line(row), column, width)));
  for (std::size_t i = row + 1; i < printout.LineCount(); ++i) {
    const std::string_view line = printout.Line(i);
    if (mml::IsPageHeader(line)) continue;
    if (!Continues(line, column, width)) break;
    text += RightTrimmed(mml::Cut(line, column, width));
  }
  return std::string(mml::Trim(text));
}

}  // namespace kestrel::broadcast
