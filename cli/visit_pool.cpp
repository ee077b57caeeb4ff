#include "cli/visit_pool.h"

#include <algorithm>
#include <iostream>

namespace kestrel::cli {

VisitPool::VisitPool(VisitSchedule schedule, const RecordLines& format)
    : schedule_(std::move(schedule)), format_(format), output_([](std::string_view text) {
        std::cout << text;
        std::cout.flush();
      }) {
  output_.Write(format_.Header());
}

std::size_t VisitPool::AddLane(controls::Memo& report, pages::Outcomes& outcomes,
                               PageOutput::TakeRecords take_records) {
  Lane& lane = lanes_.emplace_back();
  lane.output = std::make_unique<PageOutput>(report, format_, std::move(take_records));
  lane.outcomes = &outcomes;
  lane.changed = report.changed.Subscribe([this, &lane] { Collect(lane, false); });
  return lanes_.size() - 1;
}

void VisitPool::Collect(Lane& lane, bool all) {
  std::vector<std::string> lines;
  lane.output->Take(lines, all);
  for (std::string& line : lines) {
    // Written between two visits of the lane: it cannot wait for a visit of its own.
    if (!lane.visit) {
      output_.Write(line);
    } else {
      output_.Add(*lane.visit, std::move(line));
    }
  }
}

const std::string* VisitPool::Begin(std::size_t index, std::int64_t now) {
  Lane& lane = lanes_[index];
  if (lane.visit) return nullptr;
  const std::optional<std::uint64_t> visit = schedule_.Next(now);
  // A visit passed over has nothing to say: its turn in the output is over at once.
  for (std::size_t over = schedule_.TakePassedOver().size(); over > 0; --over) {
    output_.Close(output_.Open());
  }
  if (!visit) return nullptr;
  output_.Open();  // visits open in the order they are handed out: its number is the visit's
  lane.visit = visit;
  const std::string& element = schedule_.Element(*visit);
  ledger_.Seed(*lane.outcomes, element);
  return &element;
}

void VisitPool::End(std::size_t index, bool undone) {
  Lane& lane = lanes_[index];
  if (!lane.visit) return;
  Collect(lane, true);
  const std::uint64_t visit = *lane.visit;
  lane.visit.reset();
  ledger_.Take(*lane.outcomes, schedule_.Element(visit));
  output_.Close(visit);
  schedule_.Done(visit);
  if (undone) {
    ++undone_;
    first_undone_ = std::min(first_undone_.value_or(visit), visit);
  }
}

std::uint64_t VisitPool::UndoneCount() const {
  const std::uint64_t total = schedule_.Total();
  const std::uint64_t handed = schedule_.HandedOut();
  return undone_ + (total > handed ? total - handed : 0);
}

std::optional<std::string> VisitPool::FirstUndone() const {
  if (first_undone_) return schedule_.Element(*first_undone_);
  if (schedule_.Total() > schedule_.HandedOut()) return schedule_.Element(schedule_.HandedOut());
  return std::nullopt;
}

}  // namespace kestrel::cli
