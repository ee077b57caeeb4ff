#include "net/qt_telnet_client.h"

#include <stdexcept>
#include <string>

#include "platform/dispatch.h"

namespace kestrel::net {

namespace {
// How much one read takes from the socket, and so the largest chunk delivered; the socket
// buffers no more than this either, whatever the server sends.
constexpr qint64 kReadSize = 64 * 1024;
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
  const std::string where = Host + ":" + std::to_string(Port);
  if (Connected()) throw std::runtime_error("Already connected to " + where);
  EndReason.clear();
  if (Port < 1 || Port > 65535) {
    throw std::runtime_error("Cannot connect to " + where + ": the port is not a port number");
  }
  auto* socket = new QTcpSocket(this);
  socket->setReadBufferSize(kReadSize);
  socket->connectToHost(QString::fromStdString(Host), static_cast<quint16>(Port));
  if (!socket->waitForConnected(ConnectTimeoutMs)) {
    const std::string reason =
        socket->error() == QAbstractSocket::SocketTimeoutError
            ? "no answer within " + std::to_string(ConnectTimeoutMs / 1000) + " s"
            : socket->errorString().toStdString();
    delete socket;
    throw std::runtime_error("Cannot connect to " + where + ": " + reason);
  }
  socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  socket_ = socket;
  codec_.emplace(TerminalType);
  connect(socket, &QTcpSocket::readyRead, this, [this, socket] { ReadAvailable(socket); });
  // Queued: a failing write can make the socket report its end from inside WriteLn, and the
  // page must not see its session end in the middle of its own handler.
  connect(
      socket, &QTcpSocket::disconnected, this, [this, socket] { ClosedByPeer(socket); },
      Qt::QueuedConnection);
  // Data may have arrived with the connection already.
  if (socket->bytesAvailable() > 0) {
    QMetaObject::invokeMethod(
        this, [this, socket] { ReadAvailable(socket); }, Qt::QueuedConnection);
  }
}

void QtTelnetClient::Disconnect() {
  if (!Connected()) return;
  Release();
  if (OnDisconnected) OnDisconnected();
}

void QtTelnetClient::WriteLn(std::string_view text) {
  if (!Connected())
    throw std::runtime_error("Not connected to " + Host + ":" + std::to_string(Port));
  if (!mml::IsOneLine(text)) {
    throw std::invalid_argument("A line to send holds a line break; nothing was sent");
  }
  const std::string bytes = TelnetClientCodec::EncodeLine(text);
  socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  socket_->flush();
}

void QtTelnetClient::ReadAvailable(QTcpSocket* socket) {
  // A handler may end this connection (and even open the next) while we deliver: then the
  // rest of this socket's data belongs to a session that is over.
  while (socket == socket_ && socket->bytesAvailable() > 0) {
    const QByteArray bytes = socket->read(kReadSize);
    std::string data, replies;
    codec_->Receive(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                    data, replies);
    if (!replies.empty()) {
      socket->write(replies.data(), static_cast<qint64>(replies.size()));
      socket->flush();
    }
    if (!data.empty() && OnDataAvailable) {
      platform::Dispatch([this, &data] { OnDataAvailable(data); });
    }
  }
}

// `socket` may be gone by now if the page has ended that session itself; it is only used
// while it is still the current one.
void QtTelnetClient::ClosedByPeer(QTcpSocket* socket) {
  ReadAvailable(socket);  // what the server sent before it closed comes first
  if (socket != socket_) return;
  Release();
  if (OnDisconnected) platform::Dispatch([this] { OnDisconnected(); });
}

void QtTelnetClient::Release() {
  QTcpSocket* socket = socket_;
  socket_ = nullptr;
  socket->disconnect(this);
  socket->flush();  // lines written just before are handed to the system first
  socket->abort();
  socket->deleteLater();
}

}  // namespace kestrel::net
