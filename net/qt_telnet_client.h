#pragma once

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <vector>

#include "mml/telnet_client.h"
#include "net/telnet_codec.h"

namespace kestrel::net {

// The telnet client of the programs: our codec over a QTcpSocket, driven by the Qt event
// loop of the one thread that runs everything. Received data reaches `OnDataAvailable` one
// socket read at a time; events that come from the event loop run through the dispatcher,
// so an exception in a page handler becomes an error message, not the end of the program.
//
// Events are never delivered re-entrantly: while a handler of this client runs (and perhaps
// waits in a nested event loop), what arrives stays in the socket and is delivered, in
// order, once the handler has returned; the end of the connection comes after the data.
//
// Connecting waits for nothing: the connection is made by the event loop, and one that is
// refused, unreachable or unanswered within `ConnectTimeoutMs` ends with `ConnectError`.
class QtTelnetClient : public QObject, public mml::TelnetClient {
  Q_OBJECT

 public:
  // The most output that waits for a peer that does not read; past it the client ends the
  // connection itself, with `kUnsentOutputReason` as `EndReason`.
  static constexpr qint64 kMaxUnsentOutput = 4 * 1024 * 1024;
  static constexpr const char* kUnsentOutputReason =
      "the gateway stopped reading: more than 4 MB of unsent output";

  explicit QtTelnetClient(QObject* parent = nullptr);
  ~QtTelnetClient() override;

  int ConnectTimeoutMs = 10000;

  void Connect() override;
  void Disconnect() override;
  bool Connected() const override { return socket_ != nullptr; }
  // Over the cap on unsent output the line is not sent, and the connection ends once the
  // running handler has returned.
  void WriteLn(std::string_view text) override;

  // The output not yet taken by the system; 0 when not connected.
  qint64 UnsentOutput() const { return socket_ != nullptr ? socket_->bytesToWrite() : 0; }

 private:
  // Delivers what the current connection has brought, in order, and then its end; returns
  // at once when a delivery is already running further up the stack, which picks it up.
  void Deliver();
  // Writes `bytes` unless that would pass the cap; past it, ends the connection's traffic and
  // leaves its end to `Deliver`.
  void Send(std::string_view bytes);
  void Release();
  // The connection could not be opened, for `reason`: it ends as any other, after what runs.
  void ConnectFailed(const std::string& reason);

  // The socket of the current connection; a new one for every Connect, so that a handler
  // may end one session and open the next while the old socket's signal is still running.
  QTcpSocket* socket_ = nullptr;
  std::optional<TelnetClientCodec> codec_;
  // Sockets released while a delivery runs: that delivery may sit inside one of their
  // signals, and a nested event loop of a handler would otherwise delete them under it.
  std::vector<QTcpSocket*> retired_;
  // Counts connections, so that an event queued for an earlier one finds it is stale.
  std::uint64_t connection_ = 0;
  bool peer_closed_ = false;
  bool ended_by_client_ = false;
  bool delivering_ = false;
  bool established_ = false;  // the connection stands (not only being made)
  QTimer connect_timer_;
};

}  // namespace kestrel::net
