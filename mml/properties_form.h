#pragma once

#include <string>

#include "controls/control.h"

namespace kestrel::mml {

// What the login looks for in the gateway's text; sites whose gateways word them otherwise
// set their own.
struct LoginPrompts {
  std::string user = "User";
  std::string password = "Password";
  std::string element = "NE:";
  std::string ready = "<";
};

// The connection settings window. Its fields are read live, whenever a page needs them:
// every page answers the login prompts with `UserEdit` and `PasswordEdit`.
struct PropertiesForm {
  controls::Edit UserEdit;
  controls::Edit PasswordEdit;
  controls::Edit IpEdit;
  controls::Edit PortEdit{"52200"};
  LoginPrompts Prompts;
  // How the pages reach the gateway ("telnet", "ssh"), as the site settings say.
  std::string Transport = "telnet";
};

}  // namespace kestrel::mml
