#include "sim/scenario.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <stdexcept>

// The demo network lives in a resource of this static library; the linker keeps it only if
// something calls its initialiser, which must stand outside any namespace.
static void InitDemoNetworkResource() { Q_INIT_RESOURCE(sim); }

namespace kestrel::sim {

namespace {

std::string Text(const QJsonObject& object, const char* key, const std::string& fallback,
                 const std::string& where) {
  const QJsonValue value = object.value(key);
  if (value.isUndefined()) return fallback;
  if (!value.isString()) throw std::runtime_error(where + ": \"" + key + "\" must be a string");
  return value.toString().toStdString();
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

Scenario Scenario::FromJson(std::string_view json) {
  QJsonParseError error;
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())), &error);
  if (document.isNull()) {
    throw std::runtime_error("scenario is not valid JSON: " + error.errorString().toStdString() +
                             " at offset " + std::to_string(error.offset));
  }
  if (!document.isObject()) throw std::runtime_error("scenario must be a JSON object");
  const QJsonObject root = document.object();
  Scenario scenario;
  scenario.user = Text(root, "user", scenario.user, "scenario");
  scenario.password = Text(root, "password", scenario.password, "scenario");
  for (const QJsonValue& key : root.value("ssh_keys").toArray()) {
    if (!key.isString()) throw std::runtime_error("scenario: \"ssh_keys\" must be strings");
    scenario.ssh_keys.push_back(key.toString().toStdString());
  }
  scenario.page_length = root.value("page_length").toInt(scenario.page_length);
  if (scenario.page_length < 4) throw std::runtime_error("scenario: page_length must be 4 or more");
  for (const QJsonValue& element_value : root.value("elements").toArray()) {
    const QJsonObject object = element_value.toObject();
    Element element;
    element.name = Text(object, "name", "", "element");
    if (element.name.empty()) throw std::runtime_error("scenario: an element has no name");
    const std::string where = "element " + element.name;
    element.exchange = Text(object, "exchange", element.name, where);
    element.terminal = Text(object, "terminal", element.terminal, where);
    element.is_bsc = Text(object, "type", "BSC", where) == "BSC";
    for (const QJsonValue& cell_value : object.value("cells").toArray()) {
      const QJsonObject cell = cell_value.toObject();
      Cell parsed{Text(cell, "name", "", where), Text(cell, "sctype", "", where),
                  Text(cell, "active", "YES", where)};
      if (parsed.name.empty()) throw std::runtime_error(where + ": a cell has no name");
      parsed.nch_sdcch = Text(cell, "nch_sdcch", parsed.nch_sdcch, where);
      parsed.nch_tch = Text(cell, "nch_tch", parsed.nch_tch, where);
      parsed.tg = cell.value("tg").toInt(-1);
      parsed.outage = cell.value("outage").toBool(false);
      if (cell.contains("egprs")) {
        parsed.egprs.clear();
        for (const QJsonValue& row : cell.value("egprs").toArray())
          parsed.egprs.push_back(row.toString().toStdString());
      }
      for (const QJsonValue& message_value : cell.value("messages").toArray()) {
        const QJsonObject message = message_value.toObject();
        parsed.messages.push_back(
            {Text(message, "id", "50", where), Text(message, "code", "", where),
             Text(message, "text", "", where), Text(message, "dcs", "", where)});
      }
      for (const QJsonValue& neighbour : cell.value("neighbours").toArray()) {
        parsed.neighbours.push_back(neighbour.toString().toStdString());
      }
      const QJsonObject parameters = cell.value("parameters").toObject();
      for (auto it = parameters.begin(); it != parameters.end(); ++it) {
        parsed.parameters[it.key().toUpper().toStdString()] =
            it.value().toVariant().toString().toStdString();
      }
      element.cells.push_back(std::move(parsed));
    }
    for (const QJsonValue& object_value : object.value("objects").toArray()) {
      const QJsonObject mo = object_value.toObject();
      ManagedObject parsed{Text(mo, "mo", "", where), Text(mo, "fault", "", where),
                           mo.value("repairable").toBool(true)};
      if (parsed.name.empty()) throw std::runtime_error(where + ": an object has no \"mo\"");
      element.objects.push_back(std::move(parsed));
    }
    for (const QJsonValue& alarm_value : object.value("alarms").toArray()) {
      const QJsonObject alarm = alarm_value.toObject();
      Alarm parsed{Text(alarm, "class", "A2/APT", where),
                   Text(alarm, "slogan", "", where),
                   {},
                   Text(alarm, "cleared_by", "", where)};
      for (const QJsonValue& row : alarm.value("details").toArray())
        parsed.details.push_back(row.toString().toStdString());
      element.alarms.push_back(std::move(parsed));
    }
    for (const QJsonValue& event : object.value("events").toArray())
      element.events.push_back(event.toString().toStdString());
    element.extra_alarms = object.value("extra_alarms").toInt(0);
    if (scenario.Find(element.name) != nullptr) {
      throw std::runtime_error("scenario: element " + element.name + " is listed twice");
    }
    scenario.elements.push_back(std::move(element));
  }
  return scenario;
}

Scenario Scenario::Demo() {
  InitDemoNetworkResource();
  QFile file(":/kestrel/demo-network.json");
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("demo network is not built in");
  const QByteArray json = file.readAll();
  return FromJson(std::string_view(json.constData(), static_cast<std::size_t>(json.size())));
}

}  // namespace kestrel::sim
