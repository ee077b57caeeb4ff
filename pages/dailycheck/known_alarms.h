#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel::dailycheck {

// The alarm texts the page knows. An alarm is known when its text occurs anywhere in the
// list's whole text (also inside a longer entry); an empty text occurs nowhere.
//
// The list is indexed once by every run of four characters, so a lookup checks only the
// places where the query's rarest run stands instead of searching the whole text; the
// answers are exactly those of the search.
class KnownAlarms {
 public:
  KnownAlarms() = default;
  // `text`: one alarm text per line, lines ending in CR LF or LF; lines starting with "#"
  // are comments of the file and left out.
  explicit KnownAlarms(std::string_view text);

  bool Contains(std::string_view alarm) const;
  // The list as the memo holds it: entries joined by CR LF.
  const std::string& Text() const { return text_; }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  static constexpr std::size_t kGram = 4;
  static std::uint32_t Key(std::string_view gram);

  std::string text_;
  std::vector<std::string> entries_;
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> positions_;
};

}  // namespace kestrel::dailycheck
