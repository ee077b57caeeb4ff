// The RLSLP intake of an 18 MB printout over SSH beside telnet: kestrel-batch against the
// simulator, each transport in turn, the same network, several rounds. It prints the wall
// time and peak resident size of each run, and the ratio of the SSH time to the telnet time
// (the goal: at most 1.5, and under 150 MB). The printout's size is counted on a telnet
// session of the bench's own.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/measured_run.h"

namespace {

using kestrel::bench::Measured;
using kestrel::bench::RunMeasured;

constexpr int kCells = 72000;  // about 18 MB of RLSLP printout
constexpr int kRounds = 5;

int StartGateway(QProcess& gateway, const QStringList& options) {
  gateway.setStandardErrorFile(QProcess::nullDevice());
  gateway.start(KESTREL_GATEWAY, QStringList{"--listen", "127.0.0.1:0", "--quiet"} + options);
  if (!gateway.waitForReadyRead(20000)) return 0;
  return QRegularExpression(":(\\d+)")
      .match(QString::fromUtf8(gateway.readAllStandardOutput()))
      .captured(1)
      .toInt();
}

// The bytes of the RLSLP answer, from the command's echo to the prompt after its END.
long long PrintoutBytes(int port) {
  QTcpSocket socket;
  socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
  if (!socket.waitForConnected(5000)) return 0;
  QByteArray seen;
  long long counted = 0;
  bool counting = false;
  const auto until = [&](const QByteArray& text) {
    while (!seen.contains(text)) {
      if (!socket.waitForReadyRead(30000)) return false;
      const QByteArray more = socket.readAll();
      if (counting) counted += more.size();
      seen += more;
      if (seen.size() > 4096) seen = seen.right(4096);
    }
    seen.remove(0, seen.indexOf(text) + text.size());
    return true;
  };
  if (!until("User")) return 0;
  socket.write("kestrel\r\n");
  if (!until("Password")) return 0;
  socket.write("kestrel\r\n");
  if (!until("NE:")) return 0;
  socket.write("NE=BSC9\r\n");
  if (!until("<")) return 0;
  counting = true;
  socket.write("RLSLP:CELL=ALL;\r\n");
  return until("END") && until("<") ? counted : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir state;
  qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
  qputenv("KESTREL_SETTINGS", "/nonexistent/site.ini");
  qputenv("KESTREL_PASSWORD", "kestrel");

  std::string json = R"({"elements": [{"name": "BSC9", "type": "BSC", "cells": [)";
  for (int cell = 0; cell < kCells; ++cell) {
    char name[16];
    std::snprintf(name, sizeof name, "C%06d", cell);
    json += std::string(cell == 0 ? "" : ",") + R"({"name": ")" + name + R"(", "active": ")" +
            (cell % 50 == 0 ? "NO" : "YES") + R"("})";
  }
  json += "]}]}";
  const QString scenario = state.filePath("big-network.json");
  QFile file(scenario);
  if (!file.open(QIODevice::WriteOnly) || file.write(json.data(), json.size()) < 0) return 2;
  file.close();

  QProcess telnet, ssh;
  const int telnet_port = StartGateway(telnet, {"--scenario", scenario});
  const int ssh_port = StartGateway(
      ssh, {"--scenario", scenario, "--ssh", "--host-key", state.filePath("host_key")});
  if (telnet_port == 0 || ssh_port == 0) {
    std::printf("the gateways did not start\n");
    return 2;
  }
  std::printf("RLSLP printout of %d cells: %.1f MB\n", kCells,
              static_cast<double>(PrintoutBytes(telnet_port)) / 1e6);
  const std::vector<std::string> job = {"rlslp", "--ne", "BSC9", "--no-log", "--timeout", "300"};
  const std::string known_hosts = state.filePath("known_hosts").toStdString();
  std::vector<double> telnet_s, ssh_s;
  long telnet_kb = 0, ssh_kb = 0;
  std::printf("%-8s %6s %8s %10s %10s\n", "round", "exit", "exit", "telnet s", "ssh s");
  for (int round = 1; round <= kRounds; ++round) {
    std::vector<std::string> by_telnet = job, by_ssh = job;
    by_telnet.insert(by_telnet.end(), {"--gateway", "127.0.0.1:" + std::to_string(telnet_port)});
    by_ssh.insert(by_ssh.end(),
                  {"--gateway", "127.0.0.1:" + std::to_string(ssh_port), "--transport", "ssh",
                   "--known-hosts", known_hosts, "--accept-new-host-key"});
    const Measured a = RunMeasured(KESTREL_BATCH, by_telnet);
    const Measured b = RunMeasured(KESTREL_BATCH, by_ssh);
    telnet_s.push_back(a.seconds);
    ssh_s.push_back(b.seconds);
    telnet_kb = std::max(telnet_kb, a.peak_kb);
    ssh_kb = std::max(ssh_kb, b.peak_kb);
    std::printf("%-8d %6d %8d %10.2f %10.2f\n", round, a.status, b.status, a.seconds, b.seconds);
  }
  const double telnet_best = *std::min_element(telnet_s.begin(), telnet_s.end());
  const double ssh_best = *std::min_element(ssh_s.begin(), ssh_s.end());
  const double ratio = ssh_best / telnet_best;
  std::printf("best: telnet %.2f s, ssh %.2f s: ssh/telnet %.2f (goal: at most 1.5): %s\n",
              telnet_best, ssh_best, ratio, ratio <= 1.5 ? "OK" : "TOO SLOW");
  std::printf("peak RSS: telnet %ld MB, ssh %ld MB (goal: under 150 MB): %s\n", telnet_kb / 1024,
              ssh_kb / 1024, std::max(telnet_kb, ssh_kb) < 150 * 1024 ? "OK" : "TOO BIG");
  telnet.kill();
  ssh.kill();
  telnet.waitForFinished(5000);
  ssh.waitForFinished(5000);
  return ratio <= 1.5 && std::max(telnet_kb, ssh_kb) < 150 * 1024 ? 0 : 1;
}
