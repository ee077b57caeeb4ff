#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "cli/connection_options.h"
#include "controls/memo.h"
#include "mml/properties_form.h"
#include "mml/session_record.h"
#include "net/qt_telnet_client.h"
#include "platform/session_log.h"

namespace kestrel::cli {

// The telnet clients of one job: each a real client aimed at the gateway, recorded into the
// session log (unless the log is off), and held to the job's time-out while it connects.
class JobSessions {
 public:
  JobSessions(const Connection& connection, const mml::PropertiesForm& properties);

  // A client for `page` ("rlslp", "proses", ...). `element` names the element its next
  // session selects; a log that cannot be written is said on standard error and in `pane`.
  mml::TelnetClient& Client(const std::string& page, std::function<std::string()> element,
                            controls::Memo* pane = nullptr);
  // No connect of this job waits beyond this moment.
  void SetDeadline(std::chrono::steady_clock::time_point deadline);

 private:
  const Connection& connection_;
  const mml::PropertiesForm& properties_;
  std::unique_ptr<platform::FileSessionRecorder> recorder_;
  std::deque<std::unique_ptr<net::QtTelnetClient>> clients_;
  std::deque<std::unique_ptr<mml::RecordedTelnetClient>> recorded_;
};

}  // namespace kestrel::cli
