// The checker of the lines a page sends (SentLineFault in rig.h), against the forms of
// forms.txt.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "mml/shapes.h"
#include "tests/fuzz/rig.h"

namespace kestrel::fuzz {

namespace {

bool NumberAfter(std::string_view value, std::string_view prefix) {
  return value.starts_with(prefix) && mml::IsNumber(value.substr(prefix.size()), 4);
}

using Shape = bool (*)(std::string_view);
const std::map<std::string, Shape, std::less<>> kShapes = {
    {"cell", [](std::string_view v) { return mml::IsCellName(v); }},
    {"cell-or-all", [](std::string_view v) { return v == "ALL" || mml::IsCellName(v); }},
    {"route", [](std::string_view v) { return mml::IsRouteName(v); }},
    {"number4", [](std::string_view v) { return mml::IsNumber(v, 4); }},
    {"number5", [](std::string_view v) { return mml::IsNumber(v, 5); }},
    {"path", [](std::string_view v) { return mml::IsPathName(v); }},
    {"event", [](std::string_view v) { return mml::IsEventCode(v); }},
    {"object", [](std::string_view v) { return mml::IsManagedObject(v); }},
    {"tg", [](std::string_view v) { return NumberAfter(v, "RXOTG-"); }},
    {"cf", [](std::string_view v) { return NumberAfter(v, "RXOCF-"); }},
};

struct Form {
  std::string pages;  // ",proses,dailycheck,"
  std::string code;
  std::vector<std::string> parameters;
};

// The forms of KESTREL_FUZZ_FORMS, else of the forms.txt beside this file.
const std::vector<Form>& Forms() {
  static const std::vector<Form> forms = [] {
    const char* path = std::getenv("KESTREL_FUZZ_FORMS");
    std::ifstream in(path != nullptr ? path : KESTREL_FUZZ_FORMS_FILE);
    if (!in) throw std::runtime_error("the command forms cannot be read");
    std::vector<Form> read;
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      Form form;
      if (line.starts_with('#') || !(words >> form.pages >> form.code)) continue;
      form.pages = "," + form.pages + ",";
      for (std::string parameter; words >> parameter;) {
        const auto open = parameter.find("=<");
        if (open != std::string::npos &&
            !kShapes.contains(parameter.substr(open + 2, parameter.size() - open - 3))) {
          throw std::runtime_error("the form of " + form.code + " names no known shape");
        }
        form.parameters.push_back(parameter);
      }
      read.push_back(std::move(form));
    }
    return read;
  }();
  return forms;
}

// Why `text` does not match `form` ("KEY", "KEY=VALUE" or "KEY=<shape>"); empty when it does.
std::string ParameterFault(std::string_view form, std::string_view text) {
  const auto open = form.find("=<");
  if (open == std::string_view::npos) {
    return text == form
               ? ""
               : "\"" + std::string(text) + "\" stands where the page puts " + std::string(form);
  }
  const std::string key(form.substr(0, open + 1));
  if (!text.starts_with(key)) {
    return "\"" + std::string(text) + "\" stands where the page puts " + key;
  }
  const std::string_view shape = form.substr(open + 2, form.size() - open - 3);
  const std::string_view value = text.substr(key.size());
  if (kShapes.find(shape)->second(value)) return {};
  return key + " value \"" + std::string(value) + "\" is not " + std::string(shape);
}

std::string CommandFault(std::string_view page, std::string_view line) {
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
  const std::string listed = "," + std::string(page) + ",";
  std::string fault = "\"" + std::string(code) + "\" is not a command this page sends";
  for (const Form& form : Forms()) {
    if (form.code != code || form.pages.find(listed) == std::string::npos) continue;
    fault.clear();
    if (parameters.size() != form.parameters.size()) {
      fault = "has " + std::to_string(parameters.size()) + " parameters where the page builds " +
              std::to_string(form.parameters.size());
    }
    for (std::size_t k = 0; k < parameters.size() && fault.empty(); ++k) {
      fault = ParameterFault(form.parameters[k], parameters[k]);
    }
    if (fault.empty()) return {};
  }
  return fault;
}

}  // namespace

std::string SentLineFault(std::string_view page, const Elements& elements, std::string_view line) {
  // The pages that confirm orders with ";", release the element with Ctrl-D and bring the
  // prompt back with an empty line.
  const bool dialogue = page == "proses" || page == "dailycheck";
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
  if (line == kUser || line == kPassword) return {};
  if (line.starts_with("NE=")) {
    const std::string_view element = line.substr(3);
    if (std::find(elements.begin(), elements.end(), element) != elements.end()) return {};
    return "selects the element \"" + std::string(element) + "\", which was not chosen";
  }
  return CommandFault(page, line);
}

}  // namespace kestrel::fuzz
