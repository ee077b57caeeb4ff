#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <random>
#include <set>
#include <string>

#include "sim/faults.h"
#include "sim/scenario.h"

namespace kestrel::sim {

// Where the transcripts of the sessions go: standard error, each record marked with its
// session; one file per session in a folder; or nowhere.
struct Transcripts {
  enum class Kind { kStandardError, kFolder, kNone };
  Kind kind = Kind::kStandardError;
  QString folder;
};

// The simulated command gateway: a telnet server that runs one GatewaySession per
// connection, on the event loop's thread, and logs a transcript of each session.
class GatewayServer : public QObject {
  Q_OBJECT

 public:
  GatewayServer(Scenario scenario, Faults faults, Transcripts transcripts,
                QObject* parent = nullptr);

  bool Listen(const QHostAddress& address, quint16 port);
  quint16 Port() const { return server_.serverPort(); }
  QString ErrorString() const { return server_.errorString(); }

 private:
  void Accept();

  Scenario scenario_;
  Faults faults_;
  Transcripts transcripts_;
  QTcpServer server_;
  std::mt19937 random_;
  int sessions_ = 0;
};

}  // namespace kestrel::sim
