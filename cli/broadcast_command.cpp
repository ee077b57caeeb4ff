#include "cli/broadcast_command.h"

#include <QCommandLineParser>

#include "cli/connection_options.h"
#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "cli/page_output.h"
#include "cli/result_format.h"
#include "pages/broadcast/broadcast_page.h"

namespace kestrel::cli {

int RunBroadcast(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Checks the cell broadcast messages with ID 50 of the EDGE cells of a BSC and prints a ready "
      "RLMBC command for each.");
  parser.addHelpOption();
  parser.addOption({"ne", "The BSC to check, as named after NE=.", "NAME"});
  AddFormatOption(parser);
  AddJobOptions(parser);
  ParseArguments(parser, arguments);
  const auto elements = ElementNames(parser, "broadcast");
  if (elements.size() != 1) throw UsageError("broadcast checks one BSC: give one --ne NAME");
  const int timeout = TimeoutSeconds(parser);
  const RecordLines format(ReadFormat(parser), {"cell", "id", "code", "text", "command"});

  const Connection connection = ResolveConnection(parser);
  mml::PropertiesForm properties;
  connection.Apply(properties);
  JobSessions sessions(connection, properties);
  mml::TelnetClient& telnet = sessions.Client("broadcast");
  broadcast::BroadcastPage page(telnet, properties);
  sessions.Describe(
      telnet, [&page] { return page.BscComboBox.Text(); }, &page.ReportMemo);
  page.SetMaxPrintout(connection.max_printout);
  page.BscComboBox.SetText(elements.front());
  using Message = broadcast::BroadcastPage::Message;
  PagePrinter printer(page.ReportMemo, format, RecordsOf(page.Results, [](const Message& m) {
                        return Record{{"cell", m.cell},
                                      {"id", m.id},
                                      {"code", m.code},
                                      {"text", m.text},
                                      {"command", m.command}};
                      }));
  return RunJob({[&] { return page.StartButton.Caption() == "Stop"; },
                 [&](bool all) { printer.Print(all); }, [&] { page.StartButtonClick(); },
                 [&] { page.StartButtonClick(); },
                 [&]() -> std::string {
                   return page.CheckFinished ? "" : "the check of the BSC did not end";
                 },
                 timeout, OutcomesOf(page.Outcomes), elements});
}

}  // namespace kestrel::cli
