// Peak memory of kestrel-batch against a gateway that misbehaves: one that floods telnet
// option requests and never reads, and one whose printout never ends. Each case runs the
// runner as a child of its own and reads its peak resident size from the kernel; the figures
// are printed, not asserted (the goal: under 150 MB in every case, with the default printout
// cap of 64 MB).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Outcome {
  int status = -1;
  long peak_kb = 0;
};

// Runs `program` with `arguments`, standard output and error to /dev/null, and waits.
Outcome RunMeasured(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  Outcome outcome;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    return outcome;
  }
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) == pid) {
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.peak_kb = usage.ru_maxrss;
  }
  return outcome;
}

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
    const Outcome outcome = RunMeasured(KESTREL_BATCH, arguments);
    std::printf("%-36s %8d %9ld MB\n", c.what, outcome.status, outcome.peak_kb / 1024);
    gateway.kill();
    gateway.waitForFinished(5000);
  }
  return 0;
}
