#include "sim/scenario.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>

#include "sim/json.h"

namespace kestrel::sim {

// The demo network's JSON, built into the program (demo_network.cpp, made from
// data/demo-network.json).
extern const char kDemoNetwork[];
extern const std::size_t kDemoNetworkSize;

namespace {

using json::Value;

std::string Text(const Value& object, const char* key, const std::string& fallback,
                 const std::string& where) {
  const Value* value = object.Find(key);
  if (value == nullptr) return fallback;
  if (!value->Is(Value::Kind::kString)) {
    throw std::runtime_error(where + ": \"" + key + "\" must be a string");
  }
  return value->text;
}

// A member as the kind asked for; a missing member or one of another kind is an empty one.
const Value& Member(const Value& object, const char* key) {
  static const Value none;
  const Value* value = object.Find(key);
  return value == nullptr ? none : *value;
}
const std::vector<Value>& Items(const Value& object, const char* key) {
  return Member(object, key).items;
}
int Int(const Value& object, const char* key, int fallback) {
  return Member(object, key).Int(fallback);
}
bool Bool(const Value& object, const char* key, bool fallback) {
  return Member(object, key).Bool(fallback);
}

// A parameter's value as the printout shows it: a string as it is, a number as written.
std::string Shown(const Value& value) {
  switch (value.kind) {
    case Value::Kind::kString:
    case Value::Kind::kNumber:
      return value.text;
    case Value::Kind::kBool:
      return value.boolean ? "true" : "false";
    default:
      return {};
  }
}

}  // namespace

std::string Cell::Parameter(const std::string& parameter) const {
  if (const auto found = parameters.find(parameter); found != parameters.end())
    return found->second;
  // Derived from the cell's name, so that every cell of a network answers with its own CGI.
  unsigned code = 0;
  for (const char c : name) code = code * 31 + static_cast<unsigned char>(c);
  static const std::map<std::string, std::string> defaults = {
      {"BSIC", "47"},     {"CSYSTYPE", "GSM900"}, {"MSTXPWR", "33"}, {"BSPWR", "47"},
      {"BSTXPWR", "45"},  {"BSRXMIN", "110"},     {"AW", "ON"},      {"SCHO", "OFF"},
      {"BSRXSUFF", "0"},  {"MSRXMIN", "104"},     {"MSRXSUFF", "0"}, {"LAYER", "2"},
      {"LAYERTHR", "75"}, {"LAYERHYST", "3"}};
  if (parameter == "CGI")
    return "400-01-" + std::to_string(1000 + code % 9000) + "-" +
           std::to_string(10000 + code % 50000);
  if (parameter == "BCCHNO") return std::to_string(1 + code % 124);
  const auto fallback = defaults.find(parameter);
  return fallback == defaults.end() ? std::string() : fallback->second;
}

int ManagedObject::Tg() const {
  const std::size_t dash = name.find('-');
  if (dash == std::string::npos) return -1;
  int tg = -1;
  std::from_chars(name.data() + dash + 1, name.data() + name.size(), tg);
  return tg;
}

const Cell* Element::FindCell(std::string_view cell_name) const {
  for (const auto& cell : cells) {
    if (cell.name == cell_name) return &cell;
  }
  return nullptr;
}

bool Element::HasTg(int tg) const {
  return std::any_of(cells.begin(), cells.end(), [tg](const Cell& cell) { return cell.tg == tg; });
}

ManagedObject* Element::Object(std::string_view object_name) {
  for (auto& object : objects) {
    if (object.name == object_name) return &object;
  }
  ManagedObject healthy{std::string(object_name), "", true};
  if (!object_name.starts_with("RXO") || !HasTg(healthy.Tg())) return nullptr;
  objects.push_back(std::move(healthy));
  return &objects.back();
}

const Element* Scenario::Find(std::string_view name) const {
  for (const auto& element : elements) {
    if (element.name == name) return &element;
  }
  return nullptr;
}

Scenario Scenario::FromJson(std::string_view text) {
  Value root;
  try {
    root = json::Parse(text);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(std::string("scenario is not valid JSON: ") + error.what());
  }
  if (!root.Is(Value::Kind::kObject)) throw std::runtime_error("scenario must be a JSON object");
  Scenario scenario;
  scenario.user = Text(root, "user", scenario.user, "scenario");
  scenario.password = Text(root, "password", scenario.password, "scenario");
  for (const Value& key : Items(root, "ssh_keys")) {
    if (!key.Is(Value::Kind::kString)) {
      throw std::runtime_error("scenario: \"ssh_keys\" must be strings");
    }
    scenario.ssh_keys.push_back(key.text);
  }
  scenario.page_length = Int(root, "page_length", scenario.page_length);
  if (scenario.page_length < 4) throw std::runtime_error("scenario: page_length must be 4 or more");
  for (const Value& object : Items(root, "elements")) {
    Element element;
    element.name = Text(object, "name", "", "element");
    if (element.name.empty()) throw std::runtime_error("scenario: an element has no name");
    const std::string where = "element " + element.name;
    element.exchange = Text(object, "exchange", element.name, where);
    element.terminal = Text(object, "terminal", element.terminal, where);
    element.is_bsc = Text(object, "type", "BSC", where) == "BSC";
    for (const Value& cell : Items(object, "cells")) {
      Cell parsed{Text(cell, "name", "", where), Text(cell, "sctype", "", where),
                  Text(cell, "active", "YES", where)};
      if (parsed.name.empty()) throw std::runtime_error(where + ": a cell has no name");
      parsed.nch_sdcch = Text(cell, "nch_sdcch", parsed.nch_sdcch, where);
      parsed.nch_tch = Text(cell, "nch_tch", parsed.nch_tch, where);
      parsed.tg = Int(cell, "tg", -1);
      parsed.outage = Bool(cell, "outage", false);
      if (cell.Find("egprs") != nullptr) {
        parsed.egprs.clear();
        for (const Value& row : Items(cell, "egprs")) parsed.egprs.push_back(row.String());
      }
      for (const Value& message : Items(cell, "messages")) {
        parsed.messages.push_back(
            {Text(message, "id", "50", where), Text(message, "code", "", where),
             Text(message, "text", "", where), Text(message, "dcs", "", where)});
      }
      for (const Value& neighbour : Items(cell, "neighbours")) {
        parsed.neighbours.push_back(neighbour.String());
      }
      for (const auto& [key, value] : Member(cell, "parameters").members) {
        std::string upper = key;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        parsed.parameters[upper] = Shown(value);
      }
      element.cells.push_back(std::move(parsed));
    }
    for (const Value& mo : Items(object, "objects")) {
      ManagedObject parsed{Text(mo, "mo", "", where), Text(mo, "fault", "", where),
                           Bool(mo, "repairable", true)};
      if (parsed.name.empty()) throw std::runtime_error(where + ": an object has no \"mo\"");
      element.objects.push_back(std::move(parsed));
    }
    for (const Value& alarm : Items(object, "alarms")) {
      Alarm parsed{Text(alarm, "class", "A2/APT", where),
                   Text(alarm, "slogan", "", where),
                   {},
                   Text(alarm, "cleared_by", "", where)};
      for (const Value& row : Items(alarm, "details")) parsed.details.push_back(row.String());
      element.alarms.push_back(std::move(parsed));
    }
    for (const Value& event : Items(object, "events")) element.events.push_back(event.String());
    element.extra_alarms = Int(object, "extra_alarms", 0);
    if (scenario.Find(element.name) != nullptr) {
      throw std::runtime_error("scenario: element " + element.name + " is listed twice");
    }
    scenario.elements.push_back(std::move(element));
  }
  return scenario;
}

Scenario Scenario::Demo() { return FromJson(std::string_view(kDemoNetwork, kDemoNetworkSize)); }

}  // namespace kestrel::sim
