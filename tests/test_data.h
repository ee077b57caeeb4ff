#pragma once

#include <gtest/gtest.h>

#include <fstream>
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

}  // namespace kestrel::testing
