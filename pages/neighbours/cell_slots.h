#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::neighbours {

// The cell parameters collected for one cell, in this order of slots.
enum Slot {
  kCgi,
  kBsic,
  kBcchno,
  kCsystype,
  kMstxpwr,
  kBspwr,
  kBstxpwr,
  kBsrxmin,
  kAw,
  kScho,
  kBsrxsuff,
  kMsrxmin,
  kMsrxsuff,
  kLayer,
  kLayerthr,
  kLayerhyst,
  kSlots
};
using CellRecord = std::array<std::string, kSlots>;

struct Heading {
  std::string_view text;
  Slot slot;
  std::size_t width;
};

// One of the four printouts of a cell: its command code and the headings read from it.
struct Printout {
  std::string_view code;
  std::vector<Heading> headings;
};

// RLDEP, RLCPP, RLLOP, RLLHP, in the order a cell's chain sends them.
const std::array<Printout, 4>& Chain();

// The parameter's name as the script writes it ("BCCHNO").
std::string_view SlotName(Slot slot);
// The code of the command whose printout holds the slot ("RLDEP").
std::string_view CodeOfSlot(Slot slot);

// True when `value` has the shape of the slot's parameter, so that it can stand in an order:
// a ";" or "," inside it would change the order that the engineer runs.
bool FitsSlot(Slot slot, std::string_view value);

}  // namespace kestrel::neighbours
