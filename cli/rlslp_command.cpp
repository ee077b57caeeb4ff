#include "cli/rlslp_command.h"

#include <QCommandLineParser>

#include "cli/connection_options.h"
#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "cli/result_format.h"
#include "cli/rlslp_run.h"

namespace kestrel::cli {

int RunRlslp(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Checks the logical channels of all cells of each BSC and prints the cells that are not "
      "active.");
  parser.addHelpOption();
  parser.addOption({"ne", "A BSC to check, as named after NE= (repeatable, in order).", "NAME"});
  AddParallelOption(parser);
  AddFormatOption(parser);
  AddJobOptions(parser);
  ParseArguments(parser, arguments);
  const auto elements = ElementNames(parser, "rlslp");
  const int parallel = ParallelSessions(parser);
  const RecordLines format(ReadFormat(parser), {"element", "cell", "active"});
  const int timeout = TimeoutSeconds(parser);

  const Connection connection = ResolveConnection(parser);
  mml::PropertiesForm properties;
  connection.Apply(properties);
  JobSessions sessions(connection, properties);
  RlslpRun run(sessions, properties, connection.max_printout, elements, parallel, format);
  return RunJob(run.MakeJob(timeout));
}

}  // namespace kestrel::cli
