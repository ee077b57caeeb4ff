// The results of kestrel-batch for other tools, end to end: --format csv and json of the
// rlslp, broadcast, dailycheck and relocation jobs read back by a CSV reader and by
// QJsonDocument, each compared with the text report of the same run; values that hold a
// comma or a quote come back as they were.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "tests/csv_reader.h"
#include "tests/e2e/programs.h"

namespace kestrel::testing {
namespace {

using ::testing::HasSubstr;
using Row = std::map<std::string, std::string>;

QProcessEnvironment Password() {
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", "kestrel");
  return env;
}

// An RFC 4180 reader, as another tool reads the output: the header names the fields of every
// row after it.
std::vector<Row> ReadCsv(const std::string& text) {
  const std::vector<std::vector<std::string>> rows = ReadCsvRows(text);
  std::vector<Row> records;
  if (rows.empty()) return records;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].size(), rows[0].size()) << "row " << r;
    Row record;
    for (std::size_t c = 0; c < rows[0].size() && c < rows[r].size(); ++c) {
      record[rows[0][c]] = rows[r][c];
    }
    records.push_back(std::move(record));
  }
  return records;
}

std::vector<std::string> CsvHeader(const std::string& text) {
  const std::string first = text.substr(0, text.find("\r\n"));
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t comma; (comma = first.find(',', start)) != std::string::npos;
       start = comma + 1) {
    names.push_back(first.substr(start, comma - start));
  }
  names.push_back(first.substr(start));
  return names;
}

// JSON Lines: every line one object.
std::vector<Row> ReadJsonLines(const std::string& text) {
  std::vector<Row> records;
  for (const QByteArray& line : QByteArray::fromStdString(text).split('\n')) {
    if (line.isEmpty()) continue;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_TRUE(document.isObject());
    Row record;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
      EXPECT_TRUE(it.value().isString());
      record[it.key().toStdString()] = it.value().toString().toStdString();
    }
    records.push_back(std::move(record));
  }
  return records;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The job in all three formats against a gateway of its own each (jobs may change the
// network); the three outputs.
struct Outputs {
  std::string text, csv, json;
};
Outputs RunAll(const QStringList& gateway_options, const QStringList& job) {
  Outputs outputs;
  for (const char* format : {"text", "csv", "json"}) {
    GatewayProcess gateway(QStringList{"--quiet", "--chunk-max", "9"} + gateway_options);
    const RunResult run =
        RunBatch(job + QStringList{"--gateway", QString::fromStdString(gateway.Address()), "--user",
                                   "kestrel", "--format", format, "--timeout", "40"},
                 Password());
    EXPECT_EQ(run.exit_code, 0) << format << ": " << run.err;
    EXPECT_THAT(run.err, HasSubstr("recap: ")) << "the recap stays on standard error";
    (std::string(format) == "text"  ? outputs.text
     : std::string(format) == "csv" ? outputs.csv
                                    : outputs.json) = run.out;
  }
  return outputs;
}

TEST(ResultFormats, RlslpCellsAsInTheReport) {
  const Outputs out = RunAll({}, {"rlslp", "--ne", "BSC9", "--ne", "ALTBSC1_X29,PROT=V24", "--ne",
                                  "BSC12", "--parallel", "2"});
  // The report: "Check: <BSC>", then "<cell>: ACTIVE=<value>" per cell not active.
  std::vector<Row> expected;
  std::string bsc;
  for (const std::string& line : Lines(out.text)) {
    if (line.starts_with("Check: ")) bsc = line.substr(7);
    const auto at = line.find(": ACTIVE=");
    if (at == std::string::npos) continue;
    expected.push_back(
        {{"element", bsc}, {"cell", line.substr(0, at)}, {"active", line.substr(at + 9)}});
  }
  ASSERT_EQ(expected.size(), 7u) << out.text;
  EXPECT_EQ(CsvHeader(out.csv), (std::vector<std::string>{"element", "cell", "active"}));
  EXPECT_EQ(ReadCsv(out.csv), expected);
  EXPECT_EQ(ReadJsonLines(out.json), expected);
  // The BSC name with a comma in it, quoted in the CSV.
  EXPECT_THAT(out.csv, HasSubstr("\"ALTBSC1_X29,PROT=V24\",C01102C,NO\r\n"));
}

// A line feed inside a text stays in it (the text report breaks its line).
TEST(ResultFormats, BroadcastMessagesWholeWithCommasAndQuotes) {
  const Outputs out = RunAll({"--scenario", DataFile("formats-broadcast-network.json")},
                             {"broadcast", "--ne", "BSC77"});
  // The report: "CELL: <cell>", then the command, per message.
  std::vector<Row> from_text;
  std::string cell;
  const std::vector<std::string> lines = Lines(out.text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].starts_with("CELL: ")) cell = lines[i].substr(6);
    if (!lines[i].starts_with("RLMBC:")) continue;
    std::string line = lines[i];
    while (!line.ends_with(";") && i + 1 < lines.size()) line += "\n" + lines[++i];
    const auto code = line.find("CODE=") + 5;
    from_text.push_back({{"cell", cell},
                         {"id", "50"},
                         {"code", line.substr(code, line.find(',', code) - code)},
                         {"command", line}});
  }
  ASSERT_EQ(from_text.size(), 4u) << out.text;
  const std::vector<std::string> texts = {"SALAM, \"DOST\"", "A MESSAGE, \"QUOTED\", THAT GOES ON",
                                          "HELLO", "ONE\nTWO, \"3\""};
  for (std::size_t i = 0; i < from_text.size(); ++i) from_text[i]["text"] = texts[i];
  EXPECT_EQ(CsvHeader(out.csv),
            (std::vector<std::string>{"cell", "id", "code", "text", "command"}));
  EXPECT_EQ(ReadCsv(out.csv), from_text);
  EXPECT_EQ(ReadJsonLines(out.json), from_text);
  // The command carries the first 25 characters, as the report says; the text is whole.
  EXPECT_THAT(out.text,
              HasSubstr("TEXT=\"A MESSAGE, \"QUOTED\", THAT\";\nMessage text is 33 characters"));
}

TEST(ResultFormats, DailyCheckWarningsAndSolutionsAsTheirReportLines) {
  QTemporaryDir share;
  QDir(share.path()).mkdir("Kestreldailycheck");
  const QString door = "DOOR \"7\", OPEN";  // as the network and the known alarms hold it
  const QString scenario = DataFile("formats-alarms-network.json");
  const QString known = DataFile("formats-known-alarms.txt");
  const Outputs out =
      RunAll({"--scenario", scenario},
             {"dailycheck", "--ne", "BSC60", "--report-root", share.path(), "--known-alarms", known,
              "--no-sound", "--solution", "SETAR", "--solution", "SEQAR"});
  std::vector<std::string> report = Lines(out.text);
  ASSERT_EQ(report.size(), 5u) << out.text;
  const std::vector<std::vector<std::string>> expected = {
      // kind, class, slogan
      {"warning", "A2", "SEIZURE SUPERVISION"},
      {"solution", "A2", "SEIZURE SUPERVISION"},
      {"warning", "A1", door.toStdString()},
      {"warning", "O1", "SEIZURE QUALITY SUPERVISION"},
      {"solution", "O1", "SEIZURE QUALITY SUPERVISION"}};
  EXPECT_EQ(CsvHeader(out.csv),
            (std::vector<std::string>{"element", "time", "class", "slogan", "kind", "line"}));
  for (const auto& records : {ReadCsv(out.csv), ReadJsonLines(out.json)}) {
    ASSERT_EQ(records.size(), report.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
      Row record = records[i];
      EXPECT_EQ(record["element"], "BSC60");
      EXPECT_EQ(record["kind"], expected[i][0]) << i;
      EXPECT_EQ(record["class"], expected[i][1]) << i;
      EXPECT_EQ(record["slogan"], expected[i][2]) << i;
      const QRegularExpressionMatch time =
          QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4} (\\d\\d:\\d\\d:\\d\\d)$")
              .match(QString::fromStdString(record["time"]));
      ASSERT_TRUE(time.hasMatch()) << record["time"];
      EXPECT_THAT(record["line"], HasSubstr(time.captured(1).toStdString()));
      // The line is the report's, but for the time of the run it came from.
      const auto masked = [](const std::string& line) {
        return QString::fromStdString(line)
            .replace(QRegularExpression("\\d\\d[.:]\\d\\d[.:]\\d{2,4}"), "#")
            .toStdString();
      };
      EXPECT_EQ(masked(record["line"]), masked(report[i]));
    }
  }
  EXPECT_THAT(out.text, HasSubstr("Warning: BSC60: " + door.toStdString() + "; "));
}

TEST(ResultFormats, RelocationTableAndScriptAsInTheReport) {
  const QString data(KESTREL_E2E_DATA);
  const Outputs out = RunAll(
      {"--scenario", data + "/relocation-network.json"},
      {"relocation", "--ne", "BSC9", "--target", "12", "--cells", data + "/relocation-cells.txt"});
  // The text: the columns of each moved cell (names, BSC numbers, BCCH numbers) before and
  // after the move, a blank line, then the script.
  const std::vector<std::string> lines = Lines(out.text);
  std::vector<std::string> columns;
  std::size_t i = 0;
  for (; i < lines.size() && !lines[i].starts_with("@COMMENT"); ++i) {
    if (!lines[i].empty()) columns.push_back(lines[i]);
  }
  const std::vector<std::string> script(lines.begin() + static_cast<std::ptrdiff_t>(i),
                                        lines.end());
  ASSERT_EQ(columns.size(), 12u) << out.text;
  ASSERT_FALSE(script.empty());
  EXPECT_EQ(CsvHeader(out.csv), (std::vector<std::string>{"kind", "cell", "name", "bsc_before",
                                                          "bsc_after", "bcch", "line"}));
  for (const auto& records : {ReadCsv(out.csv), ReadJsonLines(out.json)}) {
    std::vector<std::string> cells;
    std::map<std::string, std::vector<std::string>> names, before, after, bcch;
    std::vector<std::string> script_lines;
    for (Row record : records) {
      if (record["kind"] == "script") {
        script_lines.push_back(record["line"]);
        continue;
      }
      ASSERT_EQ(record["kind"], "table");
      const std::string cell = record["cell"];
      if (names[cell].empty()) cells.push_back(cell);
      names[cell].push_back(record["name"] + "\t");
      before[cell].push_back(record["bsc_before"] + "\t");
      after[cell].push_back(record["bsc_after"] + "\t");
      bcch[cell].push_back(record["bcch"] + "\t");
    }
    auto joined = [](const std::vector<std::string>& parts) {
      std::string text;
      for (const auto& part : parts) text += part;
      return text;
    };
    std::vector<std::string> rebuilt;
    for (const auto* bsc : {&before, &after}) {
      for (const std::string& cell : cells) {
        rebuilt.push_back(joined(names[cell]));
        rebuilt.push_back(joined(bsc->at(cell)));
        rebuilt.push_back(joined(bcch[cell]));
      }
    }
    EXPECT_EQ(rebuilt, columns);
    EXPECT_EQ(script_lines, script);
  }
}

}  // namespace
}  // namespace kestrel::testing
