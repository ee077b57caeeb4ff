#include "mml/text.h"

#include <algorithm>
#include <cctype>

namespace kestrel::mml {

std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\r' && c != '\n' && c != '\t') || byte == 0x7f) c = '?';
  }
  return shown;
}

std::string PrintableLine(std::string_view line) {
  std::string shown = Printable(line);
  std::replace_if(
      shown.begin(), shown.end(), [](char c) { return c == '\r'; }, '?');
  return shown;
}

std::string Masked(std::string_view text, std::string_view secret) {
  std::string masked(text);
  if (secret.empty()) return masked;
  for (std::size_t at = masked.find(secret); at != std::string::npos;
       at = masked.find(secret, at + secret.size())) {
    masked.replace(at, secret.size(), secret.size(), '*');
  }
  return masked;
}

void SecretMask::SetSecret(std::string secret) { secret_ = std::move(secret); }

std::string SecretMask::Pass(std::string_view piece) {
  if (secret_.empty()) {
    std::string all = std::move(held_);
    held_.clear();
    return all.append(piece);
  }
  std::string text = Masked(held_ + std::string(piece), secret_);
  held_.clear();
  // The longest tail that is a proper start of the secret waits for the next piece.
  if (const std::size_t keep = SecretStartAtEnd(text, secret_); keep > 0) {
    held_ = text.substr(text.size() - keep);
    text.resize(text.size() - keep);
  }
  return text;
}

std::size_t SecretStartAtEnd(std::string_view text, std::string_view secret) {
  if (secret.empty()) return 0;
  for (std::size_t keep = std::min(text.size(), secret.size() - 1); keep > 0; --keep) {
    if (secret.starts_with(text.substr(text.size() - keep))) return keep;
  }
  return 0;
}

std::string SecretMask::Flush() {
  std::string rest = std::move(held_);
  held_.clear();
  return rest;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

std::string Joined(const std::vector<std::string>& items, std::string_view separator) {
  std::string text;
  for (const auto& item : items) {
    if (!text.empty()) text += separator;
    text += item;
  }
  return text;
}

}  // namespace kestrel::mml
