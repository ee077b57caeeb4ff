#include "net/qt_client.h"

#include <stdexcept>

namespace kestrel::net {

DirectElement ParseElementAddress(const std::string& text) {
  DirectElement element;
  std::string rest;
  for (const auto& [scheme, transport] :
       {std::pair{"ssh://", Transport::kSsh}, std::pair{"telnet://", Transport::kTelnet}}) {
    if (text.rfind(scheme, 0) == 0) {
      element.transport = transport;
      rest = text.substr(std::string(scheme).size());
    }
  }
  if (rest.empty()) {
    throw std::invalid_argument("\"" + text + "\" is not ssh://HOST:PORT or telnet://HOST:PORT");
  }
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  const std::size_t colon = rest.rfind(':');
  const std::string port = colon == std::string::npos ? "" : rest.substr(colon + 1);
  element.host = rest.substr(0, colon);
  if (element.host.size() > 2 && element.host.front() == '[' && element.host.back() == ']') {
    element.host = element.host.substr(1, element.host.size() - 2);
  }
  element.port = 0;
  for (const char c : port) {
    if (c < '0' || c > '9' || element.port > 65535) {
      element.port = 0;
      break;
    }
    element.port = element.port * 10 + (c - '0');
  }
  if (element.host.empty() || !mml::IsOneLine(element.host) ||
      element.host.find_first_of(" /") != std::string::npos || element.port < 1 ||
      element.port > 65535) {
    throw std::invalid_argument("\"" + text + "\" wants a host and a port from 1 to 65535");
  }
  return element;
}

QtClient::QtClient() {
  for (mml::TelnetClient* inner :
       {static_cast<mml::TelnetClient*>(&Telnet), static_cast<mml::TelnetClient*>(&Ssh)}) {
    inner->OnDataAvailable = [this, inner](std::string_view chunk) {
      if (inner == active_ && OnDataAvailable) OnDataAvailable(chunk);
    };
    inner->OnDisconnected = [this, inner] {
      if (inner != active_) return;
      EndReason = inner->EndReason;
      ConnectError = inner->ConnectError;
      if (OnDisconnected) OnDisconnected();
    };
  }
}

void QtClient::Connect() {
  if (Connected())
    throw std::runtime_error("Already connected to " + Host + ":" + std::to_string(Port));
  EndReason.clear();
  ConnectError.clear();
  Transport transport = Via;
  std::string host = Host;
  int port = Port;
  Direct = false;
  if (Element && !Elements.empty()) {
    if (const auto found = Elements.find(Element()); found != Elements.end()) {
      transport = found->second.transport;
      host = found->second.host;
      port = found->second.port;
      Direct = true;
    }
  }
  active_ = transport == Transport::kSsh ? static_cast<mml::TelnetClient*>(&Ssh)
                                         : static_cast<mml::TelnetClient*>(&Telnet);
  active_->Host = host;
  active_->Port = port;
  active_->TerminalType = TerminalType;
  active_->Connect();
  TransportLogin = active_->TransportLogin;
}

void QtClient::Disconnect() {
  if (active_ != nullptr) active_->Disconnect();
}

void QtClient::WriteLn(std::string_view text) {
  if (active_ == nullptr)
    throw std::runtime_error("Not connected to " + Host + ":" + std::to_string(Port));
  active_->WriteLn(text);
}

}  // namespace kestrel::net
