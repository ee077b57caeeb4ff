#include "cli/rlslp_command.h"

#include <QCommandLineParser>

#include "cli/connection_options.h"
#include "cli/job_runner.h"
#include "net/qt_telnet_client.h"
#include "pages/rlslp/rlslp_page.h"

namespace kestrel::cli {

int RunRlslp(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Checks the logical channels of all cells of each BSC and prints the cells that are not "
      "active.");
  parser.addHelpOption();
  parser.addOption({"ne", "A BSC to check, as named after NE= (repeatable, in order).", "NAME"});
  parser.addOption({"timeout", "Stop the job if it has not ended after S seconds.", "S"});
  AddConnectionOptions(parser);
  if (!parser.parse(arguments)) throw UsageError(parser.errorText().toStdString());
  if (parser.isSet("help")) parser.showHelp(0);
  if (!parser.positionalArguments().isEmpty()) {
    throw UsageError("unexpected argument \"" + parser.positionalArguments().front().toStdString() +
                     "\"");
  }
  const QStringList elements = parser.values("ne");
  if (elements.isEmpty()) throw UsageError("rlslp needs at least one --ne NAME");
  int timeout = 0;
  if (parser.isSet("timeout")) {
    bool ok = false;
    timeout = parser.value("timeout").toInt(&ok);
    if (!ok || timeout < 1) throw UsageError("--timeout wants a number of seconds");
  }

  const Connection connection = ResolveConnection(parser);
  mml::PropertiesForm properties;
  net::QtTelnetClient telnet;
  connection.Apply(properties, telnet);
  rlslp::RlslpPage page(telnet, properties);
  for (const QString& name : elements) {
    if (!mml::IsOneLine(name.toStdString()) || name.trimmed().isEmpty()) {
      throw UsageError("--ne wants the name of a network element, not \"" + name.toStdString() +
                       "\"");
    }
    page.SlpListBox.Add(name.toStdString());
  }

  return RunJob({[&] { return page.SlpstartButton.Caption() == "Stop"; }, page.SlpreportMemo,
                 [&] { page.SlpstartButtonClick(); }, [&] { page.SlpstartButtonClick(); },
                 [&]() -> std::string {
                   if (page.SlpListBox.Empty()) return "";
                   return std::to_string(page.SlpListBox.Count()) + " BSC(s) not checked, from " +
                          std::string(page.SlpListBox.First());
                 },
                 timeout});
}

}  // namespace kestrel::cli
