#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/about_window.h"
#include "app/entry_window.h"
#include "app/main_window.h"
#include "app/properties_window.h"
#include "app/read_window.h"
#include "mml/properties_form.h"
#include "pages/shared/read_form.h"
#include "platform/site_settings.h"

namespace kestrel::app {

// The program's windows, one of each, created at start-up in a fixed order and alive until
// the end: the entry window (the main form), the settings window, the main window, the
// "READ" viewer and the About window. Only the entry window is shown at start.
class Application {
 public:
  explicit Application(const platform::SiteSettings& site);
  ~Application();

  // Start-up: errors that leave a handler from now on are shown in an error box, and the
  // entry window is shown; then a message box for each warning about the site settings, and
  // one when no password may be sent to the gateway (each also on standard error).
  void Start();

  // What was made, in order: the MSC name table, then each window by its instance name.
  std::vector<std::string> created;

  // Models the windows share; they outlive every window.
  mml::PropertiesForm properties;
  pages::ReadForm read_form;

  std::unique_ptr<TForm1> Form1;
  std::unique_ptr<TPropertiesForm> PropertiesForm;
  std::unique_ptr<TKestreldlg> Kestreldlg;
  std::unique_ptr<TForm2> Form2;
  std::unique_ptr<TForm4> Form4;

 private:
  std::vector<std::string> site_warnings_;
};

}  // namespace kestrel::app
