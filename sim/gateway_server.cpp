#include "sim/gateway_server.h"

#include <QDateTime>
#include <QTcpSocket>
#include <memory>

#include "sim/gateway_session.h"
#include "sim/short_conversations.h"

namespace kestrel::sim {

namespace {

// Between two recorded chunks of a replay.
constexpr int kReplayGapMs = 5;

GatewayServer::Conversations ScenarioConversations(std::shared_ptr<Scenario> scenario,
                                                   std::shared_ptr<Faults> faults) {
  return [scenario, faults](int, Connection::Log log) -> std::unique_ptr<Conversation> {
    if (faults->flood_options) return std::make_unique<OptionFlood>();
    return std::make_unique<GatewaySession>(
        *scenario, *faults,
        [] { return QDateTime::currentDateTime().toString("yyMMdd hhmmss").toStdString(); },
        std::move(log));
  };
}

}  // namespace

GatewayServer::GatewayServer(Scenario scenario, Faults faults, Transcripts transcripts,
                             QObject* parent)
    : GatewayServer(ScenarioConversations(std::make_shared<Scenario>(std::move(scenario)),
                                          std::make_shared<Faults>(faults)),
                    PacingOf(faults, false), faults.max_sessions, faults.seed,
                    std::move(transcripts), parent) {}

Pacing GatewayServer::PacingOf(const Faults& faults, bool replay) {
  Pacing pacing;
  pacing.chunk_max = faults.chunk_max;
  pacing.answer_delay_ms = faults.answer_delay_ms;
  pacing.paced = faults.chunk_max > 0 || faults.chunk_delay_ms > 0 || replay;
  // Recorded cuts are kept apart; cuts made afresh go out like any others.
  const bool recorded_cuts = replay && faults.chunk_max <= 0;
  pacing.gap_ms = faults.chunk_delay_ms > 0 ? faults.chunk_delay_ms
                  : recorded_cuts           ? kReplayGapMs
                                            : 0;
  pacing.drop_after_bytes = faults.drop_after_bytes;
  pacing.read = !faults.flood_options;
  return pacing;
}

GatewayServer::GatewayServer(Conversations conversations, Pacing pacing, int max_sessions,
                             unsigned seed, Transcripts transcripts, QObject* parent)
    : QObject(parent),
      conversations_(std::move(conversations)),
      pacing_(pacing),
      max_sessions_(max_sessions),
      transcripts_(std::move(transcripts)),
      random_(seed) {
  connect(&server_, &QTcpServer::newConnection, this, &GatewayServer::Accept);
}

bool GatewayServer::Listen(const QHostAddress& address, quint16 port) {
  return server_.listen(address, port);
}

void GatewayServer::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    const int number = ++sessions_;
    auto transcript = std::make_unique<Transcript>(transcripts_, number);
    if (max_sessions_ >= 0 && open_ >= max_sessions_) {
      transcript->Event("refused: " + std::to_string(open_) + " sessions are open");
      Pacing refusal = pacing_;
      refusal.read = true;  // to see the client go
      new Connection(
          socket, [](Connection::Log) { return std::make_unique<TooManySessions>(); }, refusal,
          *clock_, random_, std::move(transcript), {}, bytes_sent_);
      continue;
    }
    ++open_;
    new Connection(
        socket,
        [this, number](Connection::Log log) { return conversations_(number, std::move(log)); },
        pacing_, *clock_, random_, std::move(transcript), [this] { --open_; }, bytes_sent_);
  }
}

}  // namespace kestrel::sim
