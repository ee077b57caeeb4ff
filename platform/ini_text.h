#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel::platform {

// The value of `key` in `section` of INI text exactly as written: trimmed, and without the
// double quotes around it if it has them, but with no escapes taken. A Windows path
// (\\server\share\reports, C:\reports\new) or a password holds backslashes that are no
// escapes; Qt's INI reader would make "\r" of "C:\reports" a carriage return. Names are
// matched without regard to case; the last of a key written twice counts. None when absent.
std::optional<std::string> RawIniValue(std::string_view text, std::string_view section,
                                       std::string_view key);

}  // namespace kestrel::platform
