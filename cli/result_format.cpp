#include "cli/result_format.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "cli/connection_options.h"

namespace kestrel::cli {

void AddFormatOption(QCommandLineParser& parser) {
  parser.addOption({"format",
                    "What standard output holds: the report as text (default), or the results "
                    "as csv (RFC 4180, with a header row) or json (one object a line).",
                    "text|csv|json"});
}

Format ReadFormat(const QCommandLineParser& parser) {
  if (!parser.isSet("format")) return Format::kText;
  const QString format = parser.value("format");
  if (format == "text") return Format::kText;
  if (format == "csv") return Format::kCsv;
  if (format == "json") return Format::kJson;
  throw UsageError("--format is text, csv or json, not \"" + format.toStdString() + "\"");
}

RecordLines::RecordLines(Format format, std::vector<std::string> columns)
    : format_(format), columns_(std::move(columns)) {}

std::string CsvField(std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
  std::string field = "\"";
  for (const char c : value) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}

std::string RecordLines::Header() const {
  if (format_ != Format::kCsv) return {};
  std::string line;
  for (const std::string& column : columns_) {
    if (!line.empty()) line += ',';
    line += CsvField(column);
  }
  return line + "\r\n";
}

std::string RecordLines::Line(const Record& record) const {
  if (format_ == Format::kJson) {
    QJsonObject object;
    for (const auto& [name, value] : record) {
      object.insert(QString::fromStdString(name), QString::fromStdString(value));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
  }
  std::string line;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (i > 0) line += ',';
    const auto found = std::find_if(record.begin(), record.end(),
                                    [&](const auto& field) { return field.first == columns_[i]; });
    if (found != record.end()) line += CsvField(found->second);
  }
  return line + "\r\n";
}

}  // namespace kestrel::cli
