#include "cli/job_sessions.h"

#include <iostream>

namespace kestrel::cli {

JobSessions::JobSessions(const Connection& connection, const mml::PropertiesForm& properties)
    : connection_(connection), properties_(properties) {
  recorder_ = platform::FileSessionRecorder::ForSite(
      connection.log_sessions, connection.log_dir, connection.log_keep_days, connection.log_max_mb,
      [](const std::string& notice) { std::cerr << "kestrel-batch: " << notice << std::endl; });
}

mml::TelnetClient& JobSessions::Client(const std::string& page) {
  Entry& entry = entries_.emplace_back();
  entry.client = std::make_unique<net::QtClient>();
  Entry* described = &entry;
  net::QtClient& client = *entry.client;
  client.Via = connection_.transport;
  client.Elements = connection_.elements;
  client.Element = [described] {
    return described->element ? described->element() : std::string();
  };
  client.Ssh.Ssh = connection_.ssh;
  client.Ssh.User = [this] { return properties_.UserEdit.Text(); };
  client.Ssh.Password = [this] { return properties_.PasswordEdit.Text(); };
  if (connection_.accept_new_host_key) {
    client.Ssh.OnUnknownHostKey = [](const net::QtSshClient::HostKeyQuestion& question,
                                     std::function<void(net::HostKeyAnswer)> reply) {
      std::cerr << "kestrel-batch: the host key of " << question.host
                << " was not known; taken: " << question.fingerprint << std::endl;
      reply(net::HostKeyAnswer::kAcceptAlways);
    };
  } else {
    client.Ssh.OnUnknownHostKey = [](const net::QtSshClient::HostKeyQuestion& question,
                                     std::function<void(net::HostKeyAnswer)> reply) {
      std::cerr << "kestrel-batch: the host key of " << question.host << " is not known ("
                << question.fingerprint
                << "); nothing is sent to it. Check the fingerprint with the gateway's "
                   "administrators, then run once with --accept-new-host-key"
                << std::endl;
      reply(net::HostKeyAnswer::kRefuse);
    };
  }
  mml::RecordedTelnetClient::Context context{
      page, [described] { return described->element ? described->element() : std::string(); },
      [this] { return properties_.PasswordEdit.Text(); },
      [described](const std::string& message) {
        std::cerr << "kestrel-batch: " << message << std::endl;
        if (described->pane != nullptr) described->pane->AddLine(message);
      }};
  entry.recorded = std::make_unique<mml::RecordedTelnetClient>(*entry.client, recorder_.get(),
                                                               std::move(context));
  entry.quiet = std::make_unique<platform::QtTimerDriver>(entry.recorded->QuietTimer);
  entry.recorded->Host = connection_.host;
  entry.recorded->Port = connection_.port;
  return *entry.recorded;
}

void JobSessions::Describe(const mml::TelnetClient& client, std::function<std::string()> element,
                           controls::Memo* pane) {
  for (Entry& entry : entries_) {
    if (entry.recorded.get() != &client) continue;
    entry.element = std::move(element);
    entry.pane = pane;
    return;
  }
}

}  // namespace kestrel::cli
