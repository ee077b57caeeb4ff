#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scenario.h"

namespace kestrel::sim {

// Renders the exchange's answers: the lines after the command echo, up to and including
// "END" and the empty line that follows it (the prompt is the caller's).
class Printouts {
 public:
  // `time` is the "yymmdd hhmmss" text of the page headers.
  Printouts(const Scenario& scenario, const Element& element, std::string time);

  // The answer to one MML command, lines joined with CR LF.
  std::string Answer(std::string_view command) const;
  // The page header that also opens the MML dialogue.
  std::string PageHeader() const;

 private:
  std::string Paged(const std::vector<std::string>& lines) const;
  std::string CellLogicalChannels(std::string_view parameters) const;
  std::string AlarmList(std::string_view parameters) const;
  std::string AllAlarms() const;
  std::string PacketData() const;
  std::string NeighbourRelations(std::string_view parameters) const;
  std::string BroadcastMessages(std::string_view parameters) const;
  std::string BroadcastText(std::string_view parameters) const;
  std::string CellData(const std::string& code, std::string_view parameters) const;
  std::string SoftwareErrors() const;
  std::string TgOfCell(std::string_view parameters) const;
  std::string FaultInformation(std::string_view parameters) const;
  std::string AlarmSituation(std::string_view parameters) const;

  const Scenario& scenario_;
  const Element& element_;
  std::string time_;
};

// The header at the top of every page: working state, exchange, terminal and time.
std::string PageHeader(const Element& element, std::string_view time);
// The first line of an alarm in a list: class, exchange, alarm number, date and time.
std::string AlarmHeader(const Element& element, std::string_view alarm_class, std::uint64_t number,
                        std::string_view time);

// "NOT ACCEPTED" with its fault code and text, as the exchange refuses a command.
std::string NotAccepted(int fault_code, std::string_view text);

}  // namespace kestrel::sim
