#include "cli/result_format.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "cli/connection_options.h"
#include "tests/csv_reader.h"

namespace kestrel::cli {
namespace {

using kestrel::testing::ReadCsvRows;

const std::vector<std::string> kValues = {
    "plain",           "with, comma",   "with \"quotes\"", "\"",
    "line\r\nbreak",   "lone\nfeed",    "lone\rreturn",    "",
    " blanks around ", "ÄLÄRM ÜTF-8 ✓", ",\",\r\n,",       "tab\there"};

// Quoted only when they must be; whatever they hold, rows read back as written, a column the
// record leaves out an empty field, each value in its column whatever its order in the record.
TEST(CsvFormat, HeaderAndRowsReadBackAsWritten) {
  EXPECT_EQ(CsvField("BSC9"), "BSC9");
  EXPECT_EQ(CsvField(""), "");
  const RecordLines csv(Format::kCsv, {"element", "text", "extra"});
  std::string text = csv.Header();
  EXPECT_EQ(text, "element,text,extra\r\n");
  for (const std::string& value : kValues) {
    text += csv.Line({{"element", "BSC9"}, {"text", value}});
  }
  const auto rows = ReadCsvRows(text);
  ASSERT_EQ(rows.size(), kValues.size() + 1);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"element", "text", "extra"}));
  for (std::size_t i = 0; i < kValues.size(); ++i) {
    EXPECT_EQ(rows[i + 1], (std::vector<std::string>{"BSC9", kValues[i], ""}));
  }
  EXPECT_EQ(RecordLines(Format::kCsv, {"a", "b", "c"}).Line({{"c", "3"}, {"a", "1"}}), "1,,3\r\n");
}

TEST(JsonLinesFormat, EachRecordIsOneObjectOnOneLine) {
  const RecordLines json(Format::kJson, {"element", "text"});
  EXPECT_EQ(json.Header(), "");
  for (const std::string& value : kValues) {
    const std::string line = json.Line({{"element", "BSC9"}, {"text", value}});
    ASSERT_EQ(line.find('\n'), line.size() - 1) << "one line: " << line;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
    ASSERT_TRUE(document.isObject());
    const QJsonObject object = document.object();
    EXPECT_EQ(object.value("element").toString().toStdString(), "BSC9");
    EXPECT_EQ(object.value("text").toString().toStdString(), value);
  }
  // Only the values a record has.
  const QJsonObject object =
      QJsonDocument::fromJson(QByteArray::fromStdString(json.Line({{"line", "x"}}))).object();
  EXPECT_EQ(object.keys(), QStringList{"line"});
}

TEST(FormatOption, TextUnlessCsvOrJsonIsAsked) {
  auto parse = [](QStringList arguments) {
    QCommandLineParser parser;
    AddFormatOption(parser);
    arguments.prepend("kestrel-batch");
    EXPECT_TRUE(parser.parse(arguments));
    return ReadFormat(parser);
  };
  EXPECT_EQ(parse({}), Format::kText);
  EXPECT_EQ(parse({"--format", "csv"}), Format::kCsv);
  EXPECT_EQ(parse({"--format=json"}), Format::kJson);
  EXPECT_THROW(parse({"--format", "CSV "}), UsageError);
}

}  // namespace
}  // namespace kestrel::cli
