#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kestrel::testing {

// A reader of RFC 4180 text, as another tool would read it: rows of fields, quoted fields
// with doubled quotes and line breaks inside, rows ending in CR LF. Text that is not whole
// rows fails the test.
inline std::vector<std::vector<std::string>> ReadCsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
      ++i;
    } else {
      field += c;
    }
  }
  EXPECT_FALSE(quoted) << "a quoted field runs to the end: " << text;
  EXPECT_TRUE(row.empty() && field.empty()) << "the last row has no CR LF: " << text;
  return rows;
}

}  // namespace kestrel::testing
