#pragma once

#include <string>

namespace kestrel::platform {

// Where a data file of the program is: $KESTREL_DATA_DIR, the installed share folder beside
// the program, or the source tree's data folder for a program run from its build folder.
// Empty when none holds it.
std::string DataFile(const std::string& name);

}  // namespace kestrel::platform
