// One Daily check pass over many elements of the simulator at a real gateway's pace (each
// answer 200 ms after its line), with 1, 10 and 25 sessions at once: the time of each, side
// by side, the peak memory of the runner (wait4's ru_maxrss), and whether the three gave the
// same report and the same report files once the times of day are masked. The figures are
// printed, not asserted; the goals: 10 sessions at least 7 times as fast as one, and the
// runner under 200 MB with 25.
//
// With "history" as third argument: the pass with 10 sessions three times without the
// history and three times with it, taken in turns; the goal: the median with it at most 1.05
// times the median without.
//
//   parallel_dailycheck_bench [ELEMENTS [ANSWER_DELAY_MS [history]]]  (default 200, 200 ms)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/measured_run.h"

namespace {

using kestrel::bench::Measured;
using kestrel::bench::RunMeasured;

// The network: every fourth element with an alarm that SETAR clears, every fourth with one
// that SEQAR clears, an external alarm on each, and a longer alarm list on every tenth.
QJsonObject Network(int count, QStringList& names) {
  QJsonArray elements;
  for (int i = 0; i < count; ++i) {
    const QString name = QString("BSC%1").arg(1000 + i);
    names << name;
    QJsonArray alarms;
    if (i % 4 == 0) {
      alarms.append(QJsonObject{
          {"class", "A2/APT"}, {"slogan", "SEIZURE SUPERVISION"}, {"cleared_by", "SETAR"}});
    } else if (i % 4 == 1) {
      const QString route = QString("RT%1").arg(i);
      alarms.append(
          QJsonObject{{"class", "A2/APT"},
                      {"slogan", "SEIZURE QUALITY SUPERVISION"},
                      {"details", QJsonArray{"ROUTE      DEV", route.leftJustified(11) + "12"}},
                      {"cleared_by", "SEQAR:R=" + route}});
    }
    alarms.append(QJsonObject{{"class", "A1/EXT"},
                              {"slogan", "EXTERNAL ALARM"},
                              {"details", QJsonArray{"DOOR OPEN " + name}}});
    QJsonObject element{{"name", name}, {"exchange", name}, {"type", "BSC"}, {"alarms", alarms}};
    if (i % 10 == 0) element.insert("extra_alarms", 40);
    elements.append(element);
  }
  return {
      {"user", "kestrel"}, {"password", "kestrel"}, {"page_length", 60}, {"elements", elements}};
}

int StartGateway(QProcess& gateway, const QStringList& options) {
  gateway.setStandardErrorFile(QProcess::nullDevice());
  gateway.start(KESTREL_GATEWAY, QStringList{"--listen", "127.0.0.1:0", "--quiet"} + options);
  if (!gateway.waitForReadyRead(5000)) return 0;
  return QRegularExpression(":(\\d+)")
      .match(QString::fromUtf8(gateway.readAllStandardOutput()))
      .captured(1)
      .toInt();
}

QString Masked(QString text) {
  text.replace(QRegularExpression("\\d\\d:\\d\\d:\\d\\d"), "<time>");
  text.replace(QRegularExpression("\\d\\d\\.\\d\\d\\.\\d{4}"), "<date>");
  text.replace(QRegularExpression("\\d{4,}"), "#");
  return text;
}

QString ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Run {
  int sessions;
  bool history;
  Measured measured;
  QString report;                    // masked
  std::map<QString, QString> files;  // masked name and text
  int lines = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const int delay_ms = argc > 2 ? std::max(0, std::atoi(argv[2])) : 200;
  QTemporaryDir work;
  qputenv("XDG_STATE_HOME", work.filePath("state").toLocal8Bit());
  qputenv("XDG_DATA_HOME", work.filePath("data").toLocal8Bit());
  const bool overhead = argc > 3 && std::string(argv[3]) == "history";
  qputenv("KESTREL_SETTINGS", "/nonexistent/site.ini");
  qputenv("KESTREL_PASSWORD", "kestrel");
  QStringList names;
  const QString scenario = work.filePath("network.json");
  {
    QFile file(scenario);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(QJsonDocument(Network(count, names)).toJson());
  }
  std::printf("Daily check, one pass over %d elements, each answer %d ms after its line\n", count,
              delay_ms);
  std::vector<Run> runs;
  std::vector<std::pair<int, bool>> specs = {{1, false}, {10, false}, {25, false}};
  if (overhead) specs = {{10, false}, {10, true}, {10, false}, {10, true}, {10, false}, {10, true}};
  for (std::size_t index = 0; index < specs.size(); ++index) {
    const auto [sessions, history] = specs[index];
    // A gateway of its own each time: the solutions clear alarms of its network.
    QProcess gateway;
    const int port = StartGateway(
        gateway, {"--scenario", scenario, "--answer-delay-ms", QString::number(delay_ms)});
    if (port == 0) {
      std::printf("the gateway did not start\n");
      return 1;
    }
    const QString share = work.filePath(QString("share%1").arg(index));
    QDir().mkpath(share + "/Kestreldailycheck");
    std::vector<std::string> arguments = {"dailycheck",
                                          "--gateway",
                                          "127.0.0.1:" + std::to_string(port),
                                          "--user",
                                          "kestrel",
                                          "--no-sound",
                                          "--no-log",
                                          "--solution",
                                          "SETAR",
                                          "--solution",
                                          "SEQAR",
                                          "--report-root",
                                          share.toStdString(),
                                          "--parallel",
                                          std::to_string(sessions),
                                          "--timeout",
                                          "1200"};
    if (history) {
      arguments.push_back("--history");
      arguments.push_back(work.filePath(QString("history%1.sqlite").arg(index)).toStdString());
    } else {
      arguments.push_back("--no-history");
    }
    for (const QString& name : names) {
      arguments.push_back("--ne");
      arguments.push_back(name.toStdString());
    }
    const QString out = work.filePath(QString("out%1.txt").arg(index));
    const QString err = work.filePath(QString("err%1.txt").arg(index));
    Run run{sessions,
            history,
            RunMeasured(KESTREL_BATCH, arguments, out.toStdString(), err.toStdString()),
            {},
            {},
            0};
    const QString report = ReadAll(out);
    run.lines = static_cast<int>(report.count('\n'));
    run.report = Masked(report);
    const QDir reports(share + "/Kestreldailycheck");
    for (const QString& name : reports.entryList(QDir::Files, QDir::Name)) {
      QString key = name;
      key.replace(QRegularExpression("_Create_\\d{8}_\\d{6}"), "_Create_<time>");
      run.files[key] = Masked(ReadAll(reports.filePath(name)));
    }
    if (run.measured.status != 0) {
      std::printf("N=%d ended with status %d:\n%s\n", sessions, run.measured.status,
                  ReadAll(err).right(2000).toStdString().c_str());
    }
    runs.push_back(std::move(run));
    gateway.kill();
    gateway.waitForFinished(5000);
  }

  if (overhead) {
    std::vector<double> off, on;
    for (const Run& run : runs) {
      std::printf("sessions %d, history %s: %.1f s, exit %d\n", run.sessions,
                  run.history ? "on " : "off", run.measured.seconds, run.measured.status);
      (run.history ? on : off).push_back(run.measured.seconds);
    }
    std::sort(off.begin(), off.end());
    std::sort(on.begin(), on.end());
    const double ratio = on[on.size() / 2] / off[off.size() / 2];
    bool same = true;
    for (const Run& run : runs) same = same && run.report == runs[0].report;
    std::printf("report with and without the history, times masked: %s\n",
                same ? "identical" : "DIFFERENT");
    std::printf("goal: the pass with the history at most 1.05x as long as without: %.3fx, %s\n",
                ratio, ratio <= 1.05 ? "met" : "NOT MET");
    return 0;
  }
  std::printf("\n%10s %8s %10s %9s %12s %8s %14s\n", "sessions", "exit", "seconds", "speed-up",
              "peak RSS", "lines", "report files");
  for (const Run& run : runs) {
    std::printf("%10d %8d %10.1f %8.1fx %9ld MB %8d %14zu\n", run.sessions, run.measured.status,
                run.measured.seconds, runs[0].measured.seconds / run.measured.seconds,
                run.measured.peak_kb / 1024, run.lines, run.files.size());
  }
  bool same = true;
  for (const Run& run : runs)
    same = same && run.report == runs[0].report && run.files == runs[0].files;
  std::printf("\nreport and report files of the three, times masked: %s\n",
              same ? "identical" : "DIFFERENT");
  const double ten = runs[0].measured.seconds / runs[1].measured.seconds;
  std::printf("goal: 10 sessions at least 7x as fast as one: %.1fx, %s\n", ten,
              ten >= 7 ? "met" : "NOT MET");
  const long peak = runs[2].measured.peak_kb / 1024;
  std::printf("goal: peak memory with 25 sessions under 200 MB: %ld MB, %s\n", peak,
              peak < 200 ? "met" : "NOT MET");
  return 0;
}
