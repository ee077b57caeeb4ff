#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::sim {

struct Cell {
  std::string name;
  std::string sctype;  // subcell type, empty for a cell without subcells
  std::string active;  // state of the cell's logical channels: "YES", "NO" or empty
};

struct Element {
  std::string name;      // as selected after "NE=", ",PROT=V24" suffix included
  std::string exchange;  // the name in the page headers
  std::string terminal = "AD-739";
  bool is_bsc = false;
  std::vector<Cell> cells;
};

// The network behind the simulated gateway.
struct Scenario {
  std::string user = "kestrel";
  std::string password = "kestrel";
  // Lines per printout page; a page header starts every page.
  int page_length = 24;
  std::vector<Element> elements;

  const Element* Find(std::string_view name) const;

  // Reads a scenario from JSON text; throws std::runtime_error saying what is wrong.
  static Scenario FromJson(std::string_view json);
  // The demo network that ships with the simulator.
  static Scenario Demo();
};

}  // namespace kestrel::sim
