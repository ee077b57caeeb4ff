#include "net/qt_telnet_client.h"

#include <stdexcept>
#include <string>

#include "platform/dispatch.h"

namespace kestrel::net {

namespace {
// How much one read takes from the socket, and so the largest chunk delivered; the socket
// buffers no more than this either, whatever the server sends.
constexpr qint64 kReadSize = 64 * 1024;

std::string Where(const mml::TelnetClient& client) {
  return client.Host + ":" + std::to_string(client.Port);
}
}  // namespace

QtTelnetClient::QtTelnetClient(QObject* parent) : QObject(parent) {}

QtTelnetClient::~QtTelnetClient() {
  // The page may be gone already: close without delivering the disconnected event.
  if (socket_ != nullptr) {
    socket_->disconnect(this);
    socket_->abort();
    delete socket_;
  }
}

void QtTelnetClient::Connect() {
  const std::string where = Where(*this);
  if (Connected()) throw std::runtime_error("Already connected to " + where);
  EndReason.clear();
  if (Port < 1 || Port > 65535) {
    throw std::runtime_error("Cannot connect to " + where + ": the port is not a port number");
  }
  // Waiting blocks the event loop, and with it the timer that would end the job on time.
  int wait_ms = ConnectTimeoutMs;
  bool cut_by_deadline = false;
  if (deadline_ != Deadline::max()) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now())
            .count();
    if (left <= 0) {
      throw std::runtime_error("Cannot connect to " + where +
                               ": no time left before the job's time-out");
    }
    if (left < wait_ms) {
      wait_ms = static_cast<int>(left);
      cut_by_deadline = true;
    }
  }
  auto* socket = new QTcpSocket(this);
  socket->setReadBufferSize(kReadSize);
  socket->connectToHost(QString::fromStdString(Host), static_cast<quint16>(Port));
  if (!socket->waitForConnected(wait_ms)) {
    std::string reason = socket->errorString().toStdString();
    if (socket->error() == QAbstractSocket::SocketTimeoutError) {
      reason = cut_by_deadline
                   ? "no answer before the job's time-out"
                   : "no answer within " + std::to_string(ConnectTimeoutMs / 1000) + " s";
    }
    delete socket;
    throw std::runtime_error("Cannot connect to " + where + ": " + reason);
  }
  socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  socket_ = socket;
  codec_.emplace(TerminalType);
  peer_closed_ = false;
  ended_by_client_ = false;
  const std::uint64_t connection = ++connection_;
  connect(socket, &QTcpSocket::readyRead, this, [this, connection] {
    if (connection == connection_) Deliver();
  });
  // Queued: a failing write can make the socket report its end from inside WriteLn, and the
  // page must not see its session end in the middle of its own handler.
  connect(
      socket, &QTcpSocket::disconnected, this,
      [this, connection] {
        if (connection != connection_) return;
        peer_closed_ = true;
        Deliver();
      },
      Qt::QueuedConnection);
  // Data may have arrived with the connection already.
  if (socket->bytesAvailable() > 0) {
    QMetaObject::invokeMethod(
        this,
        [this, connection] {
          if (connection == connection_) Deliver();
        },
        Qt::QueuedConnection);
  }
}

void QtTelnetClient::Disconnect() {
  if (!Connected()) return;
  Release();
  if (OnDisconnected) OnDisconnected();
}

void QtTelnetClient::WriteLn(std::string_view text) {
  if (!Connected()) throw std::runtime_error("Not connected to " + Where(*this));
  if (!mml::IsOneLine(text)) {
    throw std::invalid_argument("A line to send holds a line break; nothing was sent");
  }
  if (ended_by_client_) return;
  Send(TelnetClientCodec::EncodeLine(text));
}

void QtTelnetClient::Deliver() {
  if (delivering_) return;
  struct Running {
    QtTelnetClient& client;
    explicit Running(QtTelnetClient& c) : client(c) { client.delivering_ = true; }
    ~Running() {
      client.delivering_ = false;
      for (QTcpSocket* socket : client.retired_) socket->deleteLater();
      client.retired_.clear();
    }
  } running(*this);

  // A handler may end this connection and even open the next while we deliver: the loop
  // goes on with whatever connection is current when the handler returns.
  while (socket_ != nullptr) {
    if (!ended_by_client_ && socket_->bytesAvailable() > 0) {
      const QByteArray bytes = socket_->read(kReadSize);
      std::string data, replies;
      codec_->Receive(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                      data, replies);
      if (!replies.empty()) Send(replies);
      // Even when those replies ended the connection: what came before the end comes first.
      if (!data.empty() && OnDataAvailable) {
        platform::Dispatch([this, &data] { OnDataAvailable(data); });
      }
      continue;
    }
    if (!peer_closed_ && !ended_by_client_) return;
    Release();
    if (OnDisconnected) platform::Dispatch([this] { OnDisconnected(); });
  }
}

void QtTelnetClient::Send(std::string_view bytes) {
  if (ended_by_client_) return;
  if (socket_->bytesToWrite() + static_cast<qint64>(bytes.size()) > kMaxUnsentOutput) {
    // Aborting drops what waits at once; the page learns of the end only after its handler.
    EndReason = kUnsentOutputReason;
    ended_by_client_ = true;
    socket_->disconnect(this);
    socket_->abort();
    const std::uint64_t connection = connection_;
    QMetaObject::invokeMethod(
        this,
        [this, connection] {
          if (connection == connection_) Deliver();
        },
        Qt::QueuedConnection);
    return;
  }
  socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  socket_->flush();
}

void QtTelnetClient::Release() {
  QTcpSocket* socket = socket_;
  socket_ = nullptr;
  ++connection_;  // what is still queued for this connection finds it over
  socket->disconnect(this);
  socket->flush();  // lines written just before are handed to the system first
  socket->abort();
  if (delivering_) {
    retired_.push_back(socket);
  } else {
    socket->deleteLater();
  }
}

}  // namespace kestrel::net
