#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::dailycheck {

// An order of the solution queue that blocks or deblocks an object of the network: a managed
// object ("RXBLI:MO=RXOCF-12  ;" blocks RXOCF-12, "RXBLE" deblocks it) or a transmission path
// ("TPBLI:SDIP=RSDIP12,LP=VC12-1 ;" blocks SDIP=RSDIP12,LP=VC12-1, "TPBLE" deblocks it).
// Entries typed into the queue by the engineer are read the same way.
struct BlockOrder {
  bool blocks = false;
  // The object as the engineer names it: values without the blanks that pad them.
  std::string object;
};

// The order `entry` gives, if it blocks or deblocks something.
std::optional<BlockOrder> ReadBlockOrder(std::string_view entry);

// What one visit has blocked and not yet seen deblocked, in the order it was blocked.
class BlockedObjects {
 public:
  void Add(std::string_view object);
  void Remove(std::string_view object);
  bool Empty() const { return objects_.empty(); }
  const std::vector<std::string>& Objects() const { return objects_; }
  // The objects joined by blanks (a path name holds a comma).
  std::string Joined() const;

 private:
  std::vector<std::string> objects_;
};

}  // namespace kestrel::dailycheck
