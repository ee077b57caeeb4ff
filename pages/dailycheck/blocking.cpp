#include "pages/dailycheck/blocking.h"

#include <algorithm>

#include "mml/columns.h"
#include "mml/text.h"

namespace kestrel::dailycheck {

namespace {

// "MO=RXOCF-12  ,FORCE" -> "RXOCF-12": the value of the first parameter.
std::string ManagedObject(std::string_view parameters) {
  if (!parameters.starts_with("MO=")) return {};
  parameters.remove_prefix(3);
  return std::string(mml::Trim(parameters.substr(0, parameters.find(','))));
}

// "SDIP=RSDIP12,LP=VC12-1 " -> "SDIP=RSDIP12,LP=VC12-1": every parameter, values unpadded.
std::string Path(std::string_view parameters) {
  if (!parameters.starts_with("SDIP=")) return {};
  std::string path;
  while (!parameters.empty()) {
    const std::size_t comma = parameters.find(',');
    const std::string_view parameter = parameters.substr(0, comma);
    const std::size_t equals = parameter.find('=');
    if (!path.empty()) path += ',';
    if (equals == std::string_view::npos) {
      path += mml::Trim(parameter);
    } else {
      path.append(mml::Trim(parameter.substr(0, equals)))
          .append("=")
          .append(mml::Trim(parameter.substr(equals + 1)));
    }
    if (comma == std::string_view::npos) break;
    parameters.remove_prefix(comma + 1);
  }
  return path;
}

}  // namespace

std::optional<BlockOrder> ReadBlockOrder(std::string_view entry) {
  const std::string command = mml::Upper(mml::Trim(entry));
  const std::size_t colon = command.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const std::string_view code = mml::Trim(std::string_view(command).substr(0, colon));
  std::string_view parameters = std::string_view(command).substr(colon + 1);
  parameters = mml::Trim(parameters.substr(0, parameters.find(';')));
  BlockOrder order;
  if (code == "RXBLI" || code == "RXBLE") {
    order.blocks = code == "RXBLI";
    order.object = ManagedObject(parameters);
  } else if (code == "TPBLI" || code == "TPBLE") {
    order.blocks = code == "TPBLI";
    order.object = Path(parameters);
  }
  if (order.object.empty()) return std::nullopt;
  return order;
}

void BlockedObjects::Add(std::string_view object) {
  if (std::find(objects_.begin(), objects_.end(), object) == objects_.end()) {
    objects_.emplace_back(object);
  }
}

void BlockedObjects::Remove(std::string_view object) { std::erase(objects_, object); }

std::string BlockedObjects::Joined() const {
  std::string text;
  for (const auto& object : objects_) {
    if (!text.empty()) text += ' ';
    text += object;
  }
  return text;
}

}  // namespace kestrel::dailycheck
