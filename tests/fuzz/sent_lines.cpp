// The checker of the lines a page sends (SentLineFault in rig.h).
#include <algorithm>
#include <cstdio>

#include "mml/shapes.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {

namespace {

// What a parameter's value must be: no value (the key alone, "FORCE"), exactly the text given,
// or a value of a shape.
enum class Value {
  kFlag,
  kFixed,
  kCell,
  kCellOrAll,
  kRoute,
  kNumber4,
  kNumber5,
  kPath,
  kEvent,
  kObject,
  kTg,
  kCf
};

bool NumberAfter(std::string_view value, std::string_view prefix) {
  return value.starts_with(prefix) && mml::IsNumber(value.substr(prefix.size()), 4);
}

// The shapes, from kCell on, in the order of Value.
const struct {
  bool (*fits)(std::string_view);
  const char* name;
} kShapes[] = {
    {[](std::string_view v) { return mml::IsCellName(v); }, "a cell name"},
    {[](std::string_view v) { return v == "ALL" || mml::IsCellName(v); }, "a cell name or ALL"},
    {[](std::string_view v) { return mml::IsRouteName(v); }, "a route name"},
    {[](std::string_view v) { return mml::IsNumber(v, 4); }, "a number of up to 4 digits"},
    {[](std::string_view v) { return mml::IsNumber(v, 5); }, "a number of up to 5 digits"},
    {[](std::string_view v) { return mml::IsPathName(v); }, "a path name"},
    {[](std::string_view v) { return mml::IsEventCode(v); }, "an event code"},
    {[](std::string_view v) { return mml::IsManagedObject(v); }, "a managed object"},
    {[](std::string_view v) { return NumberAfter(v, "RXOTG-"); }, "RXOTG- and a TG number"},
    {[](std::string_view v) { return NumberAfter(v, "RXOCF-"); }, "RXOCF- and a number"},
};

struct Parameter {
  std::string_view key;
  Value value = Value::kFlag;
  std::string_view fixed = {};
};

constexpr unsigned Bit(Page page) { return 1u << static_cast<unsigned>(page); }
constexpr unsigned kProses = Bit(Page::kProses);
constexpr unsigned kDaily = Bit(Page::kDailyCheck);
// The pages that confirm orders with ";", release the element with Ctrl-D and bring the
// prompt back with an empty line.
constexpr unsigned kDialoguePages = kProses | kDaily;

struct Form {
  std::string_view code;
  unsigned pages;
  std::vector<Parameter> parameters;
};

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

// Why `text` does not match `parameter`; empty when it does.
std::string ParameterFault(const Parameter& parameter, std::string_view text) {
  const std::string key(parameter.key);
  if (parameter.value == Value::kFlag) {
    return text == key ? "" : "\"" + std::string(text) + "\" stands where the page puts " + key;
  }
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos || text.substr(0, equals) != key) {
    return "\"" + std::string(text) + "\" stands where the page puts " + key + "=";
  }
  const std::string_view value = text.substr(equals + 1);
  std::string shape(parameter.fixed);
  bool fits = value == parameter.fixed;
  if (parameter.value != Value::kFixed) {
    const auto& known = kShapes[static_cast<int>(parameter.value) - static_cast<int>(Value::kCell)];
    fits = known.fits(value);
    shape = known.name;
  }
  return fits ? "" : key + " value \"" + std::string(value) + "\" is not " + shape;
}

std::string CommandFault(Page page, std::string_view line) {
  if (!line.ends_with(';')) return "not a command of this page: no closing \";\"";
  const std::string_view body = line.substr(0, line.size() - 1);
  const std::size_t colon = body.find(':');
  const std::string_view code = body.substr(0, colon);
  std::vector<std::string_view> parameters;
  for (std::string_view rest = colon == std::string_view::npos ? "" : body.substr(colon + 1);
       colon != std::string_view::npos;) {
    const std::size_t comma = rest.find(',');
    parameters.push_back(rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  std::string fault = "\"" + std::string(code) + "\" is not a command this page sends";
  bool known = false;
  for (const Form& form : Forms()) {
    if (form.code != code || (form.pages & Bit(page)) == 0) continue;
    if (parameters.size() != form.parameters.size()) {
      if (!known) {
        fault = "has " + std::to_string(parameters.size()) + " parameters where the page builds " +
                std::to_string(form.parameters.size());
      }
      known = true;
      continue;
    }
    known = true;
    fault.clear();
    for (std::size_t k = 0; k < parameters.size() && fault.empty(); ++k) {
      fault = ParameterFault(form.parameters[k], parameters[k]);
    }
    if (fault.empty()) return {};
  }
  return fault;
}

}  // namespace

std::string SentLineFault(Page page, const Login& login, std::string_view line) {
  const bool dialogue = (Bit(page) & kDialoguePages) != 0;
  if (line == "\x04") return dialogue ? "" : "Ctrl-D, which this page never sends";
  for (std::size_t k = 0; k < line.size(); ++k) {
    const auto c = static_cast<unsigned char>(line[k]);
    if (c < 0x20 || c == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02x", c);
      return "holds the control character " + std::string(hex) + " at " + std::to_string(k);
    }
  }
  if (line.empty() || line == ";") {
    return dialogue ? "" : "\"" + std::string(line) + "\", which this page never sends";
  }
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
