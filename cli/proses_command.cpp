#include "cli/proses_command.h"

#include <QCommandLineParser>

#include "cli/connection_options.h"
#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "pages/proses/proses_page.h"
#include "platform/qt_sound.h"
#include "platform/qt_timer.h"

namespace kestrel::cli {

int RunProses(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Recovers the faulty radio equipment of each BSC in turn and prints the session log.");
  parser.addHelpOption();
  parser.addOptions({
      {"ne", "A BSC to treat, as named after NE= (repeatable, in order).", "NAME"},
      {"procedure", "rxlti (default) or rxtei.", "NAME", "rxlti"},
      {"filter-cell", "A cell the RXTEI procedure leaves alone (repeatable).", "NAME"},
      {"no-cf", "Treat central function objects (RXOCF) too."},
      {"release-ms", "Length of the release pause between objects (default 3000).", "N"},
      {"wait-ms", "Length of the RXLTI wait after the timeslots are blocked (default 30000).", "N"},
  });
  AddJobOptions(parser);
  ParseArguments(parser, arguments);
  const auto elements = ElementNames(parser, "proses");
  const QString procedure = parser.value("procedure").toLower();
  if (procedure != "rxlti" && procedure != "rxtei") {
    throw UsageError("--procedure is rxlti or rxtei, not \"" + procedure.toStdString() + "\"");
  }
  const int timeout = TimeoutSeconds(parser);

  const Connection connection = ResolveConnection(parser);
  mml::PropertiesForm properties;
  connection.Apply(properties);
  JobSessions sessions(connection, properties);
  mml::TelnetClient& telnet = sessions.Client("proses");
  pages::ReadForm read_form;
  controls::Panel broadcast_sheet;
  platform::QtSound sound(true);  // no speaker here: the end of the run is in the log
  // The page's closing "Proses finish" of a clean run goes into its log, where the engineer
  // reads the rest; what its other boxes say (a run that went wrong ends with them) the log
  // holds already as the page's own notes.
  struct MessagesToLog : platform::Messages {
    proses::ProsesPage* page = nullptr;
    void Show(std::string_view text, Kind) override {
      constexpr std::string_view kFinish = "Proses finish";
      if (text == kFinish) page->OutMemo.AddLine(kFinish);
    }
  } messages;
  proses::ProsesPage page(telnet, properties, read_form, broadcast_sheet, sound, messages);
  messages.page = &page;
  sessions.Describe(
      telnet, [&page] { return std::string(page.ListBox1.First()); }, &page.OutMemo);
  page.SetMaxPrintout(connection.max_printout);
  page.SetWatchdogSeconds(connection.proses_watchdog_s);
  platform::QtTimerDriver wait(page.Timer1), release(page.ReleaseTimer), busy(page.BusyTimer),
      watchdog(page.WatchdogTimer);

  for (const auto& name : elements) page.ListBox1.Add(name);

  page.Rxteirbtn.SetChecked(procedure == "rxtei");
  page.Rxltirbtn.SetChecked(procedure == "rxlti");
  for (const QString& cell : parser.values("filter-cell"))
    page.FilterListBox.Add(cell.toStdString());
  page.Cfcbox.SetChecked(!parser.isSet("no-cf"));
  if (parser.isSet("release-ms")) {
    page.ReleaseTimerEdit.SetText(parser.value("release-ms").toStdString());
    try {
      page.ReleaseTimerButtonClick();
    } catch (const std::runtime_error& error) {
      throw UsageError(error.what());
    }
  }

  page.Timer1.SetInterval(PositiveNumber(parser, "wait-ms", page.Timer1.Interval()));

  ReportPrinter printer(page.OutMemo);
  return RunJob({[&] { return page.Startpnl.Caption() == "Stop"; },
                 [&](bool all) { printer.Print(all); }, [&] { page.StartpnlClick(); },
                 [&] { page.StartpnlClick(); },
                 [&]() -> std::string {
                   if (page.ListBox1.Empty()) return "";
                   return std::to_string(page.ListBox1.Count()) + " BSC(s) not finished, from " +
                          std::string(page.ListBox1.First());
                 },
                 timeout, OutcomesOf(page.Outcomes), elements});
}

}  // namespace kestrel::cli
