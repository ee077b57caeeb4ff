#include "sim/connection.h"

#include <utility>

namespace kestrel::sim {

namespace {
// Output without end is made only while less than this waits in the socket's own buffer, and
// at most `kTurnBytes` of it per turn of the event loop, so the simulator's memory stays small
// and other connections are served meanwhile.
constexpr qint64 kHighWater = 64 * 1024;
constexpr long long kTurnBytes = 64 * 1024;
}  // namespace

Connection::Connection(QTcpSocket* socket, const Make& make, const Pacing& pacing, PaceClock& clock,
                       std::mt19937& random, std::unique_ptr<Transcript> transcript,
                       std::function<void()> ended, long long& total_sent)
    : QObject(socket),
      socket_(socket),
      pacing_(pacing),
      queue_(pacing.chunk_max, pacing.answer_delay_ms, random),
      transcript_(std::move(transcript)),
      ended_(std::move(ended)),
      clock_(clock),
      pacer_(clock.MakeAlarm([this] { SendNext(); })),
      total_sent_(total_sent) {
  conversation_ = make([this](const std::string& event) {
    if (reading_) {
      held_events_.push_back(event);
    } else {
      Event(event);
    }
  });
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  // Queued: a write's flush reports bytes written at once, inside SendNext.
  connect(
      socket_, &QTcpSocket::bytesWritten, this,
      [this] {
        if (!pacer_->Active()) SendNext();
      },
      Qt::QueuedConnection);
  if (pacing_.read) {
    connect(socket_, &QTcpSocket::readyRead, this, &Connection::Read);
  } else {
    // Once this little is buffered, the socket stops reading and the client's side fills up.
    socket_->setReadBufferSize(1);
    Event("what the client sends is not read");
  }
  connect(socket_, &QTcpSocket::disconnected, this, [this] {
    if (!closing_) Event("client closed the connection");
    Ended();
    socket_->deleteLater();
  });
  queue_.Add(conversation_->Start(), 0);
  SendNext();
}

Connection::~Connection() { Ended(); }

void Connection::Read() {
  const QByteArray bytes = socket_->readAll();
  const bool type_known = !conversation_->TerminalType().empty();
  reading_ = true;
  std::vector<Output> outputs = conversation_->Receive(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  reading_ = false;
  transcript_->Received(conversation_->MaskedInput());
  for (const std::string& event : held_events_) Event(event);
  held_events_.clear();
  if (!type_known && !conversation_->TerminalType().empty()) {
    Event("terminal type " + conversation_->TerminalType());
  }
  queue_.Add(std::move(outputs), clock_.NowMs());
  if (!pacer_->Active()) SendNext();
}

void Connection::SendNext() {
  long long budget = kTurnBytes;
  while (socket_->state() == QAbstractSocket::ConnectedState) {
    if (queue_.Empty()) {
      if (!conversation_->Endless()) break;
      if (socket_->bytesToWrite() >= kHighWater) return;  // bytesWritten brings us back
      if (budget <= 0) {
        pacer_->Start(0);
        return;
      }
      if (!quiet_) {
        Event("the output goes on without end; the rest of it is not recorded here");
        quiet_ = true;
      }
      std::string more = conversation_->More();
      if (more.empty()) break;
      queue_.Add({{std::move(more)}}, clock_.NowMs());
      continue;
    }
    const std::int64_t now = clock_.NowMs();
    if (queue_.Due() > now) {
      pacer_->Start(queue_.Due() - now);
      return;
    }
    OutputQueue::Piece piece = queue_.Pop();
    budget -= static_cast<long long>(piece.bytes.size());
    if (pacing_.drop_after_bytes >= 0 &&
        sent_ + static_cast<long long>(piece.bytes.size()) >= pacing_.drop_after_bytes) {
      piece.bytes.resize(static_cast<std::size_t>(pacing_.drop_after_bytes - sent_));
      Write(piece);
      Event("connection dropped after " + std::to_string(pacing_.drop_after_bytes) + " bytes");
      closing_ = true;
      queue_.Clear();
      socket_->flush();
      socket_->abort();
      return;
    }
    Write(piece);
    if (pacing_.paced && !queue_.Empty()) {
      pacer_->Start(pacing_.gap_ms);
      return;
    }
  }
  if (queue_.Empty() && conversation_->Finished() && !closing_ &&
      socket_->state() == QAbstractSocket::ConnectedState) {
    Event("gateway closed the connection");
    closing_ = true;
    socket_->disconnectFromHost();
  }
}

void Connection::Write(const OutputQueue::Piece& piece) {
  sent_ += static_cast<long long>(piece.bytes.size());
  total_sent_ += static_cast<long long>(piece.bytes.size());
  if (!quiet_) transcript_->Sent(piece.bytes, piece.secret);
  socket_->write(piece.bytes.data(), static_cast<qint64>(piece.bytes.size()));
  socket_->flush();
}

void Connection::Event(const std::string& text) { transcript_->Event(text); }

void Connection::Ended() {
  if (std::exchange(over_, true)) return;
  if (quiet_) Event(std::to_string(sent_) + " bytes sent in all");
  if (ended_) ended_();
}

}  // namespace kestrel::sim
