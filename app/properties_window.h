#pragma once

#include <QDialog>
#include <QLineEdit>

#include "mml/properties_form.h"

namespace kestrel::app {

// The connection settings window "Properties": a view of the settings model, which the
// pages read live whenever they need a value.
class TPropertiesForm : public QDialog {
  Q_OBJECT

 public:
  TPropertiesForm(mml::PropertiesForm& model, QWidget* parent = nullptr);

  QLineEdit* UserEdit;
  QLineEdit* PasswordEdit;
  QLineEdit* IpEdit;
  QLineEdit* PortEdit;
};

}  // namespace kestrel::app
