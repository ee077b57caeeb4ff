#include "app/properties_window.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "widgets/bindings.h"

namespace kestrel::app {

TPropertiesForm::TPropertiesForm(mml::PropertiesForm& model, QWidget* parent) : QDialog(parent) {
  setObjectName("PropertiesForm");
  setWindowTitle("Properties");
  setFixedSize(272, 234);

  auto field = [this](const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    return edit;
  };
  UserEdit = field("UserEdit");
  PasswordEdit = field("PasswordEdit");
  IpEdit = field("IpEdit");
  PortEdit = field("PortEdit");
  PasswordEdit->setEchoMode(QLineEdit::Password);
  PasswordEdit->setStyleSheet("lineedit-password-character: 35;");  // '#'

  auto* login = new QGroupBox("Login", this);
  auto* login_fields = new QFormLayout(login);
  login_fields->addRow("User:", UserEdit);
  login_fields->addRow("Password:", PasswordEdit);
  auto* gateway = new QGroupBox("Gateway", this);
  auto* gateway_fields = new QFormLayout(gateway);
  gateway_fields->addRow("IP:", IpEdit);
  gateway_fields->addRow("Port:", PortEdit);
  // Set by the site settings ([gateway] transport), shown so the engineer knows the path.
  auto* transport = new QLabel(QString::fromStdString(model.Transport), this);
  transport->setObjectName("TransportLabel");
  gateway_fields->addRow("Transport:", transport);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(login);
  layout->addWidget(gateway);

  widgets::Bind(model.UserEdit, UserEdit);
  widgets::Bind(model.PasswordEdit, PasswordEdit);
  widgets::Bind(model.IpEdit, IpEdit);
  widgets::Bind(model.PortEdit, PortEdit);
}

}  // namespace kestrel::app
