#include "viewer/app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSharedPointer>

namespace Corvalis::Viewer {

namespace {

constexpr char kAcknowledgement[] = "ok\n";

}  // namespace

SingleInstance::SingleInstance(QString name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
  const QByteArray user = qgetenv("USER") + QDir::homePath().toUtf8();
  return QStringLiteral("brevia-reader-") +
         QString::fromLatin1(
             QCryptographicHash::hash(user, QCryptographicHash::Sha1).toHex().left(16));
}

bool SingleInstance::handOver(const QString& path) const {
  ViewerRequest request;
  request.files.push_back(path);
  return handOver(request);
}

bool SingleInstance::handOver(const ViewerRequest& wanted) const {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
  const QByteArray request = wanted.toWire() + '\n';
  socket.write(request);
  if (!socket.waitForBytesWritten(kConnectTimeoutMs)) return false;
  // The running viewer answers once it has the path.
  while (socket.bytesAvailable() < qint64(sizeof kAcknowledgement - 1))
    if (!socket.waitForReadyRead(kConnectTimeoutMs)) return false;
  return socket.readAll().startsWith(kAcknowledgement);
}

bool SingleInstance::listen() {
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket left behind by a viewer that is gone (nobody answered handOver).
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return false;
  }
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
  return true;
}

void SingleInstance::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = QSharedPointer<QByteArray>::create();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
      buffer->append(socket->readAll());
      if (buffer->size() > kMaxRequestBytes) {
        socket->abort();
        return;
      }
      const qsizetype end = buffer->indexOf('\n');
      if (end < 0) return;
      const std::optional<ViewerRequest> request = ViewerRequest::fromWire(buffer->left(end));
      socket->write(kAcknowledgement);
      socket->flush();
      socket->disconnectFromServer();
      // Opened from the event loop: an open may show boxes, which must not run in here.
      if (request && (!request->files.isEmpty() || !request->editorCommand.isEmpty()))
        QMetaObject::invokeMethod(
            this, [this, r = *request] { emit requested(r); }, Qt::QueuedConnection);
    });
  }
}

}  // namespace Corvalis::Viewer
