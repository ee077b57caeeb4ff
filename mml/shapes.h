#pragma once

#include <string_view>

namespace kestrel::mml {

// The shapes of the values a page takes from a printout into an order. A value that does
// not have the shape of what it stands for never goes on the wire: a ";" or "," inside a
// field would change the order itself. Fields that a command carries untrimmed (padded with
// blanks to their column width) fit when what stands before the padding fits.

// A managed object of the radio equipment: "RXO", its class (TS, TRX, CF, TG, TX, RX, ...)
// and one to three numbers joined by dashes: "RXOTS-12-0-3", "RXOCF-12".
bool IsManagedObject(std::string_view text);
// A cell name: one to eight letters, digits or "_".
bool IsCellName(std::string_view text);
// A route name, padded with blanks: one to seven letters, digits or "_".
bool IsRouteName(std::string_view text);
// A software error event code: "H'" and one to six hexadecimal digits.
bool IsEventCode(std::string_view text);
// A number of one to `digits` digits, padded with blanks.
bool IsNumber(std::string_view text, int digits);
// A transmission path name (an SDIP or a layer path), padded with blanks: letters, digits,
// "_", "-" and "." (one to twelve of them).
bool IsPathName(std::string_view text);

}  // namespace kestrel::mml
