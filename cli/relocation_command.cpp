#include "cli/relocation_command.h"

#include <QCommandLineParser>
#include <QFile>
#include <iostream>
#include <optional>

#include "cli/connection_options.h"
#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "cli/result_format.h"
#include "pages/relocation/relocation_page.h"

namespace kestrel::cli {

namespace {
// The page's messages: at Start they are mistakes in what the runner was given (the cell
// list); once the job runs they say why it ended, on standard error.
struct RunnerMessages : platform::Messages {
  bool running = false;
  void Show(std::string_view text, Kind) override {
    if (!running) throw UsageError(std::string(text));
    std::cerr << "kestrel-batch: " << text << std::endl;
  }
};
}  // namespace

int RunRelocation(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Reads the neighbours and cell data of cells that move to another BSC and prints the report "
      "and the script of their relations.");
  parser.addHelpOption();
  parser.addOptions({
      {"ne", "The BSC where the cells are now, as named after NE=.", "NAME"},
      {"target", "The number of the BSC the cells move to (1 to 18).", "N"},
      {"cells", "The cells to move, one a line.", "FILE"},
  });
  AddFormatOption(parser);
  AddJobOptions(parser);
  ParseArguments(parser, arguments);
  const auto elements = ElementNames(parser, "relocation");
  if (elements.size() != 1) throw UsageError("relocation reads one BSC: give one --ne NAME");
  const int target = PositiveNumber(parser, "target", 0);
  if (target < 1 || target > 18)
    throw UsageError("relocation needs --target N, a BSC number from 1 to 18");
  if (!parser.isSet("cells")) throw UsageError("relocation needs --cells FILE");
  QFile cells(parser.value("cells"));
  if (!cells.open(QIODevice::ReadOnly))
    throw UsageError("cannot read the cell list " + cells.fileName().toStdString());
  std::string list;
  QByteArray lines = cells.readAll();
  if (lines.startsWith("\xEF\xBB\xBF")) lines.remove(0, 3);  // a byte order mark of an editor
  for (const QByteArray& line : lines.split('\n')) {
    const QByteArray name = line.trimmed();
    if (!name.isEmpty()) list += name.toStdString() + "\r\n";
  }
  const int timeout = TimeoutSeconds(parser);
  const RecordLines format(ReadFormat(parser),
                           {"kind", "cell", "name", "bsc_before", "bsc_after", "bcch", "line"});

  const Connection connection = ResolveConnection(parser);
  mml::PropertiesForm properties;
  connection.Apply(properties);
  JobSessions sessions(connection, properties);
  mml::TelnetClient& telnet = sessions.Client("relocation");
  pages::ReadForm read_form;
  RunnerMessages messages;
  relocation::RelocationPage page(telnet, properties, read_form, messages);
  sessions.Describe(
      telnet, [&page] { return page.DqonoComboBox.Text(); }, &page.DqonrepMemo);
  page.SetMaxPrintout(connection.max_printout);
  page.DqonoComboBox.SetText(elements.front());
  page.DqondComboBox.SetItemIndex(target - 1);
  page.DqonListMemo.SetText(list);
  // A list the check cannot take is a mistake in what the runner was given: nothing is sent.
  if (const std::string why = page.PrepareList(); !why.empty()) throw UsageError(why);

  // The report as text as it is written; the results, as records, once the check is done.
  const bool text = format.format() == Format::kText;
  std::optional<ReportPrinter> printer;
  if (text) printer.emplace(page.DqonrepMemo);
  const int status = RunJob({[&] {
                               return page.DqonstartButton.Caption() == "Stop" &&
                                      page.DqonCellDataDone != "OK" && telnet.Connected();
                             },
                             [&](bool all) {
                               if (printer) printer->Print(all);
                             },
                             [&] {
                               page.DqonstartButtonClick();
                               messages.running = true;
                             },
                             [&] { page.DqonstartButtonClick(); },
                             [&]() -> std::string {
                               return page.DqonCellDataDone == "OK" ? "" : "the check did not end";
                             },
                             timeout, OutcomesOf(page.Outcomes), elements});
  // The script whenever the check wrote it: a check with problems writes it too, and the
  // report above says what is missing from it.
  const bool written = !page.ScriptLines.empty();
  if (text && written) {
    std::cout << '\n';
    for (std::size_t i = 0; i < read_form.Memo1.LineCount(); ++i)
      std::cout << read_form.Memo1.Line(i) << '\n';
  }
  if (!text) {
    std::cout << format.Header();
    for (const auto& row : page.TableRows) {
      std::cout << format.Line({{"kind", "table"},
                                {"cell", row.cell},
                                {"name", row.name},
                                {"bsc_before", row.bsc_before},
                                {"bsc_after", row.bsc_after},
                                {"bcch", row.bcch}});
    }
    if (written) {
      for (const std::string& line : page.ScriptLines)
        std::cout << format.Line({{"kind", "script"}, {"line", line}});
    }
  }
  std::cout.flush();
  if (page.DqonstartButton.Caption() == "Stop") page.DqonstartButtonClick();
  return status;
}

}  // namespace kestrel::cli
