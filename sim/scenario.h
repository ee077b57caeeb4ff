#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::sim {

struct Cell {
  std::string name;
  std::string sctype;  // subcell type, empty for a cell without subcells
  std::string active;  // state of the cell's logical channels: "YES", "NO" or empty
  // Channel counts in the channel state printout; what stands there, numbers or not.
  std::string nch_sdcch = "7";
  std::string nch_tch = "14";
  int tg = -1;          // the transceiver group serving the cell; -1: none
  bool outage = false;  // listed in the outage alarm category
  // Cell parameters by name (CGI, BSIC, BCCHNO, CSYSTYPE, MSTXPWR, BSPWR, BSTXPWR, BSRXMIN,
  // AW, SCHO, BSRXSUFF, MSRXMIN, MSRXSUFF, LAYER, LAYERTHR, LAYERHYST); Parameter() gives
  // a plausible value for those the scenario leaves out.
  std::map<std::string, std::string> parameters = {};
  // NUMREQEGPRSBPC rows (up to three) and the cell broadcast messages.
  std::vector<std::string> egprs = {"0"};
  struct Message {
    std::string id, code, text;
    // When set, the text printout has a DCS column right of TEXT with this value, and a long
    // text wraps within its field.
    std::string dcs = {};
  };
  std::vector<Message> messages = {};
  std::vector<std::string> neighbours = {};  // names of its neighbour cells, on any BSC
  std::string Parameter(const std::string& name) const;
};

// A managed object of the radio equipment and what is wrong with it.
struct ManagedObject {
  std::string name;   // "RXOTRX-12-0", "RXOTS-12-0-3", ...
  std::string fault;  // "PERMANENT FAULT", "TS SYNC FAULT", both, another text, or empty
  bool repairable = true;
  // State that orders change.
  bool blocked = false;
  bool tested = false;  // loop-tested or tested since its block

  bool Faulty() const { return !fault.empty(); }
  // The TG the object belongs to: the number after the class ("RXOTS-12-0-3" -> 12), or -1.
  int Tg() const;
  bool Timeslot() const { return name.starts_with("RXOTS"); }
};

// An alarm in the element's alarm list, and the command that clears it when carried out.
struct Alarm {
  std::string alarm_class = "A2/APT";
  std::string slogan;
  std::vector<std::string> details;  // the rows below the slogan
  std::string cleared_by;            // a command code, such as "SETAR", or a command prefix
};

struct Element {
  std::string name;      // as selected after "NE=", ",PROT=V24" suffix included
  std::string exchange;  // the name in the page headers
  std::string terminal = "AD-739";
  bool is_bsc = false;
  std::vector<Cell> cells;
  std::vector<ManagedObject> objects;  // faulty ones; healthy ones appear when ordered
  std::vector<Alarm> alarms;
  std::vector<std::string> events;  // software error event codes the survey names
  int extra_alarms = 0;             // plain external alarms, to make a long alarm list

  const Cell* FindCell(std::string_view cell_name) const;

  // The object, made healthy on first use when its TG belongs to this element.
  ManagedObject* Object(std::string_view object_name);
  bool HasTg(int tg) const;
};

// The network behind the simulated gateway.
struct Scenario {
  std::string user = "kestrel";
  std::string password = "kestrel";
  // The user's public keys for SSH logins (OpenSSH's "type base64 comment" lines).
  std::vector<std::string> ssh_keys;
  // Lines per printout page; a page header starts every page.
  int page_length = 24;
  std::vector<Element> elements;

  const Element* Find(std::string_view name) const;
  Element* Find(std::string_view name) {
    return const_cast<Element*>(static_cast<const Scenario*>(this)->Find(name));
  }

  // Reads a scenario from JSON text; throws std::runtime_error saying what is wrong.
  static Scenario FromJson(std::string_view json);
  // The demo network that ships with the simulator.
  static Scenario Demo();
};

}  // namespace kestrel::sim
