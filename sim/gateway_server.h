#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <random>

#include "sim/connection.h"
#include "sim/faults.h"
#include "sim/pace_clock.h"
#include "sim/scenario.h"
#include "sim/transcript.h"

namespace kestrel::sim {

// The simulated command gateway: a telnet server that runs one conversation per connection,
// on the event loop's thread, and keeps a transcript of each session.
class GatewayServer : public QObject {
  Q_OBJECT

 public:
  // Makes what plays the gateway on connection number `session` (from 1); `log` takes its
  // events for the transcript.
  using Conversations =
      std::function<std::unique_ptr<Conversation>(int session, Connection::Log log)>;

  // Plays the network of `scenario` with `faults` (a hostile flood instead, if they say so).
  GatewayServer(Scenario scenario, Faults faults, Transcripts transcripts,
                QObject* parent = nullptr);
  // Plays what `conversations` make. `max_sessions`: connections served at once (-1: no
  // limit); one beyond is told "TOO MANY SESSIONS" and closed. `seed` makes the chunk sizes
  // of a run repeatable.
  GatewayServer(Conversations conversations, Pacing pacing, int max_sessions, unsigned seed,
                Transcripts transcripts, QObject* parent = nullptr);

  // The pacing that `faults` ask for; a replay sends its recorded chunks a little apart, so
  // that they arrive as the separate reads they were.
  static Pacing PacingOf(const Faults& faults, bool replay);

  // What the connections accepted from now on pace their output on (the event loop's unless
  // told); it outlives them.
  void UseClock(PaceClock& clock) { clock_ = &clock; }
  bool Listen(const QHostAddress& address, quint16 port);
  quint16 Port() const { return server_.serverPort(); }
  QString ErrorString() const { return server_.errorString(); }
  // Bytes written to all clients so far: how tests see that output stops when a client
  // stops reading.
  long long BytesSent() const { return bytes_sent_; }

 private:
  void Accept();

  Conversations conversations_;
  Pacing pacing_;
  int max_sessions_;
  Transcripts transcripts_;
  std::mt19937 random_;
  std::unique_ptr<PaceClock> own_clock_ = EventLoopPaceClock();
  PaceClock* clock_ = own_clock_.get();
  int sessions_ = 0;  // connections so far, for the transcripts' numbers
  int open_ = 0;      // sessions whose sockets have not closed
  long long bytes_sent_ = 0;
  // Last, so that the connections it owns go before what they use.
  QTcpServer server_;
};

}  // namespace kestrel::sim
