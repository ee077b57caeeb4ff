// A 500-pair Qonsuluq collection against kestrel-gateway on loopback with no delay: the
// page's two sessions each run RLDEP, RLCPP, RLLOP and RLLHP for 500 cells (4,000 commands in
// all). Reports commands per second, and this program's own CPU time per command (the
// simulator runs in a process of its own).
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

#include "net/qt_telnet_client.h"
#include "pages/neighbours/neighbours_page.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  constexpr int kPairs = 500;
  QTemporaryDir folder;
  const QString scenario = folder.filePath("network.json");
  std::string cells, cellrs;
  {
    std::ofstream json(scenario.toStdString());
    json << R"({"user": "kestrel", "password": "kestrel", "page_length": 60, "elements": [)";
    for (const char* bsc : {"BSC9", "BSC10"}) {
      json << (bsc[3] == '9' ? "" : ",") << R"({"name": ")" << bsc
           << R"(", "type": "BSC", "cells": [)";
      for (int i = 0; i < kPairs; ++i) {
        const std::string name =
            std::string(bsc[3] == '9' ? "A" : "B") + std::to_string(100000 + i);
        json << (i ? "," : "") << R"({"name": ")" << name << R"("})";
        (bsc[3] == '9' ? cells : cellrs) += name + "\r\n";
      }
      json << "]}";
    }
    json << "]}";
  }
  QProcess gateway;
  gateway.setStandardErrorFile(QProcess::nullDevice());
  gateway.start(KESTREL_GATEWAY, {"--listen", "127.0.0.1:0", "--scenario", scenario, "--quiet"});
  gateway.waitForReadyRead(5000);
  const auto port = QRegularExpression(":(\\d+)")
                        .match(QString::fromUtf8(gateway.readAllStandardOutput()))
                        .captured(1);

  kestrel::mml::PropertiesForm properties;
  properties.UserEdit.SetText("kestrel");
  properties.PasswordEdit.SetText("kestrel");
  kestrel::net::QtTelnetClient cell, cellr;
  for (auto* client : {&cell, &cellr}) {
    client->Host = "127.0.0.1";
    client->Port = port.toInt();
  }
  kestrel::pages::ReadForm read_form;
  kestrel::neighbours::NeighboursPage page(cell, cellr, properties, read_form);
  page.CellbscComboBox.SetItemIndex(8);
  page.CellrbscComboBox.SetItemIndex(9);
  page.Memocell.SetText(cells);
  page.Memocellr.SetText(cellrs);

  const double cpu_before = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  page.StartqonButtonClick();
  while (!(page.Cell.Finished == "OK" && page.Cellr.Finished == "OK") && wall.elapsed() < 300000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  const double seconds = static_cast<double>(wall.elapsed()) / 1000;
  const double cpu = CpuSeconds() - cpu_before;
  QElapsedTimer writing;
  writing.start();
  page.WriteScript();
  const double script_ms = static_cast<double>(writing.nsecsElapsed()) / 1e6;
  page.StartqonButtonClick();
  gateway.kill();
  gateway.waitForFinished();

  const int commands = 4 * 2 * kPairs;
  std::printf(
      "Qonsuluq collection of %d pairs: %d commands in %.2f s = %.0f commands/s; "
      "own CPU %.3f s = %.1f us per command; script of %zu lines written in %.1f ms\n",
      kPairs, commands, seconds, commands / seconds, cpu, cpu / commands * 1e6,
      read_form.Memo1.LineCount(), script_ms);
  return page.Cell.Table.size() == static_cast<std::size_t>(kPairs) ? 0 : 1;
}
