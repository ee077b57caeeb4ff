#include "mml/shapes.h"

#include <cctype>

namespace kestrel::mml {

namespace {

bool Upper(char c) { return c >= 'A' && c <= 'Z'; }
bool Digit(char c) { return c >= '0' && c <= '9'; }
bool Word(char c) { return Upper(c) || (c >= 'a' && c <= 'z') || Digit(c) || c == '_'; }

// `text` without the blanks that pad it to its column width.
std::string_view Unpadded(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

template <typename Allowed>
bool AllOf(std::string_view text, std::size_t most, Allowed allowed) {
  if (text.empty() || text.size() > most) return false;
  for (char c : text) {
    if (!allowed(c)) return false;
  }
  return true;
}

}  // namespace

bool IsManagedObject(std::string_view text) {
  if (!text.starts_with("RXO")) return false;
  text.remove_prefix(3);
  std::size_t letters = 0;
  while (letters < text.size() && Upper(text[letters])) ++letters;
  if (letters < 1 || letters > 4) return false;
  text.remove_prefix(letters);
  int numbers = 0;
  while (!text.empty()) {
    if (text.front() != '-') return false;
    text.remove_prefix(1);
    std::size_t digits = 0;
    while (digits < text.size() && Digit(text[digits])) ++digits;
    if (digits < 1 || digits > 4) return false;
    text.remove_prefix(digits);
    ++numbers;
  }
  return numbers >= 1 && numbers <= 3;
}

bool IsCellName(std::string_view text) { return AllOf(text, 8, Word); }

bool IsRouteName(std::string_view text) { return AllOf(Unpadded(text), 7, Word); }

bool IsEventCode(std::string_view text) {
  if (!text.starts_with("H'")) return false;
  return AllOf(text.substr(2), 6,
               [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool IsNumber(std::string_view text, int digits) {
  return AllOf(Unpadded(text), static_cast<std::size_t>(digits), Digit);
}

bool IsPathName(std::string_view text) {
  return AllOf(Unpadded(text), 12, [](char c) { return Word(c) || c == '-' || c == '.'; });
}

}  // namespace kestrel::mml
