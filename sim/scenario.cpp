#include "sim/scenario.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
      element.cells.push_back(std::move(parsed));
    }
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
