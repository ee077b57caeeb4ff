#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

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
