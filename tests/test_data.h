#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

// A text under tests/data (the test target defines KESTREL_TEST_DATA), its lines ended in
// CR LF as the pages end them.
inline std::string TestDataLines(const std::string& relative) {
  std::ifstream in(std::string(KESTREL_TEST_DATA) + "/" + relative);
  EXPECT_TRUE(in.good()) << relative;
  std::string text, line;
  while (std::getline(in, line)) text += line + "\r\n";
  return text;
}

// `text` cut at each `by`, an empty last part kept.
inline std::vector<std::string> SplitAt(const std::string& text, std::string_view by) {
  std::vector<std::string> parts;
  for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + by.size()) {
    end = text.find(by, at);
    parts.push_back(text.substr(at, end - at));
  }
  return parts;
}

// The sections of a text under tests/data: each begins with a line "== name" and holds the
// lines up to the next one, ended in CR LF.
inline std::map<std::string, std::string> TestDataSections(const std::string& relative) {
  std::map<std::string, std::string> sections;
  const std::string text = TestDataLines(relative);
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

}  // namespace kestrel::testing
