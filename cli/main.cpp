// kestrel-batch: runs a page's job without windows and prints its report.
#include <QCoreApplication>
#include <iostream>

#include "cli/broadcast_command.h"
#include "cli/connection_options.h"
#include "cli/dailycheck_command.h"
#include "cli/history_command.h"
#include "cli/proses_command.h"
#include "cli/qonsuluq_command.h"
#include "cli/relocation_command.h"
#include "cli/rlslp_command.h"
#include "platform/os.h"

namespace {

constexpr const char* kUsage =
    "usage: kestrel-batch COMMAND [options]\n"
    "commands:\n"
    "  rlslp   check the logical channel state of all cells of BSCs\n"
    "  proses  recover the faulty radio equipment of BSCs (RXLTI or RXTEI)\n"
    "  dailycheck  supervise the alarms of elements, with the standard solutions\n"
    "  history     the alarms the Daily check has kept: since when, cleared, acknowledged\n"
    "  qonsuluq    the neighbour script of cell pairs on two BSCs\n"
    "  broadcast   the cell broadcast messages of a BSC's EDGE cells\n"
    "  relocation  the neighbour script of cells that move to another BSC\n"
    "Run 'kestrel-batch COMMAND --help' for the options of a command.\n";

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  kestrel::platform::SetStdoutBinary();
  QCoreApplication::setApplicationName("kestrel-batch");
  QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() < 2 || arguments[1] == "--help" || arguments[1] == "-h") {
    std::cout << kUsage;
    return arguments.size() < 2 ? 2 : 0;
  }
  const QString command = arguments.takeAt(1);
  try {
    if (command == "rlslp") return kestrel::cli::RunRlslp(arguments);
    if (command == "proses") return kestrel::cli::RunProses(arguments);
    if (command == "dailycheck") return kestrel::cli::RunDailyCheck(arguments);
    if (command == "history") return kestrel::cli::RunHistory(arguments);
    if (command == "qonsuluq") return kestrel::cli::RunQonsuluq(arguments);
    if (command == "broadcast") return kestrel::cli::RunBroadcast(arguments);
    if (command == "relocation") return kestrel::cli::RunRelocation(arguments);
    std::cerr << "kestrel-batch: unknown command \"" << command.toStdString() << "\"\n" << kUsage;
    return 2;
  } catch (const kestrel::cli::UsageError& error) {
    std::cerr << "kestrel-batch: " << error.what() << std::endl;
    return 2;
  }
}
