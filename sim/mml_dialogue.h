#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/endless_printout.h"
#include "sim/faults.h"
#include "sim/scenario.h"

namespace kestrel::sim {

// The MML dialogue with one element, after its prompt: printouts, and the orders that
// change the network (block, deblock, end and start of service), which the exchange carries
// out only once they are confirmed with ";" at the prompt it shows after them.
class MmlDialogue {
 public:
  MmlDialogue(Scenario& scenario, Element& element, Faults& faults,
              std::function<std::string()> time, std::function<void(const std::string&)> log);

  // What the exchange prints for one typed line, the echo excluded; ends with the prompt,
  // except for a printout without end, whose first page it gives.
  std::string Answer(const std::string& line);
  // True once a printout without end has begun; the dialogue then takes no more commands.
  bool Endless() const { return endless_.has_value(); }
  std::string MoreOfEndlessPrintout() { return endless_ ? endless_->NextPage() : std::string(); }

 private:
  std::optional<std::string> Refusal(const std::string& line) const;
  std::string Order(const std::string& command);
  std::string Execute(const std::string& command);

  Scenario& scenario_;
  Element& element_;
  Faults& faults_;
  std::function<std::string()> time_;
  std::function<void(const std::string&)> log_;
  std::optional<std::string> awaiting_confirmation_;
  std::optional<EndlessPrintout> endless_;
};

}  // namespace kestrel::sim
