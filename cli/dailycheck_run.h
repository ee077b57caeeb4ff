#pragma once

#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "cli/result_format.h"
#include "cli/visit_pool.h"
#include "pages/dailycheck/dailycheck_page.h"
#include "platform/qt_timer.h"

namespace kestrel::cli {

// The Daily check of a list of elements on up to `parallel` sessions at once: each a page of
// its own, with its own pacing, release pauses and watchdog, that visits one element at a
// time; the report comes out visit by visit in list order, as one page going round the list
// would write it. `passes` times through the list; 0 for a run until it is stopped.
//
// Each page's list is the whole list, turned to begin at the element of its visit, so that
// it counts refusals in a row against the whole list as one page would (the pages count
// them together).
class DailyCheckRun {
 public:
  struct Setup {
    JobSessions& sessions;
    const mml::PropertiesForm& properties;
    const platform::Clock& clock;
    platform::Files& files;
    platform::FileDialogs& dialogs;
    // Each page has a sound of its own: a Stop on one lane cuts only that lane's warning.
    std::function<std::unique_ptr<platform::Sound>()> make_sound;
    std::string report_root;
    std::shared_ptr<const dailycheck::KnownAlarms> known_alarms;
    std::string sounds_folder;
    std::size_t max_printout;
    // The engineer's choices, made on every page: filter, solutions, sound, watchdog.
    std::function<void(dailycheck::DailyCheckPage&)> configure;
    // The pace of the run: the shortest cycle over the list and the first back-off, seconds.
    int min_cycle_s = 0;
    int retry_s = 0;
    // Where every lane's passes go (the history, the metrics file); none: nowhere.
    dailycheck::PassWatch* watch = nullptr;
  };
  DailyCheckRun(const Setup& setup, std::vector<std::string> elements, std::uint64_t passes,
                int parallel, const RecordLines& format);
  DailyCheckRun(const DailyCheckRun&) = delete;
  DailyCheckRun& operator=(const DailyCheckRun&) = delete;

  Job MakeJob(int timeout_s);

 private:
  struct Lane {
    mml::TelnetClient* telnet;
    std::unique_ptr<platform::Sound> sound;
    std::unique_ptr<dailycheck::DailyCheckPage> page;
    std::unique_ptr<platform::QtTimerDriver> watchdog, release;
    controls::Notifier::Subscription session_shown;  // the page's busy sign: a session ends
  };

  void Start();
  // The page's question before each restart of its cycle: the visit that ended is settled,
  // and the page goes on with the next visit, if there is one for it now.
  bool NextVisit(std::size_t index);
  // Gives the lane's page the element of its visit at the head of its list.
  void Hand(std::size_t index);
  // Lanes at rest take up visits that may start now; a visit that ended early with nothing
  // left to hand out is over at once.
  void Wake();
  void Stop();
  bool Running() const;
  std::string Unfinished() const;

  // The lane's visit is over: its element's back-off is settled, and the pool told.
  void EndVisit(std::size_t index);
  // Starts the wake-up for when the pace lets the next visit begin.
  void WaitForPace();

  const platform::Clock& clock_;
  VisitPool pool_;
  std::deque<Lane> lanes_;
  std::uint64_t completed_ = 0;  // visits that came to their page's restart
  QTimer wake_;
  QTimer pace_;
};

}  // namespace kestrel::cli
