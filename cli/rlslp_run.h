#pragma once

#include <QTimer>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "cli/job_runner.h"
#include "cli/job_sessions.h"
#include "cli/result_format.h"
#include "cli/visit_pool.h"
#include "pages/rlslp/rlslp_page.h"

namespace kestrel::cli {

// The RLSLP check of a list of BSCs on up to `parallel` sessions at once, each a page of its
// own that checks one BSC at a time; the report comes out BSC by BSC in list order, as one
// page checking the list would write it.
//
// A refused login stops the check before the next BSC, as on one page: the same user and
// password would be refused for every BSC. With one session, a lost connection or a gateway
// at its limit of sessions stops it too, as the page does; with several, they end only their
// own BSC (a gateway that allows fewer sessions than asked for refuses the ones beyond), and
// the others go on.
class RlslpRun {
 public:
  RlslpRun(JobSessions& sessions, const mml::PropertiesForm& properties, std::size_t max_printout,
           std::vector<std::string> elements, int parallel, const RecordLines& format);
  RlslpRun(const RlslpRun&) = delete;
  RlslpRun& operator=(const RlslpRun&) = delete;

  Job MakeJob(int timeout_s);

 private:
  struct Lane {
    std::unique_ptr<rlslp::RlslpPage> page;
    controls::Notifier::Subscription caption;
    bool ended = false;  // its BSC's check ended; settled on the next turn of the event loop
  };

  void Start();
  void StartLane(std::size_t index);
  void Settle();
  void Stop();
  bool Running() const;
  std::string Unfinished() const;

  VisitPool pool_;
  std::deque<Lane> lanes_;
  QTimer settle_;
};

}  // namespace kestrel::cli
