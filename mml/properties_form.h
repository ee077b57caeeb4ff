#pragma once

#include "controls/control.h"

namespace kestrel::mml {

// The connection settings window. Its fields are read live, whenever a page needs them:
// every page answers the login prompts with `UserEdit` and `PasswordEdit`.
struct PropertiesForm {
  controls::Edit UserEdit;
  controls::Edit PasswordEdit;
  controls::Edit IpEdit;
  controls::Edit PortEdit{"52200"};
};

}  // namespace kestrel::mml
