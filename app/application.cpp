#include "app/application.h"

#include <QApplication>
#include <QMessageBox>
#include <iostream>

#include "app/qt_ports.h"
#include "app/save_text.h"
#include "mml/network_elements.h"
#include "platform/dispatch.h"

// The pictures live in a resource of this static library; the linker keeps them only if
// something calls its initialiser, which must stand outside any namespace.
static void InitPictures() { Q_INIT_RESOURCE(app); }

namespace kestrel::app {

Application::Application(const platform::SiteSettings& site) : site_warnings_(site.warnings) {
  const std::string password_problem = site.PasswordProblem();
  if (!password_problem.empty()) site_warnings_.push_back(password_problem);
  InitPictures();
  if (!mml::MscNames().empty()) created.emplace_back("MscNames");

  properties.UserEdit.SetText(site.user);
  // Without a password that may go to this gateway, none: the sessions then answer nothing
  // at the password prompt, and the pages say that the login was refused.
  properties.PasswordEdit.SetText(password_problem.empty() ? site.password : std::string());
  properties.IpEdit.SetText(site.gateway_host);
  properties.PortEdit.SetText(std::to_string(site.gateway_port));
  properties.Transport = site.transport;
  properties.Prompts = {site.user_prompt, site.password_prompt, site.element_prompt,
                        site.ready_prompt};

  Form1 = std::make_unique<TForm1>();
  created.emplace_back("Form1");
  PropertiesForm = std::make_unique<TPropertiesForm>(properties);
  created.emplace_back("PropertiesForm");
  Kestreldlg = std::make_unique<TKestreldlg>(site, properties, read_form);
  created.emplace_back("Kestreldlg");
  Form2 = std::make_unique<TForm2>(read_form);
  created.emplace_back("Form2");
  Form4 = std::make_unique<TForm4>();
  created.emplace_back("Form4");

  Form1->OnGiris = [this] {
    Kestreldlg->show();  // the one main window, as it was left
    Kestreldlg->raise();
    Kestreldlg->activateWindow();
  };
  Form1->OnCixis = [this] { Form1->close(); };
  Form1->OnAbout = [this] { Form4->exec(); };
  Kestreldlg->OnAbout = [this] { Form4->exec(); };
  Kestreldlg->OnProperties = [this] { PropertiesForm->exec(); };
  Kestreldlg->ReadViewerActive = [this] { return Form2->isActiveWindow(); };
  Form2->OnSaveAs = [this] {
    QtFileDialogs dialogs(Form2.get());
    SaveTextAs(dialogs, Kestreldlg->files, read_form.Memo1.Text());
  };
}

void Application::Start() {
  platform::SetErrorSink([this](const std::string& message) {
    QWidget* over = QApplication::activeWindow();
    ShowBox(over != nullptr ? over : Form1.get(), "Kestrel", QString::fromStdString(message),
            QMessageBox::Critical);
  });
  Form1->show();
  // What the engineer must know about the settings before a job starts.
  for (const std::string& warning : site_warnings_) {
    std::cerr << "kestrel: " << warning << std::endl;
    ShowBox(Form1.get(), "Kestrel", QString::fromStdString(warning), QMessageBox::Warning);
  }
}

// Windows go in the reverse order of their making, before the models they show.
Application::~Application() {
  platform::SetErrorSink({});
  Form4.reset();
  Form2.reset();
  Kestreldlg.reset();
  PropertiesForm.reset();
  Form1.reset();
}

}  // namespace kestrel::app
