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

// A command as forms.txt lists it, written as the page writes it: "RXBLI:MO=<object>,FORCE;".
struct Form {
  std::string pages;  // ",proses,dailycheck,"
  std::string code;
  std::string text;
};

// The forms of KESTREL_FUZZ_FORMS, else of the forms.txt beside this file.
const std::vector<Form>& Forms() {
  static const std::vector<Form> forms = [] {
    const char* path = std::getenv("KESTREL_FUZZ_FORMS");
    std::ifstream in(path != nullptr ? path : KESTREL_FUZZ_DIR "/forms.txt");
    if (!in) throw std::runtime_error("the command forms cannot be read");
    std::vector<Form> read;
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      Form form;
      if (line.starts_with('#') || !(words >> form.pages >> form.code)) continue;
      form.pages = "," + form.pages + ",";
      form.text = form.code;
      char separator = ':';
      for (std::string parameter; words >> parameter; separator = ',') {
        form.text += separator + parameter;
      }
      form.text += ';';
      for (auto open = form.text.find('<'); open != std::string::npos;
           open = form.text.find('<', open + 1)) {
        if (!kShapes.contains(form.text.substr(open + 1, form.text.find('>', open) - open - 1))) {
          throw std::runtime_error("the form of " + form.code + " names no known shape");
        }
      }
      read.push_back(std::move(form));
    }
    return read;
  }();
  return forms;
}

// Why `line` does not fit `form`; empty when it does. A shape stands for the value up to the
// next "," or ";".
std::string FormFault(std::string_view form, std::string_view line) {
  const std::string whole(form);
  for (std::size_t open; (open = form.find('<')) != std::string_view::npos;) {
    if (line.substr(0, open) != form.substr(0, open)) break;
    const std::size_t close = form.find('>', open);
    const std::size_t end = std::min(line.find_first_of(",;", open), line.size());
    const std::string_view shape = form.substr(open + 1, close - open - 1);
    const std::string_view value = line.substr(open, end - open);
    if (!kShapes.find(shape)->second(value)) {
      return "the value \"" + std::string(value) + "\" is not " + std::string(shape);
    }
    form.remove_prefix(close + 1);
    line.remove_prefix(end);
  }
  return form == line ? "" : "not as the page builds " + whole;
}

std::string CommandFault(std::string_view page, std::string_view line) {
  if (!line.ends_with(';')) return "not a command of this page: no closing \";\"";
  const std::string_view code = line.substr(0, line.find_first_of(":;"));
  const std::string listed = "," + std::string(page) + ",";
  std::string fault = "\"" + std::string(code) + "\" is not a command this page sends";
  for (const Form& form : Forms()) {
    if (form.code != code || form.pages.find(listed) == std::string::npos) continue;
    fault = FormFault(form.text, line);
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
