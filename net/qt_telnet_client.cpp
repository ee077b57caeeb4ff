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

std::string Duration(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}
}  // namespace

QtTelnetClient::QtTelnetClient(QObject* parent) : QObject(parent) {
  connect_timer_.setSingleShot(true);
  connect(&connect_timer_, &QTimer::timeout, this,
          [this] { ConnectFailed("no answer within " + Duration(ConnectTimeoutMs)); });
}

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
  ConnectError.clear();
  if (Port < 1 || Port > 65535) {
    throw std::runtime_error("Cannot connect to " + where + ": the port is not a port number");
  }
  auto* socket = new QTcpSocket(this);
  socket->setReadBufferSize(kReadSize);
  socket_ = socket;
  codec_.emplace(TerminalType);
  peer_closed_ = false;
  ended_by_client_ = false;
  established_ = false;
  const std::uint64_t connection = ++connection_;
  connect(socket, &QTcpSocket::connected, this, [this, connection] {
    if (connection != connection_) return;
    established_ = true;
    connect_timer_.stop();
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // A firewall between may drop a session that waits long without a word.
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    if (socket_->bytesToWrite() > 0) socket_->flush();  // what was written while connecting
    if (socket_->bytesAvailable() > 0) Deliver();
  });
  connect(socket, &QTcpSocket::readyRead, this, [this, connection] {
    if (connection == connection_) Deliver();
  });
  // Queued, as the end below: an error can be reported from inside connectToHost or WriteLn,
  // and the page must never see its session end in the middle of its own call.
  connect(
      socket, &QTcpSocket::errorOccurred, this,
      [this, connection] {
        if (connection != connection_ || established_) return;
        ConnectFailed(socket_->errorString().toStdString());
      },
      Qt::QueuedConnection);
  connect(
      socket, &QTcpSocket::disconnected, this,
      [this, connection] {
        if (connection != connection_) return;
        peer_closed_ = true;
        Deliver();
      },
      Qt::QueuedConnection);
  connect_timer_.start(ConnectTimeoutMs);
  socket->connectToHost(QString::fromStdString(Host), static_cast<quint16>(Port));
}

void QtTelnetClient::ConnectFailed(const std::string& reason) {
  if (socket_ == nullptr || established_) return;
  connect_timer_.stop();
  ConnectError = "Cannot connect to " + Where(*this) + ": " + reason;
  peer_closed_ = true;
  Deliver();
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
  // While the connection is being made the socket only keeps it: flushing then would fail.
  if (established_) socket_->flush();
}

void QtTelnetClient::Release() {
  QTcpSocket* socket = socket_;
  socket_ = nullptr;
  connect_timer_.stop();
  ++connection_;  // what is still queued for this connection finds it over
  socket->disconnect(this);
  if (established_) socket->flush();  // lines written just before are handed to the system first
  socket->abort();
  if (delivering_) {
    retired_.push_back(socket);
  } else {
    socket->deleteLater();
  }
}

}  // namespace kestrel::net
