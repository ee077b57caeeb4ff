#pragma once
// The cases of the pages' data files, and the printouts a case holds for the commands a page
// sends.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/test_data.h"

namespace kestrel::pages::testing {

// A case of a data file under tests/data/pages: "== name" opens it, "-- part" opens a part
// whose lines follow (blank ones too, so cases follow each other without a gap). "\xNN", "\r"
// and "\n" in a line are those bytes; a line that starts with "# " is a comment.
struct DataCase {
  std::string name;
  std::map<std::string, std::vector<std::string>> parts;
  const std::vector<std::string>& Lines(const std::string& part) const {
    static const std::vector<std::string> kNone;
    return parts.contains(part) ? parts.at(part) : kNone;
  }
  // The lines of a part as the element sends them, each ended in CR LF.
  std::string Text(const std::string& part) const {
    std::string text;
    for (const auto& line : Lines(part)) text += line + "\r\n";
    return text;
  }
};

inline std::vector<DataCase> DataCases(const std::string& file) {
  const std::string text = kestrel::testing::TestDataLines("pages/" + file);
  std::vector<DataCase> cases;
  std::vector<std::string>* part = nullptr;
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::string line;
    for (std::size_t i = at; i < end; ++i) {
      const bool escape = text.compare(i, 2, "\\x") == 0 && i + 3 < end;
      const bool cr = text.compare(i, 2, "\\r") == 0, lf = text.compare(i, 2, "\\n") == 0;
      line += escape ? static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16))
              : cr   ? '\r'
              : lf   ? '\n'
                     : text[i];
      i += escape ? 3 : cr || lf ? 1 : 0;
    }
    if (line.starts_with("# ")) continue;
    if (line.starts_with("== ")) {
      cases.push_back({line.substr(3), {}});
      part = nullptr;
    } else if (line.starts_with("-- ")) {
      part = &cases.back().parts[line.substr(3)];
    } else if (part != nullptr) {
      part->push_back(line);
    }
  }
  EXPECT_FALSE(cases.empty()) << file;
  return cases;
}

// The fields of `text` between the `by`s; "-" stands for an empty one.
inline std::vector<std::string> Split(const std::string& text, const std::string& by = " | ") {
  std::vector<std::string> fields = kestrel::testing::SplitAt(text, by);
  for (std::string& field : fields) {
    if (field == "-") field.clear();
  }
  return fields;
}

// The rows of the "-- rows" part of the case `name` of a data file under tests/data/pages, each
// cut into its fields at " | ".
inline std::vector<std::vector<std::string>> Rows(const std::string& file,
                                                  const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  for (const DataCase& c : DataCases(file)) {
    if (c.name != name) continue;
    for (const std::string& line : c.Lines("rows")) rows.push_back(Split(line));
  }
  EXPECT_FALSE(rows.empty()) << file << " has no rows of " << name;
  return rows;
}

// The printouts of a case, each in a part named for the command it answers
// ("-- RLBDP:CELL=ALL;"), from the echo up to the prompt that ends it.
inline std::map<std::string, std::string> Printouts(const DataCase& c) {
  std::map<std::string, std::string> printouts;
  for (const auto& [part, lines] : c.parts) {
    if (part.ends_with(';')) printouts[part] = c.Text(part).substr(0, c.Text(part).size() - 2);
  }
  return printouts;
}

// The printout that answers `command`; a command the case holds none for is a failure.
inline std::string Answer(const std::map<std::string, std::string>& printouts,
                          const std::string& command) {
  const auto found = printouts.find(command);
  EXPECT_NE(found, printouts.end()) << command << " has no printout";
  return found != printouts.end() ? found->second : "\r\n<";
}

// The printouts of the case `name` of a data file under tests/data/pages.
inline std::map<std::string, std::string> Printouts(const std::string& file,
                                                    const std::string& name) {
  for (const DataCase& c : DataCases(file)) {
    if (c.name == name) return Printouts(c);
  }
  ADD_FAILURE() << file << " has no case " << name;
  return {};
}

}  // namespace kestrel::pages::testing
