#pragma once

#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <optional>

#include "mml/telnet_client.h"
#include "net/telnet_codec.h"

namespace kestrel::net {

// The telnet client of the programs: our codec over a QTcpSocket, driven by the Qt event
// loop of the one thread that runs everything. Received data reaches `OnDataAvailable` one
// socket read at a time; events that come from the event loop run through the dispatcher,
// so an exception in a page handler becomes an error message, not the end of the program.
class QtTelnetClient : public QObject, public mml::TelnetClient {
  Q_OBJECT

 public:
  explicit QtTelnetClient(QObject* parent = nullptr);
  ~QtTelnetClient() override;

  int ConnectTimeoutMs = 10000;

  void Connect() override;
  void Disconnect() override;
  bool Connected() const override { return socket_ != nullptr; }
  void WriteLn(std::string_view text) override;

 private:
  void ReadAvailable(QTcpSocket* socket);
  void ClosedByPeer(QTcpSocket* socket);
  void Release();

  // The socket of the current connection; a new one for every Connect, so that a handler
  // may end one session and open the next while the old socket's signal is still running.
  QTcpSocket* socket_ = nullptr;
  std::optional<TelnetClientCodec> codec_;
};

}  // namespace kestrel::net
