#pragma once

#include <functional>
#include <map>
#include <string>

#include "mml/telnet_client.h"
#include "net/qt_ssh_client.h"
#include "net/qt_telnet_client.h"

namespace kestrel::net {

// The client of a page: telnet or SSH as the site says, chosen afresh at every Connect, and
// straight to the element when the site's table of elements names the one the next session
// is for. The page sees one client whatever is below.
class QtClient : public mml::TelnetClient {
 public:
  QtClient();

  Transport Via = Transport::kTelnet;
  // The element the next session is for; with `Elements`, it may go there directly.
  std::function<std::string()> Element;
  std::map<std::string, DirectElement> Elements;

  QtTelnetClient Telnet;
  QtSshClient Ssh;

  void SetConnectTimeoutMs(int ms) { Telnet.ConnectTimeoutMs = Ssh.ConnectTimeoutMs = ms; }

  void Connect() override;
  void Disconnect() override;
  bool Connected() const override { return active_ != nullptr && active_->Connected(); }
  void WriteLn(std::string_view text) override;

 private:
  mml::TelnetClient* active_ = nullptr;
};

}  // namespace kestrel::net
