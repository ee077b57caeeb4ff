#include "tests/e2e/programs.h"

#include <QRegularExpression>
#include <stdexcept>

namespace kestrel::testing {

GatewayProcess::GatewayProcess(const QStringList& options) {
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

RunResult RunBatch(const QStringList& arguments, const QProcessEnvironment& extra) {
  QProcess batch;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("KESTREL_SETTINGS", "/nonexistent/kestrel-site.ini");
  environment.remove("KESTREL_PASSWORD");
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
