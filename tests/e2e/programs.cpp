#include "tests/e2e/programs.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTcpSocket>
#include <cstring>
#include <stdexcept>

namespace kestrel::testing {

GatewayProcess::GatewayProcess(const QStringList& options) {
  // Transcripts on standard error would fill a pipe nobody reads; tests that want them name
  // a folder.
  process_.setStandardErrorFile(QProcess::nullDevice());
  process_.start(KESTREL_GATEWAY, QStringList{"--listen", "127.0.0.1:0"} + options);
  if (!process_.waitForStarted(5000)) throw std::runtime_error("kestrel-gateway did not start");
  QByteArray said;
  while (!said.contains('\n') && process_.waitForReadyRead(5000))
    said += process_.readAllStandardOutput();
  const auto match = QRegularExpression(":(\\d+)\\s*$").match(QString::fromUtf8(said));
  if (!match.hasMatch()) {
    throw std::runtime_error("kestrel-gateway said: " + said.toStdString() +
                             process_.readAllStandardError().toStdString());
  }
  port_ = match.captured(1).toInt();
}

GatewayProcess::~GatewayProcess() {
  process_.kill();
  process_.waitForFinished(5000);
}

std::vector<std::vector<std::string>> TranscriptEvents(const QString& folder) {
  std::vector<std::vector<std::string>> sessions;
  for (int number = 1;; ++number) {
    QFile file(folder + QString("/session-%1.log").arg(number));
    if (!file.open(QIODevice::ReadOnly)) return sessions;
    std::vector<std::string> events;
    for (const QByteArray& line : file.readAll().split('\n')) {
      if (line.startsWith("-- typed ") || line.startsWith("-- executed ")) {
        events.push_back(line.mid(3).toStdString());
      }
    }
    sessions.push_back(std::move(events));
  }
}

std::string MmlQuery(int port, const std::string& element, const std::string& command) {
  QTcpSocket socket;
  socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
  if (!socket.waitForConnected(5000)) throw std::runtime_error("cannot reach the gateway");
  QByteArray seen;
  // Waits for `text`; returns what came before it and keeps what came after.
  auto await = [&](const char* text) {
    while (!seen.contains(text)) {
      if (!socket.waitForReadyRead(5000)) throw std::runtime_error(std::string("no ") + text);
      seen += socket.readAll();
    }
    const qsizetype at = seen.indexOf(text);
    const QByteArray before = seen.left(at);
    seen = seen.mid(at + static_cast<qsizetype>(strlen(text)));
    return before;
  };
  await("User: ");
  socket.write("kestrel\r\n");
  await("Password: ");
  socket.write("kestrel\r\n");
  await("NE: ");
  socket.write(QByteArray::fromStdString("NE=" + element + "\r\n"));
  await("<");
  socket.write(QByteArray::fromStdString(command + "\r\n"));
  return await("END\r\n").toStdString();
}

RunResult RunBatch(const QStringList& arguments, const QProcessEnvironment& extra) {
  QProcess batch;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("KESTREL_SETTINGS", "/nonexistent/kestrel-site.ini");
  environment.remove("KESTREL_PASSWORD");
  // Session logs of the tests go to a folder of their own, not the user's.
  static const QTemporaryDir state;
  environment.insert("XDG_STATE_HOME", state.path());
  for (const QString& key : extra.keys()) environment.insert(key, extra.value(key));
  batch.setProcessEnvironment(environment);
  batch.start(KESTREL_BATCH, arguments);
  if (!batch.waitForFinished(60000)) {
    batch.kill();
    throw std::runtime_error("kestrel-batch did not end within 60 s");
  }
  return {batch.exitStatus() == QProcess::NormalExit ? batch.exitCode() : -1,
          batch.readAllStandardOutput().toStdString(), batch.readAllStandardError().toStdString()};
}

}  // namespace kestrel::testing
