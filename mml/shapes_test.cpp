#include "mml/shapes.h"

#include <gtest/gtest.h>

#include <map>

#include "sim/session_log.h"
#include "tests/test_data.h"

namespace kestrel::mml {
namespace {

// The rows of tests/data/mml/shapes.txt.
TEST(Shapes, OnlyWhatFitsTheShapeGoesIntoACommand) {
  const std::map<std::string, bool (*)(std::string_view)> shapes = {
      {"managed object", IsManagedObject},
      {"cell", IsCellName},
      {"route", IsRouteName},
      {"number of 4", [](std::string_view text) { return IsNumber(text, 4); }},
      {"path", IsPathName},
      {"event code", IsEventCode}};
  const auto rows = kestrel::testing::TestDataSections("mml/shapes.txt").at("rows");
  for (const std::string& row : kestrel::testing::SplitAt(rows, "\r\n")) {
    if (row.empty()) continue;
    const bool fits = row.find(" fits") != std::string::npos;
    const std::size_t at = row.find(fits ? " fits" : " not");
    ASSERT_NE(at, std::string::npos) << row;
    const std::string text =
        sim::UnescapeRecordText(row.substr(std::min(at + (fits ? 6 : 5), row.size())));
    EXPECT_EQ(shapes.at(row.substr(0, at))(text), fits) << row;
  }
}

}  // namespace
}  // namespace kestrel::mml
