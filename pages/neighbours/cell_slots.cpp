#include "pages/neighbours/cell_slots.h"

#include "mml/shapes.h"

namespace kestrel::neighbours {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }
bool Alphanumeric(char c) { return Digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Wider than any value of these parameters: the printout's own column width cuts them anyway.
constexpr int kMostDigits = 6;
constexpr std::size_t kMostLetters = 8;

// Without the blank padding that mml::IsNumber allows: the value goes into a line as it stands.
bool Number(std::string_view value) {
  return !value.ends_with(' ') && mml::IsNumber(value, kMostDigits);
}

bool SignedNumber(std::string_view value) {
  if (value.starts_with('-')) value.remove_prefix(1);
  return Number(value);
}

bool Word(std::string_view value) {
  if (value.empty() || value.size() > kMostLetters) return false;
  for (char c : value) {
    if (!Alphanumeric(c)) return false;
  }
  return true;
}

// MCC-MNC-LAC-CI: four groups of digits joined by dashes ("400-01-909-1011").
bool Cgi(std::string_view value) {
  int groups = 0;
  for (;;) {
    std::size_t digits = 0;
    while (digits < value.size() && Digit(value[digits])) ++digits;
    if (digits < 1 || digits > 5) return false;
    value.remove_prefix(digits);
    ++groups;
    if (value.empty()) return groups == 4;
    if (value.front() != '-' || groups == 4) return false;
    value.remove_prefix(1);
  }
}

}  // namespace

const std::array<Printout, 4>& Chain() {
  static const std::array<Printout, 4> chain = {{
      {"RLDEP",
       {{"CGI", kCgi, 20}, {"BSIC", kBsic, 4}, {"BCCHNO", kBcchno, 5}, {"CSYSTYPE", kCsystype, 8}}},
      {"RLCPP", {{"MSTXPWR", kMstxpwr, 3}}},
      {"RLLOP",
       {{"BSPWR", kBspwr, 3},
        {"BSTXPWR", kBstxpwr, 3},
        {"BSRXMIN", kBsrxmin, 3},
        {"AW", kAw, 3},
        {"SCHO", kScho, 4},
        {"BSRXSUFF", kBsrxsuff, 3},
        {"MSRXMIN", kMsrxmin, 3},
        {"MSRXSUFF", kMsrxsuff, 3}}},
      {"RLLHP", {{"LAYER ", kLayer, 3}, {"LAYERTHR", kLayerthr, 3}, {"LAYERHYST", kLayerhyst, 3}}},
  }};
  return chain;
}

std::string_view SlotName(Slot slot) {
  static constexpr std::array<std::string_view, kSlots> names = {
      "CGI", "BSIC", "BCCHNO",   "CSYSTYPE", "MSTXPWR",  "BSPWR", "BSTXPWR",  "BSRXMIN",
      "AW",  "SCHO", "BSRXSUFF", "MSRXMIN",  "MSRXSUFF", "LAYER", "LAYERTHR", "LAYERHYST"};
  return names[slot];
}

std::string_view CodeOfSlot(Slot slot) {
  for (const Printout& printout : Chain()) {
    for (const Heading& heading : printout.headings) {
      if (heading.slot == slot) return printout.code;
    }
  }
  return {};
}

bool FitsSlot(Slot slot, std::string_view value) {
  switch (slot) {
    case kCgi:
      return Cgi(value);
    case kCsystype:
    case kAw:
    case kScho:
      return Word(value);
    case kLayer:
    case kLayerthr:
    case kLayerhyst:
      return Number(value);
    case kBsic:
    case kBcchno:
    case kMstxpwr:
    case kBspwr:
    case kBstxpwr:
    case kBsrxmin:
    case kBsrxsuff:
    case kMsrxmin:
    case kMsrxsuff:
      return SignedNumber(value);
    case kSlots:
      break;
  }
  return false;
}

}  // namespace kestrel::neighbours
