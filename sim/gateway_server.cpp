#include "sim/gateway_server.h"

#include <QTcpSocket>

#include "sim/short_conversations.h"

namespace kestrel::sim {

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
          random_, std::move(transcript), {}, bytes_sent_);
      continue;
    }
    ++open_;
    new Connection(
        socket,
        [this, number](Connection::Log log) { return conversations_(number, std::move(log)); },
        pacing_, random_, std::move(transcript), [this] { --open_; }, bytes_sent_);
  }
}

}  // namespace kestrel::sim
