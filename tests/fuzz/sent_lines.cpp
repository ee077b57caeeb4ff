#include "tests/fuzz/sent_lines.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "mml/shapes.h"

namespace kestrel::fuzz {

namespace {

// What a parameter's value must be.
enum class Value {
  kFlag,       // no value: the key alone ("FORCE")
  kFixed,      // exactly the text given
  kCell,       // a cell name
  kCellOrAll,  // a cell name or ALL
  kRoute,      // a route name, padded to its column
  kNumber4,    // up to four digits, padded
  kNumber5,    // up to five digits, padded
  kPath,       // an SDIP or layer path name, padded
  kEvent,      // a software error event code
  kObject,     // a managed object
  kTg,         // "RXOTG-" and a TG number
  kCf,         // "RXOCF-" and a CF number
};

struct Parameter {
  std::string_view key;
  Value value = Value::kFlag;
  std::string_view fixed = {};
};

constexpr unsigned Bit(Page page) { return 1u << static_cast<unsigned>(page); }

struct Form {
  std::string_view code;
  unsigned pages;
  std::vector<Parameter> parameters;
};

constexpr unsigned kProses = Bit(Page::kProses);
constexpr unsigned kDaily = Bit(Page::kDailyCheck);

// Every command a page builds, as the page builds it.
const std::vector<Form>& Forms() {
  static const std::vector<Form> forms = {
      // Proses, both procedures.
      {"ALLIP", kProses, {{"ALCAT", Value::kFixed, "KESINTI"}}},
      {"RLSLP", kProses, {{"CELL", Value::kCell}}},
      {"RXTCP", kProses, {{"MOTY", Value::kFixed, "RXOTG"}, {"CELL", Value::kCell}}},
      {"RXMFP", kProses, {{"MO", Value::kTg}, {"SUBORD"}, {"FAULTY"}}},
      {"RXBLI", kProses, {{"MO", Value::kObject}, {"FORCE"}}},
      {"RXESE", kProses, {{"MO", Value::kObject}}},
      {"RXTEI", kProses, {{"MO", Value::kObject}}},
      {"RXESI", kProses, {{"MO", Value::kObject}}},
      {"RXBLE", kProses, {{"MO", Value::kObject}}},
      {"RXASP", kProses, {{"MOTY", Value::kFixed, "RXOTG"}}},
      {"RXLTI", kProses, {{"MO", Value::kObject}}},
      // Daily check: the alarm list and the standard solutions.
      {"ALLIP", kDaily, {}},
      {"SEQAR", kDaily, {{"R", Value::kRoute}}},
      {"SETAR", kDaily, {}},
      {"SYRIP", kDaily, {{"SURVEY"}}},
      {"RXBLI", kDaily, {{"MO", Value::kCf}}},
      {"RXBLE", kDaily, {{"MO", Value::kCf}}},
      {"TPBLI", kDaily, {{"SDIP", Value::kPath}, {"LP", Value::kPath}}},
      {"TPBLE", kDaily, {{"SDIP", Value::kPath}, {"LP", Value::kPath}}},
      {"C7ERR", kDaily, {{"ENUM", Value::kNumber4}}},
      {"DBTSP", kDaily, {{"TAB", Value::kFixed, "SAACTIONS"}}},
      {"SAALI", kDaily, {}},
      {"SYRAE", kDaily, {{"EVENT", Value::kEvent}}},
      // RLSLP check.
      {"RLSLP", Bit(Page::kRlslp), {{"CELL", Value::kFixed, "ALL"}}},
      // Edge broadcast check.
      {"RLBDP", Bit(Page::kBroadcast), {{"CELL", Value::kFixed, "ALL"}}},
      {"RLMTP", Bit(Page::kBroadcast), {{"CELL", Value::kCell}, {"ID", Value::kFixed, "ALL"}}},
      {"RLMBP",
       Bit(Page::kBroadcast),
       {{"ID", Value::kNumber5}, {"CODE", Value::kNumber5}, {"GS", Value::kFixed, "0"}}},
      // Qonsuluq: the four printouts of a cell.
      {"RLDEP", Bit(Page::kNeighbours) | Bit(Page::kRelocation), {{"CELL", Value::kCellOrAll}}},
      {"RLCPP", Bit(Page::kNeighbours), {{"CELL", Value::kCellOrAll}}},
      {"RLLOP", Bit(Page::kNeighbours), {{"CELL", Value::kCellOrAll}}},
      {"RLLHP", Bit(Page::kNeighbours), {{"CELL", Value::kCellOrAll}}},
      // Relocation: the neighbours of a moved cell.
      {"RLNRP",
       Bit(Page::kRelocation),
       {{"CELL", Value::kCell}, {"CELLR", Value::kFixed, "ALL"}, {"NODATA"}}},
  };
  return forms;
}

// The pages that confirm orders with ";", release the element with Ctrl-D and bring the
// prompt back with an empty line.
constexpr unsigned kDialoguePages = kProses | kDaily;

bool NumberAfter(std::string_view value, std::string_view prefix) {
  return value.starts_with(prefix) && mml::IsNumber(value.substr(prefix.size()), 4);
}

// Why `value` is not what `parameter` takes; empty when it is.
std::string ValueFault(const Parameter& parameter, std::string_view value) {
  bool fits = false;
  std::string_view shape;
  switch (parameter.value) {
    case Value::kFlag:
      return {};
    case Value::kFixed:
      fits = value == parameter.fixed;
      shape = parameter.fixed;
      break;
    case Value::kCell:
      fits = mml::IsCellName(value);
      shape = "a cell name";
      break;
    case Value::kCellOrAll:
      fits = value == "ALL" || mml::IsCellName(value);
      shape = "a cell name or ALL";
      break;
    case Value::kRoute:
      fits = mml::IsRouteName(value);
      shape = "a route name";
      break;
    case Value::kNumber4:
      fits = mml::IsNumber(value, 4);
      shape = "a number of up to 4 digits";
      break;
    case Value::kNumber5:
      fits = mml::IsNumber(value, 5);
      shape = "a number of up to 5 digits";
      break;
    case Value::kPath:
      fits = mml::IsPathName(value);
      shape = "a path name";
      break;
    case Value::kEvent:
      fits = mml::IsEventCode(value);
      shape = "an event code";
      break;
    case Value::kObject:
      fits = mml::IsManagedObject(value);
      shape = "a managed object";
      break;
    case Value::kTg:
      fits = NumberAfter(value, "RXOTG-");
      shape = "RXOTG- and a TG number";
      break;
    case Value::kCf:
      fits = NumberAfter(value, "RXOCF-");
      shape = "RXOCF- and a number";
      break;
  }
  if (fits) return {};
  return std::string(parameter.key) + " value \"" + std::string(value) + "\" is not " +
         std::string(shape);
}

// Why `text` does not match `parameter`; empty when it does.
std::string ParameterFault(const Parameter& parameter, std::string_view text) {
  if (parameter.value == Value::kFlag) {
    if (text == parameter.key) return {};
    return "\"" + std::string(text) + "\" stands where the page puts " + std::string(parameter.key);
  }
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos || text.substr(0, equals) != parameter.key) {
    return "\"" + std::string(text) + "\" stands where the page puts " +
           std::string(parameter.key) + "=";
  }
  return ValueFault(parameter, text.substr(equals + 1));
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

std::string CommandFault(Page page, std::string_view line) {
  if (!line.ends_with(';')) return "not a command of this page: no closing \";\"";
  const std::string_view body = line.substr(0, line.size() - 1);
  const std::size_t colon = body.find(':');
  const std::string_view code = body.substr(0, colon);
  std::vector<std::string_view> parameters;
  if (colon != std::string_view::npos) parameters = Split(body.substr(colon + 1), ',');

  std::string fault;
  bool known = false;
  for (const Form& form : Forms()) {
    if (form.code != code || (form.pages & Bit(page)) == 0) continue;
    known = true;
    if (parameters.size() != form.parameters.size()) {
      if (fault.empty()) {
        fault = "has " + std::to_string(parameters.size()) + " parameters where the page builds " +
                std::to_string(form.parameters.size());
      }
      continue;
    }
    std::string mismatch;
    for (std::size_t k = 0; k < parameters.size() && mismatch.empty(); ++k) {
      mismatch = ParameterFault(form.parameters[k], parameters[k]);
    }
    if (mismatch.empty()) return {};
    fault = mismatch;
  }
  if (!known) return "\"" + std::string(code) + "\" is not a command this page sends";
  return fault;
}

std::string Hex(unsigned char c) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", c);
  return text;
}

}  // namespace

std::string SentLineFault(Page page, const Login& login, std::string_view line) {
  const bool dialogue = (Bit(page) & kDialoguePages) != 0;
  if (line == "\x04") return dialogue ? std::string() : "Ctrl-D, which this page never sends";
  for (std::size_t k = 0; k < line.size(); ++k) {
    const auto c = static_cast<unsigned char>(line[k]);
    if (c < 0x20 || c == 0x7f) {
      return "holds the control character " + Hex(c) + " at " + std::to_string(k);
    }
  }
  if (line.empty()) return dialogue ? std::string() : "an empty line, which this page never sends";
  if (line == ";") return dialogue ? std::string() : "\";\", which this page never sends";
  if (line == login.user || (!login.password.empty() && line == login.password)) return {};
  if (line.starts_with("NE=")) {
    const std::string_view element = line.substr(3);
    if (std::find(login.elements.begin(), login.elements.end(), element) != login.elements.end()) {
      return {};
    }
    return "selects the element \"" + std::string(element) + "\", which was not chosen";
  }
  return CommandFault(page, line);
}

}  // namespace kestrel::fuzz
