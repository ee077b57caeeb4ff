#pragma once

// What the replay tests share: reading session logs, the masks that make two runs'
// reports comparable, and a kestrel-gateway --replay whose warnings are kept.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/e2e/programs.h"

namespace kestrel::testing::replay {

// One record of a session log: "YYYY-MM-DD HH:MM:SS.mmm sent|recv|note TEXT", TEXT escaped.
struct LogLine {
  std::string kind;  // "sent", "recv" or "note"
  std::string text;  // as escaped in the file
};

inline std::vector<LogLine> ReadLog(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("cannot read " + path.toStdString());
  std::vector<LogLine> lines;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    if (raw.isEmpty()) continue;
    const std::string line = raw.toStdString();
    // The time takes 23 characters, the kind 4, each followed by a space.
    if (line.size() < 28 || line[23] != ' ' || (line.size() > 28 && line[28] != ' ')) {
      throw std::runtime_error(path.toStdString() + ": not a log line: " + line);
    }
    lines.push_back({line.substr(24, 4), line.size() > 29 ? line.substr(29) : std::string()});
  }
  return lines;
}

// The bytes of an escaped record text.
inline std::string Unescaped(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
      continue;
    }
    const char next = text[++i];
    if (next == 'r') {
      bytes += '\r';
    } else if (next == 'n') {
      bytes += '\n';
    } else if (next == 't') {
      bytes += '\t';
    } else if (next == 'x' && i + 2 < text.size()) {
      bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      bytes += next;
    }
  }
  return bytes;
}

// The session logs under `folder` (its day folders included), by path: the files of a case
// are numbered in the order their sessions began.
inline QStringList SessionLogs(const QString& folder) {
  QStringList logs;
  QDirIterator found(folder, {"*.log"}, QDir::Files, QDirIterator::Subdirectories);
  while (found.hasNext()) logs << found.next();
  logs.sort();
  return logs;
}

// The lines each session sent, one list per log. Sessions of one job may begin in another
// order from run to run, so the lists are sorted.
inline std::vector<std::vector<std::string>> SentLines(const QStringList& logs) {
  std::vector<std::vector<std::string>> sessions;
  for (const QString& log : logs) {
    std::vector<std::string> sent;
    for (const LogLine& line : ReadLog(log)) {
      if (line.kind == "sent") sent.push_back(line.text);
    }
    sessions.push_back(std::move(sent));
  }
  std::sort(sessions.begin(), sessions.end());
  return sessions;
}

// A job's output with what differs from run to run masked: the temporary folder it was
// given, the times of day the pages write, and the simulator's port.
inline std::string Masked(const std::string& output, const QString& temporary = {}) {
  QString text = QString::fromStdString(output);
  if (!temporary.isEmpty()) text.replace(temporary, "@TMP@");
  static const QRegularExpression date_time("\\d{2}\\.\\d{2}\\.\\d{4} \\d{2}:\\d{2}:\\d{2}");
  static const QRegularExpression time("\\d{2}:\\d{2}:\\d{2}");
  static const QRegularExpression port("127\\.0\\.0\\.1:\\d+");
  text.replace(date_time, "<date time>");
  text.replace(time, "<time>");
  text.replace(port, "127.0.0.1:<port>");
  return text.toStdString();
}

// kestrel-gateway serving recorded sessions on a free loopback port, its transcripts off, so
// that what it writes on standard error (`Stop`) is what went wrong in the replay.
class ReplayGateway : public GatewayProcess {
 public:
  explicit ReplayGateway(const QStringList& logs, const QStringList& options = {})
      : GatewayProcess(Arguments(logs) + options, /*keep_errors=*/true) {}
  QString Address() const { return QAddress(); }

 private:
  static QStringList Arguments(const QStringList& logs) {
    QStringList arguments{"--quiet"};
    for (const QString& log : logs) arguments << "--replay" << log;
    return arguments;
  }
};

}  // namespace kestrel::testing::replay
