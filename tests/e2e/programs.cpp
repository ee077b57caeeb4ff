#include "tests/e2e/programs.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <stdexcept>

namespace kestrel::testing {

GatewayProcess::GatewayProcess(const QStringList& options, bool keep_errors) {
  if (!keep_errors) process_.setStandardErrorFile(QProcess::nullDevice());
  process_.start(KESTREL_GATEWAY, QStringList{"--listen", "127.0.0.1:0"} + options);
  if (!process_.waitForStarted(5000)) throw std::runtime_error("kestrel-gateway did not start");
  QByteArray said;
  while (!said.contains('\n') && process_.waitForReadyRead(5000))
    said += process_.readAllStandardOutput();
  const auto match = QRegularExpression(":(\\d+)\\s*$").match(QString::fromUtf8(said));
  if (!match.hasMatch()) {
    process_.waitForFinished(2000);
    throw std::runtime_error("kestrel-gateway said: " + said.toStdString() +
                             process_.readAllStandardError().toStdString());
  }
  port_ = match.captured(1).toInt();
}

GatewayProcess::~GatewayProcess() { Stop(); }

std::string GatewayProcess::Stop() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
  errors_ += process_.readAllStandardError().toStdString();
  return errors_;
}

BatchProcess::BatchProcess(const QStringList& arguments, const QProcessEnvironment& extra) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("KESTREL_SETTINGS", "/nonexistent/kestrel-site.ini");
  environment.remove("KESTREL_PASSWORD");
  // Session logs of the tests go to a folder of their own, not the user's.
  static const QTemporaryDir state;
  environment.insert("XDG_STATE_HOME", state.path());
  // So does the Daily check's history.
  environment.insert("XDG_DATA_HOME", state.path());
  for (const QString& key : extra.keys()) environment.insert(key, extra.value(key));
  batch_.setProcessEnvironment(environment);
  batch_.setStandardOutputFile(output_.filePath("out"));
  batch_.setStandardErrorFile(output_.filePath("err"));
  QStringList unpaced = arguments;
  for (const char* pace : {"--min-cycle", "--retry"})
    if (unpaced.value(0) == "dailycheck" && !unpaced.contains(pace)) unpaced << pace << "0";
  started_ms_ = QDateTime::currentMSecsSinceEpoch();
  batch_.start(KESTREL_BATCH, unpaced);
}

BatchProcess::~BatchProcess() {
  if (batch_.state() != QProcess::NotRunning) {
    batch_.kill();
    batch_.waitForFinished(5000);
  }
}

RunResult BatchProcess::Wait(int ms) {
  if (!batch_.waitForFinished(ms) && batch_.state() != QProcess::NotRunning) {
    batch_.kill();
    batch_.waitForFinished(5000);
    throw std::runtime_error("kestrel-batch did not end within " + std::to_string(ms / 1000) +
                             " s");
  }
  return {batch_.exitStatus() == QProcess::NormalExit ? batch_.exitCode() : -1,
          ReadWhole(output_.filePath("out")), ReadWhole(output_.filePath("err")),
          QDateTime::currentMSecsSinceEpoch() - started_ms_};
}

RunResult RunBatch(const QStringList& arguments, const QProcessEnvironment& extra) {
  return BatchProcess(arguments, extra).Wait();
}

QProcessEnvironment DemoPassword() {
  QProcessEnvironment env;
  env.insert("KESTREL_PASSWORD", "kestrel");
  return env;
}

std::string ReadWhole(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string Masked(const std::string& output, const QString& temporary) {
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

std::vector<LogLine> ReadLog(const QString& path) {
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

QStringList SessionLogs(const QString& folder) {
  QStringList logs;
  QDirIterator found(folder, {"*.log"}, QDir::Files, QDirIterator::Subdirectories);
  while (found.hasNext()) logs << found.next();
  logs.sort();
  return logs;
}

std::vector<std::vector<std::string>> SentLines(const QStringList& logs) {
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

}  // namespace kestrel::testing
