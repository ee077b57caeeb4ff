#include "cli/rlslp_command.h"

#include <QCommandLineParser>

#include "cli/connection_options.h"
#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "pages/rlslp/rlslp_page.h"

namespace kestrel::cli {

int RunRlslp(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Checks the logical channels of all cells of each BSC and prints the cells that are not "
      "active.");
  parser.addHelpOption();
  parser.addOption({"ne", "A BSC to check, as named after NE= (repeatable, in order).", "NAME"});
  AddJobOptions(parser);
  ParseArguments(parser, arguments);
  const auto elements = ElementNames(parser, "rlslp");
  const int timeout = TimeoutSeconds(parser);

  const Connection connection = ResolveConnection(parser);
  mml::PropertiesForm properties;
  connection.Apply(properties);
  JobSessions sessions(connection, properties);
  sessions.SetTimeout(timeout);
  mml::TelnetClient& telnet = sessions.Client("rlslp");
  rlslp::RlslpPage page(telnet, properties);
  sessions.Describe(
      telnet, [&page] { return std::string(page.SlpListBox.First()); }, &page.SlpreportMemo);
  page.SetMaxPrintout(connection.max_printout);
  for (const auto& name : elements) page.SlpListBox.Add(name);

  return RunJob({[&] { return page.SlpstartButton.Caption() == "Stop"; }, page.SlpreportMemo,
                 [&] { page.SlpstartButtonClick(); }, [&] { page.SlpstartButtonClick(); },
                 [&]() -> std::string {
                   if (page.SlpListBox.Empty()) return "";
                   return std::to_string(page.SlpListBox.Count()) + " BSC(s) not checked, from " +
                          std::string(page.SlpListBox.First());
                 },
                 timeout, &page.Outcomes, elements});
}

}  // namespace kestrel::cli
