#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel::pages {

// A text that grows at its end and answers "does this occur anywhere in it?" without
// searching the whole text: every run of four characters is indexed by where it stands, and
// a query checks only the places of its rarest run. The answers are exactly those of a
// search of the whole text; an empty query occurs nowhere.
class TextIndex {
 public:
  void Append(std::string_view more);
  void Clear();
  bool Contains(std::string_view part) const;
  const std::string& Text() const { return text_; }

 private:
  static constexpr std::size_t kRun = 4;
  static std::uint32_t Key(const char* run);

  std::string text_;
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> places_;
};

}  // namespace kestrel::pages
