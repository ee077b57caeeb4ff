#include "cli/job_sessions.h"

#include <iostream>

namespace kestrel::cli {

JobSessions::JobSessions(const Connection& connection, const mml::PropertiesForm& properties)
    : connection_(connection), properties_(properties) {
  if (!connection.log_sessions) return;
  recorder_ = std::make_unique<platform::FileSessionRecorder>(
      connection.log_dir.empty() ? platform::FileSessionRecorder::DefaultFolder()
                                 : QString::fromStdString(connection.log_dir));
  recorder_->Prune(connection.log_keep_days);
}

mml::TelnetClient& JobSessions::Client(const std::string& page,
                                       std::function<std::string()> element, controls::Memo* pane) {
  auto& client = *clients_.emplace_back(std::make_unique<net::QtTelnetClient>());
  mml::RecordedTelnetClient::Context context{
      page, std::move(element), [this] { return properties_.PasswordEdit.Text(); },
      [pane](const std::string& message) {
        std::cerr << "kestrel-batch: " << message << std::endl;
        if (pane != nullptr) pane->AddLine(message);
      }};
  auto& recorded = *recorded_.emplace_back(
      std::make_unique<mml::RecordedTelnetClient>(client, recorder_.get(), std::move(context)));
  recorded.Host = connection_.host;
  recorded.Port = connection_.port;
  return recorded;
}

void JobSessions::SetDeadline(std::chrono::steady_clock::time_point deadline) {
  (void)deadline;  // the clients' connect deadline: see net::QtTelnetClient
}

}  // namespace kestrel::cli
