#include "cli/rlslp_run.h"

#include <algorithm>

#include "platform/dispatch.h"

namespace kestrel::cli {

namespace {
Record AsRecord(const rlslp::RlslpPage::InactiveCell& cell) {
  return {{"element", cell.bsc}, {"cell", cell.cell}, {"active", cell.active}};
}
}  // namespace

RlslpRun::RlslpRun(JobSessions& sessions, const mml::PropertiesForm& properties,
                   std::size_t max_printout, std::vector<std::string> elements, int parallel,
                   const RecordLines& format)
    : pool_(VisitSchedule(elements, 1), format) {
  const std::size_t count = VisitPool::LaneCount(parallel, elements.size());
  for (std::size_t i = 0; i < count; ++i) {
    mml::TelnetClient& telnet = sessions.Client("rlslp");
    Lane& lane = lanes_.emplace_back();
    lane.page = std::make_unique<rlslp::RlslpPage>(telnet, properties);
    rlslp::RlslpPage& page = *lane.page;
    sessions.Describe(
        telnet, [&page] { return std::string(page.SlpListBox.First()); }, &page.SlpreportMemo);
    page.SetMaxPrintout(max_printout);
    pool_.AddLane(page.SlpreportMemo, page.Outcomes, RecordsOf(page.Results, AsRecord));
    // The page's button goes back to "Start" when its BSC's check has ended, whatever ended
    // it; what comes next is decided once the page's handler has returned.
    lane.caption = page.SlpstartButton.changed.Subscribe([this, &lane, i] {
      if (lane.page->SlpstartButton.Caption() != "Start" || !pool_.Visiting(i)) return;
      lane.ended = true;
      settle_.start();
    });
  }
  settle_.setSingleShot(true);
  settle_.setInterval(0);
  QObject::connect(&settle_, &QTimer::timeout,
                   [this] { platform::Dispatch([this] { Settle(); }); });
}

void RlslpRun::Start() {
  for (std::size_t i = 0; i < lanes_.size(); ++i) StartLane(i);
}

// The lane's next BSC, when there is one: a queue of that BSC alone, and Start.
void RlslpRun::StartLane(std::size_t index) {
  const std::string* element = pool_.Begin(index);
  if (element == nullptr) return;
  rlslp::RlslpPage& page = *lanes_[index].page;
  page.SlpListBox.Clear();
  page.SlpListBox.Add(*element);
  page.SlpstartButtonClick();
}

void RlslpRun::Settle() {
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    Lane& lane = lanes_[i];
    if (!lane.ended) continue;
    lane.ended = false;
    // A BSC still queued was not checked: the page stopped before it.
    const bool undone = !lane.page->SlpListBox.Empty();
    if (undone && (lanes_.size() <= 1 || lane.page->LoginRefused())) pool_.Schedule().Close();
    pool_.End(i, undone);
  }
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    if (!pool_.Visiting(i)) StartLane(i);
  }
}

void RlslpRun::Stop() {
  pool_.Schedule().Close();
  for (Lane& lane : lanes_) {
    if (lane.page->SlpstartButton.Caption() == "Stop") lane.page->SlpstartButtonClick();
  }
}

bool RlslpRun::Running() const {
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    if (pool_.Visiting(i)) return true;
  }
  return false;
}

std::string RlslpRun::Unfinished() const {
  const std::uint64_t undone = pool_.UndoneCount();
  if (undone == 0) return "";
  return std::to_string(undone) + " BSC(s) not checked, from " + pool_.FirstUndone().value_or("");
}

Job RlslpRun::MakeJob(int timeout_s) {
  return {[this] { return Running(); },
          [this](bool) {
            settle_.stop();
            for (std::size_t i = 0; i < lanes_.size(); ++i) {
              pool_.End(i, !lanes_[i].page->SlpListBox.Empty());
            }
          },
          [this] { Start(); },
          [this] { Stop(); },
          [this] { return Unfinished(); },
          timeout_s,
          [this] { return pool_.Ledger().All(); },
          pool_.Schedule().Elements()};
}

}  // namespace kestrel::cli
