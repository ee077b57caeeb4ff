#pragma once

#include <map>
#include <string>

#include "tests/test_data.h"

namespace kestrel::pages::testing {

// The sections of a text under tests/data: each begins with a line "== name" and holds the
// lines up to the next one, ended in CR LF as the pages end them.
inline std::map<std::string, std::string> Sections(const std::string& relative) {
  std::map<std::string, std::string> sections;
  const std::string text = kestrel::testing::TestDataLines(relative);
  std::string* section = nullptr;
  for (std::size_t from = 0, to; (to = text.find("\r\n", from)) != std::string::npos;
       from = to + 2) {
    const std::string line = text.substr(from, to - from);
    if (line.starts_with("== ")) {
      section = &sections[line.substr(3)];
    } else if (section != nullptr) {
      *section += line + "\r\n";
    }
  }
  return sections;
}

}  // namespace kestrel::pages::testing
