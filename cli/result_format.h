#pragma once

#include <QCommandLineParser>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel::cli {

// What a job prints on standard output: its report as the page writes it, or its results as
// records for other tools.
enum class Format { kText, kCsv, kJson };

// One result: its values by column name, in column order. A record may leave columns out.
using Record = std::vector<std::pair<std::string, std::string>>;

// --format text|csv|json.
void AddFormatOption(QCommandLineParser& parser);
// The --format given (text when none); anything else is a usage error.
Format ReadFormat(const QCommandLineParser& parser);

// Records as lines of text, each with its line break. CSV after RFC 4180: a header row of the
// column names, every record a row of all columns (empty where it has no value), a field that
// holds a comma, a quote or a line break in quotes with its quotes doubled, lines ending in
// CR LF. JSON Lines: each record one object on one line, with the values it has.
class RecordLines {
 public:
  RecordLines(Format format, std::vector<std::string> columns);

  Format format() const { return format_; }
  // The header row for CSV; empty for the other formats.
  std::string Header() const;
  std::string Line(const Record& record) const;

 private:
  Format format_;
  std::vector<std::string> columns_;
};

// One CSV field as it is written.
std::string CsvField(std::string_view value);

}  // namespace kestrel::cli
