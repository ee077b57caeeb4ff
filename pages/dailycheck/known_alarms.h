#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pages/shared/text_index.h"

namespace kestrel::dailycheck {

// The alarm texts the page knows. An alarm is known when its text occurs anywhere in the
// list's whole text (also inside a longer entry); an empty text occurs nowhere. The list is
// indexed once, so a lookup does not search the whole text.
class KnownAlarms {
 public:
  KnownAlarms() = default;
  // `text`: one alarm text per line, lines ending in CR LF or LF; lines starting with "#"
  // are comments of the file and left out.
  explicit KnownAlarms(std::string_view text);

  bool Contains(std::string_view alarm) const { return index_.Contains(alarm); }
  // The list as the memo holds it: entries joined by CR LF.
  const std::string& Text() const { return index_.Text(); }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
  pages::TextIndex index_;
};

}  // namespace kestrel::dailycheck
