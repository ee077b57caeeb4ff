#include "sim/mml_dialogue.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "sim/printouts.h"

namespace kestrel::sim {

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// "RXBLI:MO=RXOTS-12-0-3,FORCE;" -> "RXOTS-12-0-3".
std::string ObjectOf(const std::string& command) {
  const std::size_t start = command.find("MO=");
  if (start == std::string::npos) return {};
  const std::size_t end = command.find_first_of(",;", start);
  return command.substr(start + 3, end == std::string::npos ? std::string::npos : end - start - 3);
}

constexpr const char* kExecuted = "EXECUTED\r\n\r\n";

}  // namespace

MmlDialogue::MmlDialogue(Scenario& scenario, Element& element, Faults& faults,
                         std::function<std::string()> time,
                         std::function<void(const std::string&)> log)
    : scenario_(scenario),
      element_(element),
      faults_(faults),
      time_(std::move(time)),
      log_(std::move(log)) {}

std::string MmlDialogue::Answer(const std::string& typed) {
  const std::string line = Upper(typed);
  const std::optional<std::string> awaiting = std::exchange(awaiting_confirmation_, std::nullopt);
  const std::optional<std::string> refusal = Refusal(line);
  if (awaiting && line == ";" && !refusal) {
    if (!StartsAny(faults_.refuse_confirmation, *awaiting)) {
      return "\r\n" + Execute(*awaiting) + "<";
    }
    log_("confirmation refused: " + *awaiting);
    return "\r\n" + NotAccepted(31, "FUNCTION NOT PERFORMED") + "<";
  }
  if (awaiting) log_("not confirmed: " + *awaiting);
  if (refusal) {
    log_("refused " + line);
    return *refusal;
  }
  if (StartsAny(faults_.endless_printout, line)) {
    endless_.emplace(scenario_, element_, time_());
    return "\r\n" + endless_->NextPage();
  }
  if (line.empty()) return "\r\n<";
  const std::string code = line.substr(0, 5);
  if (code == "RXBLI" || code == "RXBLE" || code == "RXESE" || code == "RXESI") return Order(line);
  if (code == "RXTEI" || code == "RXLTI") return "\r\n" + Execute(line) + "<";
  // Orders of the alarm solutions; those that change the network ask for ";" first.
  if (code == "TPBLI" || code == "SYRAE" || code == "SAALI") {
    awaiting_confirmation_ = line;
    return "\r\n<";
  }
  if (code == "SEQAR" || code == "SETAR" || code == "C7ERR" || code == "TPBLE") {
    return "\r\n" + Execute(line) + "<";
  }
  if (code == "ALLIP" && faults_.busy_allip > 0) {
    --faults_.busy_allip;
    return "\r\nFUNCTION BUSY\r\n\r\n<";
  }
  return "\r\n" + Printouts(scenario_, element_, time_()).Answer(line) + "<";
}

// The refusal that the faults ask for instead of the line's own answer, if any.
std::optional<std::string> MmlDialogue::Refusal(const std::string& line) const {
  if (StartsAny(faults_.unknown, line)) return "\r\nCOMMAND UNKNOWN\r\n\r\n<";
  if (StartsAny(faults_.busy, line)) return "\r\nFUNCTION BUSY\r\n\r\n<";
  if (StartsAny(faults_.refuse, line)) {
    return "\r\n" + NotAccepted(1, "UNREASONABLE VALUE") + "<";
  }
  return std::nullopt;
}

// An order is checked at once and carried out when confirmed.
std::string MmlDialogue::Order(const std::string& command) {
  if (!element_.is_bsc) return "\r\n" + NotAccepted(1, "UNREASONABLE VALUE") + "<";
  if (element_.Object(ObjectOf(command)) == nullptr) {
    return "\r\n" + NotAccepted(20, "MANAGED OBJECT NOT DEFINED\r\nMO=" + ObjectOf(command)) + "<";
  }
  awaiting_confirmation_ = command;
  return "\r\n<";
}

std::string MmlDialogue::Execute(const std::string& command) {
  // An alarm clears when the command named as its solution is carried out.
  std::erase_if(element_.alarms, [&](const Alarm& alarm) {
    const bool clears = !alarm.cleared_by.empty() && command.starts_with(alarm.cleared_by);
    if (clears) log_("cleared " + alarm.slogan);
    return clears;
  });
  if (command.starts_with("SYRAE:EVENT=")) {
    std::erase(element_.events, command.substr(12, command.size() - 13));
  }
  if (command.find("MO=") == std::string::npos) {
    log_("executed " + command);
    return kExecuted;
  }
  ManagedObject* object = element_.Object(ObjectOf(command));
  if (object == nullptr)
    return NotAccepted(20, "MANAGED OBJECT NOT DEFINED\r\nMO=" + ObjectOf(command));
  const std::string code = command.substr(0, 5);
  if (code == "RXBLI") {
    object->blocked = true;
    object->tested = false;
  } else if (code == "RXTEI" || code == "RXLTI") {
    if (!object->blocked)
      return NotAccepted(30, "MANAGED OBJECT NOT BLOCKED\r\nMO=" + object->name);
    object->tested = true;
  } else if (code == "RXBLE") {
    if (!object->blocked)
      return NotAccepted(31, "MANAGED OBJECT NOT BLOCKED\r\nMO=" + object->name);
    object->blocked = false;
    // A reset mends what can be mended: a timeslot only once it has been tested.
    if (object->Faulty() && object->repairable && (!object->Timeslot() || object->tested)) {
      log_("repaired " + object->name);
      object->fault.clear();
    }
  }
  log_("executed " + code + " " + object->name);
  return kExecuted;
}

}  // namespace kestrel::sim
