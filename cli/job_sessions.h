#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "cli/connection_options.h"
#include "controls/memo.h"
#include "mml/properties_form.h"
#include "mml/session_record.h"
#include "net/qt_client.h"
#include "platform/qt_timer.h"
#include "platform/session_log.h"

namespace kestrel::cli {

// The telnet clients of one job: each a real client aimed at the gateway, recorded into the
// session log (unless the log is off).
class JobSessions {
 public:
  JobSessions(const Connection& connection, const mml::PropertiesForm& properties);

  // A client for `page` ("rlslp", "proses", ...), aimed at the gateway.
  mml::TelnetClient& Client(const std::string& page);
  // What the log of `client` needs from its page, once the page exists: the element its next
  // session selects, and the pane where a log that cannot be written is said (besides
  // standard error).
  void Describe(const mml::TelnetClient& client, std::function<std::string()> element,
                controls::Memo* pane);

 private:
  // Entries stay where they are in the deque, so the log's callbacks may point at them.
  struct Entry {
    std::unique_ptr<net::QtClient> client;
    std::function<std::string()> element;
    controls::Memo* pane = nullptr;
    std::unique_ptr<mml::RecordedTelnetClient> recorded;
    std::unique_ptr<platform::QtTimerDriver> quiet;  // of `recorded`, so it goes first
  };

  const Connection& connection_;
  const mml::PropertiesForm& properties_;
  std::unique_ptr<platform::FileSessionRecorder> recorder_;
  std::deque<Entry> entries_;
};

}  // namespace kestrel::cli
