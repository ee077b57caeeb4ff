// kestrel: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTimer>
#include <iostream>

#include "app/application.h"
#include "app/screenshots.h"
#include "mml/network_elements.h"
#include "platform/os.h"

int main(int argc, char** argv) {
  (void)kestrel::mml::MscNames();  // the MSC name table is there before any window
  QApplication app(argc, argv);
  QApplication::setApplicationName("kestrel");
  QApplication::setWindowIcon(QIcon(":/kestrel/kestrel.png"));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Routine MML jobs on the network elements, over the command gateway.");
  parser.addHelpOption();
  parser.addOptions({
      {"settings",
       "Site settings file (INI); default $KESTREL_SETTINGS or ~/.config/kestrel/site.ini.",
       "FILE"},
      {"screenshots", "Write pictures of every window and page into DIR, then end.", "DIR"},
      {"exit-when-shown", "End as soon as the entry window is on the screen (start-up timing)."},
  });
  parser.process(app);

  kestrel::platform::SiteSettings site;
  try {
    const bool named = parser.isSet("settings");
    site = named
               ? kestrel::platform::SiteSettings::Load(parser.value("settings").toStdString(), true)
               : kestrel::platform::SiteSettings::Load(
                     kestrel::platform::SiteSettings::DefaultPaths(), false);
    site.UseStoredPassword(kestrel::platform::StoredPassword);
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, "Kestrel", error.what());
    return 2;
  }

  kestrel::app::Application windows(site);
  if (parser.isSet("screenshots")) {
    const int written = kestrel::app::TakeScreenshots(windows, parser.value("screenshots"));
    std::cout << written << " screenshots in " << parser.value("screenshots").toStdString()
              << std::endl;
    return written > 0 ? 0 : 1;
  }
  windows.Start();
  if (parser.isSet("exit-when-shown")) QTimer::singleShot(0, &app, &QApplication::quit);
  return app.exec();
}
