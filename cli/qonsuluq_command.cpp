#include "cli/qonsuluq_command.h"

#include <QCommandLineParser>
#include <QFile>
#include <algorithm>

#include "cli/connection_options.h"
#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "mml/network_elements.h"
#include "pages/neighbours/neighbours_page.h"
#include "pages/shared/cell_list.h"
#include "platform/qt_timer.h"

namespace kestrel::cli {

namespace {

// A name of the pick list counts as picked from it; any other is typed by hand.
void ChooseBsc(controls::ComboBox& combo, const QString& name) {
  const std::string text = name.toStdString();
  if (!mml::IsOneLine(text) || name.trimmed().isEmpty())
    throw UsageError("a BSC name wants a name, not \"" + text + "\"");
  const auto& list = mml::BscPickList();
  const auto found = std::find(list.begin(), list.end(), text);
  if (found != list.end()) {
    combo.SetItemIndex(static_cast<int>(found - list.begin()));
  } else {
    combo.SetText(text);
  }
}

std::string CellList(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw UsageError("cannot read the cell list " + path.toStdString());
  // One cell a line, as the engineer pastes it; LF-only files get the memo's CR LF.
  std::string text = file.readAll().toStdString();
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // a byte order mark of an editor
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
    lines += text[i];
  }
  return lines;
}

}  // namespace

int RunQonsuluq(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Collects the parameters of two parallel cell lists on two BSCs and prints the neighbour "
      "script for every cell pair.");
  parser.addHelpOption();
  parser.addOptions({
      {"cell-bsc", "The BSC of the Cell side.", "NAME"},
      {"cellr-bsc", "The BSC of the Cellr side.", "NAME"},
      {"cells", "The Cell side's list, one cell a line.", "FILE"},
      {"cellrs", "The Cellr side's list, one cell a line; line i pairs with line i.", "FILE"},
      {"extpen", "EXTPEN of the external cells (default ON).", "ON|OFF"},
      {"cand", "CAND of the relations (default BOTH).", "AWN|NHN|BOTH"},
      {"trhyst", "TRHYST (default 2).", "N"},
      {"troffsetp", "TROFFSETP (default 0).", "N"},
      {"lhyst", "LHYST (default 6).", "N"},
      {"awoffset", "AWOFFSET (default 3).", "N"},
      {"hihyst", "HIHYST (default 3).", "N"},
      {"khyst", "KHYST (default 3).", "N"},
      {"mbcr", "MBCR (default 2).", "N"},
  });
  AddJobOptions(parser);
  ParseArguments(parser, arguments);
  for (const char* required : {"cell-bsc", "cellr-bsc", "cells", "cellrs"}) {
    if (!parser.isSet(required)) throw UsageError(std::string("qonsuluq needs --") + required);
  }
  const int timeout = TimeoutSeconds(parser);

  const Connection connection = ResolveConnection(parser);
  mml::PropertiesForm properties;
  connection.Apply(properties);
  JobSessions sessions(connection, properties);
  mml::TelnetClient& cell_telnet = sessions.Client("qonsuluq");
  mml::TelnetClient& cellr_telnet = sessions.Client("qonsuluq");
  pages::ReadForm read_form;
  neighbours::NeighboursPage page(cell_telnet, cellr_telnet, properties, read_form);
  sessions.Describe(
      cell_telnet, [&page] { return page.CellbscComboBox.Text(); }, nullptr);
  sessions.Describe(
      cellr_telnet, [&page] { return page.CellrbscComboBox.Text(); }, nullptr);
  page.SetMaxPrintout(connection.max_printout);
  platform::QtTimerDriver progress(page.Exqontime);

  ChooseBsc(page.CellbscComboBox, parser.value("cell-bsc"));
  ChooseBsc(page.CellrbscComboBox, parser.value("cellr-bsc"));
  page.Memocell.SetText(CellList(parser.value("cells")));
  page.Memocellr.SetText(CellList(parser.value("cellrs")));
  // A list line that is no cell name, or a list without a cell, is a mistake in what the
  // runner was given.
  for (const auto& [list, name] :
       {std::pair{&page.Memocell, "Cell list"}, std::pair{&page.Memocellr, "Cellr list"}}) {
    if (const std::string why = pages::IllShapedCellLine(*list, name); !why.empty()) {
      throw UsageError(why);
    }
    if (const std::string why = pages::CellListWithoutCells(*list, name); !why.empty()) {
      throw UsageError(why);
    }
  }
  const std::pair<const char*, controls::Edit*> fields[] = {
      {"trhyst", &page.Trhyst},     {"troffsetp", &page.Troffsetp}, {"lhyst", &page.Lhyst},
      {"awoffset", &page.Awoffset}, {"hihyst", &page.Hihyst},       {"khyst", &page.Khyst},
      {"mbcr", &page.Mbcr}};
  for (const auto& [name, field] : fields) {
    if (parser.isSet(name)) field->SetText(parser.value(name).toUpper().toStdString());
  }
  if (parser.isSet("extpen")) page.Extpen.SetText(parser.value("extpen").toUpper().toStdString());
  if (parser.isSet("cand")) page.Cand.SetText(parser.value("cand").toUpper().toStdString());

  ReportPrinter printer(read_form.Memo1);
  const int status = RunJob(
      {[&] { return page.StartqonButton.Caption() == "Stop" && !read_form.Window.Visible(); },
       [&](bool all) { printer.Print(all); },
       [&] { page.StartqonButtonClick(); },
       [&] { page.StartqonButtonClick(); },
       [&]() -> std::string {
         if (read_form.Window.Visible()) return "";
         return page.LastFailure.empty() ? "the script was not written" : page.LastFailure;
       },
       timeout,
       OutcomesOf(page.Outcomes),
       {parser.value("cell-bsc").toStdString(), parser.value("cellr-bsc").toStdString()}});
  if (page.StartqonButton.Caption() == "Stop") page.StartqonButtonClick();  // both sessions end
  return status;
}

}  // namespace kestrel::cli
