#include "sim/gateway_server.h"

#include <QDateTime>
#include <QFile>
#include <QTcpSocket>
#include <QTimer>
#include <deque>
#include <memory>

#include "sim/gateway_session.h"

namespace kestrel::sim {

namespace {

// Control characters written as \xHH, so a transcript is plain text line by line.
QByteArray Escaped(std::string_view bytes) {
  QByteArray text;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n\n   ";
    } else if (c < 0x20 || c >= 0x7f) {
      text += QByteArray("\\x") + QByteArray::number(c, 16).rightJustified(2, '0');
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

// One client connection: feeds the session and paces its output.
class Connection : public QObject {
 public:
  Connection(QTcpSocket* socket, Scenario& scenario, Faults& faults, std::mt19937& random,
             const Transcripts& transcripts, int number)
      : QObject(socket),
        socket_(socket),
        faults_(faults),
        random_(random),
        session_(
            scenario, faults,
            [] { return QDateTime::currentDateTime().toString("yyMMdd hhmmss").toStdString(); },
            [this](const std::string& event) { Log(QByteArray("-- ") + event.c_str() + "\n"); }),
        mark_(transcripts.kind == Transcripts::Kind::kStandardError
                  ? QByteArray("[session ") + QByteArray::number(number) + "] "
                  : QByteArray()) {
    if (transcripts.kind == Transcripts::Kind::kFolder) {
      transcript_.setFileName(transcripts.folder + QString("/session-%1.log").arg(number));
      transcript_.open(QIODevice::WriteOnly | QIODevice::Text);
    } else if (transcripts.kind == Transcripts::Kind::kStandardError) {
      transcript_.open(stderr, QIODevice::WriteOnly | QIODevice::Text);
    }
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    pacer_.setSingleShot(true);
    connect(&pacer_, &QTimer::timeout, this, &Connection::SendNext);
    connect(socket_, &QTcpSocket::readyRead, this, &Connection::Read);
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
      Log("-- client closed the connection\n");
      socket_->deleteLater();
    });
    Queue(session_.Start());
  }

 private:
  void Read() {
    const QByteArray bytes = socket_->readAll();
    Log("<< " +
        Escaped(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) +
        "\n");
    const std::size_t type_known = session_.TerminalType().size();
    Queue(session_.Receive(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    if (type_known == 0 && !session_.TerminalType().empty()) {
      Log(QByteArray("-- terminal type ") + session_.TerminalType().c_str() + "\n");
    }
  }

  void Queue(std::vector<Output> outputs) {
    for (auto& output : outputs) {
      if (!output.may_fragment || faults_.chunk_max <= 0) {
        pending_.push_back(std::move(output.bytes));
        continue;
      }
      std::uniform_int_distribution<int> size(1, faults_.chunk_max);
      for (std::size_t pos = 0; pos < output.bytes.size();) {
        const std::size_t n = static_cast<std::size_t>(size(random_));
        pending_.push_back(output.bytes.substr(pos, n));
        pos += n;
      }
    }
    if (!pacer_.isActive()) SendNext();
  }

  // Sends queued pieces; with fragmentation or a delay, one piece per turn of the event loop.
  void SendNext() {
    const bool paced = faults_.chunk_max > 0 || faults_.chunk_delay_ms > 0;
    while (!pending_.empty() && socket_->state() == QAbstractSocket::ConnectedState) {
      std::string piece = std::move(pending_.front());
      pending_.pop_front();
      if (faults_.drop_after_bytes >= 0 &&
          sent_ + static_cast<long long>(piece.size()) >= faults_.drop_after_bytes) {
        piece.resize(static_cast<std::size_t>(faults_.drop_after_bytes - sent_));
        Write(piece);
        Log("-- connection dropped after " + QByteArray::number(faults_.drop_after_bytes) +
            " bytes\n");
        socket_->flush();
        socket_->abort();
        return;
      }
      Write(piece);
      if (paced && !pending_.empty()) {
        pacer_.start(faults_.chunk_delay_ms);
        return;
      }
    }
    if (pending_.empty() && session_.Finished()) {
      Log("-- gateway closed the connection\n");
      socket_->disconnectFromHost();
    }
  }

  void Write(const std::string& piece) {
    sent_ += static_cast<long long>(piece.size());
    Log(">> " + Escaped(piece) + "\n");
    socket_->write(piece.data(), static_cast<qint64>(piece.size()));
    socket_->flush();
  }

  void Log(const QByteArray& text) {
    if (transcript_.isOpen()) {
      QByteArray marked = mark_ + text;
      if (!mark_.isEmpty()) marked.replace("\n   ", "\n" + mark_ + "   ");
      transcript_.write(marked);
      transcript_.flush();
    }
  }

  QTcpSocket* socket_;
  Faults& faults_;
  std::mt19937& random_;
  GatewaySession session_;
  QFile transcript_;
  QByteArray mark_;
  QTimer pacer_;
  std::deque<std::string> pending_;
  long long sent_ = 0;
};

}  // namespace

GatewayServer::GatewayServer(Scenario scenario, Faults faults, Transcripts transcripts,
                             QObject* parent)
    : QObject(parent),
      scenario_(std::move(scenario)),
      faults_(std::move(faults)),
      transcripts_(std::move(transcripts)),
      random_(faults_.seed) {
  connect(&server_, &QTcpServer::newConnection, this, &GatewayServer::Accept);
}

bool GatewayServer::Listen(const QHostAddress& address, quint16 port) {
  return server_.listen(address, port);
}

void GatewayServer::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    new Connection(socket, scenario_, faults_, random_, transcripts_, ++sessions_);
  }
}

}  // namespace kestrel::sim
