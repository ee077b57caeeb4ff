// Peak memory of kestrel-batch against a gateway that misbehaves: one that floods telnet
// option requests and never reads, and one whose printout never ends. Each case runs the
// runner as a child of its own and reads its peak resident size from the kernel; the figures
// are printed, not asserted (the goal: under 150 MB in every case, with the default printout
// cap of 64 MB).

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/measured_run.h"

namespace {

using kestrel::bench::Measured;
using kestrel::bench::RunMeasured;

// A gateway with `fault` options on a free port; its port, or 0.
int StartGateway(QProcess& gateway, const QStringList& fault) {
  gateway.setStandardErrorFile(QProcess::nullDevice());
  gateway.start(KESTREL_GATEWAY, QStringList{"--listen", "127.0.0.1:0", "--quiet"} + fault);
  if (!gateway.waitForReadyRead(5000)) return 0;
  return QRegularExpression(":(\\d+)")
      .match(QString::fromUtf8(gateway.readAllStandardOutput()))
      .captured(1)
      .toInt();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir state;
  qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
  qputenv("XDG_DATA_HOME", state.path().toLocal8Bit());
  qputenv("KESTREL_SETTINGS", "/nonexistent/site.ini");
  qputenv("KESTREL_PASSWORD", "kestrel");
  struct Case {
    const char* what;
    QStringList fault;
    std::vector<std::string> job;
  };
  const std::vector<Case> cases = {
      {"option flood, peer never reads", {"--flood-options"}, {"rlslp", "--ne", "BSC9"}},
      {"endless RLSLP printout", {"--endless-printout", "RLSLP"}, {"rlslp", "--ne", "BSC9"}},
      {"endless RXASP printout (proses)",
       {"--endless-printout", "RXASP"},
       {"proses", "--ne", "BSC9"}},
      {"endless alarm list (dailycheck)",
       {"--endless-printout", "ALLIP"},
       {"dailycheck", "--ne", "BSC9", "--no-sound", "--report-root", state.path().toStdString()}},
  };
  std::printf("%-36s %8s %12s\n", "case", "exit", "peak RSS");
  for (const Case& c : cases) {
    QProcess gateway;
    const int port = StartGateway(gateway, c.fault);
    if (port == 0) {
      std::printf("%-36s gateway did not start\n", c.what);
      continue;
    }
    std::vector<std::string> arguments = c.job;
    for (const std::string& more :
         {std::string("--gateway"), "127.0.0.1:" + std::to_string(port), std::string("--user"),
          std::string("kestrel"), std::string("--timeout"), std::string("120")}) {
      arguments.push_back(more);
    }
    const Measured outcome = RunMeasured(KESTREL_BATCH, arguments);
    std::printf("%-36s %8d %9ld MB\n", c.what, outcome.status, outcome.peak_kb / 1024);
    gateway.kill();
    gateway.waitForFinished(5000);
  }
  return 0;
}
