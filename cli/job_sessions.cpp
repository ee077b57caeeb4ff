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

mml::TelnetClient& JobSessions::Client(const std::string& page) {
  Entry& entry = entries_.emplace_back();
  entry.client = std::make_unique<net::QtTelnetClient>();
  entry.client->SetDeadline(deadline_);
  entry.described = std::make_unique<Described>();
  Described* described = entry.described.get();
  mml::RecordedTelnetClient::Context context{
      page, [described] { return described->element ? described->element() : std::string(); },
      [this] { return properties_.PasswordEdit.Text(); },
      [described](const std::string& message) {
        std::cerr << "kestrel-batch: " << message << std::endl;
        if (described->pane != nullptr) described->pane->AddLine(message);
      }};
  entry.recorded = std::make_unique<mml::RecordedTelnetClient>(*entry.client, recorder_.get(),
                                                               std::move(context));
  entry.recorded->Host = connection_.host;
  entry.recorded->Port = connection_.port;
  return *entry.recorded;
}

void JobSessions::Describe(const mml::TelnetClient& client, std::function<std::string()> element,
                           controls::Memo* pane) {
  for (Entry& entry : entries_) {
    if (entry.recorded.get() != &client) continue;
    entry.described->element = std::move(element);
    entry.described->pane = pane;
    return;
  }
}

void JobSessions::SetTimeout(int seconds) {
  if (seconds <= 0) return;
  deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (Entry& entry : entries_) entry.client->SetDeadline(deadline_);
}

}  // namespace kestrel::cli
