#include "mml/columns.h"

#include <algorithm>
#include <charconv>

namespace kestrel::mml {

namespace {
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool IsControl(char c) { return static_cast<unsigned char>(c) < ' ' || c == '\x7f'; }
}  // namespace

bool IsPageHeader(std::string_view line) { return line.starts_with("WO      "); }

std::size_t RowBelow(const controls::Memo& printout, std::size_t heading, std::size_t n) {
  for (std::size_t i = heading + 1; i <= heading + n; ++i) {
    if (IsPageHeader(printout.Line(i))) return heading + n + 1;
  }
  return heading + n;
}

std::string_view Cut(std::string_view line, std::size_t pos, std::size_t width) {
  if (pos >= line.size()) return {};
  return line.substr(pos, width);
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

std::string ValueBelow(const controls::Memo& printout, std::size_t heading, std::size_t pos,
                       std::size_t width) {
  return std::string(Trim(Cut(printout.Line(RowBelow(printout, heading)), pos, width)));
}

std::optional<int> WholeNumber(std::string_view text) {
  text = Trim(text);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string WithoutControlCharacters(std::string_view text) {
  std::string clean;
  std::copy_if(text.begin(), text.end(), std::back_inserter(clean),
               [](char c) { return !IsControl(c); });
  return clean;
}

}  // namespace kestrel::mml
