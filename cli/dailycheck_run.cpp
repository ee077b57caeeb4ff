#include "cli/dailycheck_run.h"

#include <algorithm>
#include <limits>

#include "platform/dispatch.h"

namespace kestrel::cli {

namespace {
Record AsRecord(const dailycheck::DailyCheckPage::Finding& finding) {
  return {{"element", finding.element}, {"time", finding.time}, {"class", finding.alarm_class},
          {"slogan", finding.slogan},   {"kind", finding.kind}, {"line", finding.line}};
}
}  // namespace

DailyCheckRun::DailyCheckRun(const Setup& setup, std::vector<std::string> elements,
                             std::uint64_t passes, int parallel, const RecordLines& format)
    : clock_(setup.clock), pool_(VisitSchedule(elements, passes), format) {
  pool_.Schedule().Pace(setup.min_cycle_s * std::int64_t{1000}, setup.retry_s * std::int64_t{1000});
  const std::size_t count = VisitPool::LaneCount(parallel, elements.size());
  for (std::size_t i = 0; i < count; ++i) {
    mml::TelnetClient& telnet = setup.sessions.Client("dailycheck");
    Lane& lane = lanes_.emplace_back();
    lane.telnet = &telnet;
    lane.sound = setup.make_sound();
    lane.page = std::make_unique<dailycheck::DailyCheckPage>(
        telnet, setup.properties,
        dailycheck::DailyCheckPage::Ports{setup.clock, setup.files, *lane.sound, setup.dialogs},
        setup.report_root, setup.known_alarms, setup.sounds_folder);
    dailycheck::DailyCheckPage& page = *lane.page;
    setup.sessions.Describe(
        telnet, [&page] { return std::string(page.ListBoxdc.First()); }, &page.Memoreportdc);
    page.SetMaxPrintout(setup.max_printout);
    // Nobody picks from the alarm pick list here: no page keeps a copy of the whole list.
    page.ComboBox2 = controls::ComboBox();
    page.RecordResults = format.format() != Format::kText;
    if (setup.configure) setup.configure(page);
    page.SetPassWatch(setup.watch);
    if (i > 0) page.CountRefusalsWith(*lanes_.front().page);
    lane.watchdog = std::make_unique<platform::QtTimerDriver>(page.Timerdc);
    lane.release = std::make_unique<platform::QtTimerDriver>(page.Timerdc_release);
    pool_.AddLane(page.Memoreportdc, page.Outcomes, RecordsOf(page.Results, AsRecord));
    page.BeforeNextElement = [this, i] { return NextVisit(i); };
    lane.session_shown = page.Animate2.changed.Subscribe([this] { wake_.start(); });
  }
  wake_.setSingleShot(true);
  wake_.setInterval(0);
  QObject::connect(&wake_, &QTimer::timeout, [this] { platform::Dispatch([this] { Wake(); }); });
  pace_.setSingleShot(true);
  QObject::connect(&pace_, &QTimer::timeout, [this] { platform::Dispatch([this] { Wake(); }); });
}

void DailyCheckRun::Hand(std::size_t index) {
  dailycheck::DailyCheckPage& page = *lanes_[index].page;
  const std::vector<std::string>& elements = pool_.Schedule().Elements();
  const std::size_t size = elements.size();
  const std::size_t first = static_cast<std::size_t>(pool_.Visit(index).value_or(0) % size);
  page.ListBoxdc.Clear();
  for (std::size_t k = 0; k < size; ++k) page.ListBoxdc.Add(elements[(first + k) % size]);
}

// The first page starts as one page would, so that a gateway out of reach ends the run with
// its error; the others start as the cycle goes on, with a connection that fails left to
// their watchdogs.
void DailyCheckRun::Start() {
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    if (pool_.Begin(i, clock_.SteadyMs()) == nullptr) break;
    Hand(i);
    if (i == 0) {
      lanes_[i].page->StartdcClick();
    } else {
      lanes_[i].page->StartdcInCycle();
    }
  }
}

bool DailyCheckRun::NextVisit(std::size_t index) {
  if (!pool_.Visiting(index)) return false;
  EndVisit(index);
  wake_.start();  // the element that is free now may be the one another lane waits for
  if (pool_.Begin(index, clock_.SteadyMs()) == nullptr) {
    WaitForPace();
    return false;
  }
  Hand(index);
  return true;
}

void DailyCheckRun::EndVisit(std::size_t index) {
  const std::string element = pool_.Schedule().Element(*pool_.Visit(index));
  pool_.Schedule().Settle(element, lanes_[index].page->LastVisitChecked(), clock_.SteadyMs());
  ++completed_;
  pool_.End(index);
}

void DailyCheckRun::WaitForPace() {
  const std::optional<std::int64_t> until = pool_.Schedule().WaitsUntil();
  if (!until || pool_.Schedule().Exhausted()) return;
  const std::int64_t ms = std::max<std::int64_t>(*until - clock_.SteadyMs(), 0);
  pace_.start(static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max())));
}

// A lane at rest has neither a session nor its watchdog running. A page whose session ended
// early waits for its watchdog before it goes on to the next element; when there is none to
// go on to, that wait would only hold the end of the run, so the visit is over now.
void DailyCheckRun::Wake() {
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    Lane& lane = lanes_[i];
    if (pool_.Visiting(i) && pool_.Schedule().Exhausted() && !lane.telnet->Connected() &&
        lane.page->Timerdc.Enabled()) {
      lane.page->Timerdc.SetEnabled(false);
      EndVisit(i);
    }
  }
  for (std::size_t i = 0; i < lanes_.size(); ++i) {
    const Lane& lane = lanes_[i];
    if (pool_.Visiting(i) || lane.telnet->Connected() || lane.page->Timerdc.Enabled()) continue;
    if (pool_.Begin(i, clock_.SteadyMs()) == nullptr) {
      WaitForPace();  // the next visit waits for its element, its pace, or none is left
      return;
    }
    Hand(i);
    lane.page->StartdcInCycle();
  }
}

void DailyCheckRun::Stop() {
  pool_.Schedule().Close();
  wake_.stop();
  pace_.stop();
  for (Lane& lane : lanes_) {
    lane.page->StopdcClick();
    lane.page->Timerdc.SetEnabled(false);
  }
}

bool DailyCheckRun::Running() const {
  if ((wake_.isActive() || pace_.isActive()) && !pool_.Schedule().Exhausted()) return true;
  return std::any_of(lanes_.begin(), lanes_.end(), [](const Lane& lane) {
    return lane.telnet->Connected() || lane.page->Timerdc.Enabled();
  });
}

std::string DailyCheckRun::Unfinished() const {
  const std::uint64_t total = pool_.Schedule().Total();
  const std::uint64_t over = completed_ + pool_.Schedule().PassedOverCount();
  if (total == 0 || over >= total) return "";
  return std::to_string(total - over) + " element visit(s) not done";
}

Job DailyCheckRun::MakeJob(int timeout_s) {
  return {[this] { return Running(); },
          [this](bool) {
            wake_.stop();
            pace_.stop();
            for (std::size_t i = 0; i < lanes_.size(); ++i) pool_.End(i);
          },
          [this] { Start(); },
          [this] { Stop(); },
          [this] { return Unfinished(); },
          timeout_s,
          [this] { return pool_.Ledger().All(); },
          pool_.Schedule().Elements(),
          pool_.Schedule().Total() == 0};
}

}  // namespace kestrel::cli
