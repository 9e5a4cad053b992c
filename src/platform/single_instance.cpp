#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace platform {

namespace {

QString userName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("user") : user;
}

QString serverNameFor(const QString& name, const QString& folder) {
    // The same folder however it is written: the canonical path when it
    // exists, the cleaned one otherwise.
    QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty()) path = QDir::cleanPath(QDir(folder).absolutePath());
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return name + u'-' + userName() + u'-' + QString::fromLatin1(hash);
}

}  // namespace

bool SingleInstance::isRunning(const QString& name, const QString& folder) {
    QLocalSocket socket;
    socket.connectToServer(serverNameFor(name, folder));
    const bool answered = socket.waitForConnected(1000);
    socket.abort();
    return answered;
}

SingleInstance::SingleInstance(const QString& name, const QString& folder, QObject* parent)
    : QObject(parent), serverName_(serverNameFor(name, folder)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_.nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains("show")) Q_EMIT activationRequested();
            });
        }
    });
}

bool SingleInstance::askRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(1000)) return false;
    socket.write("show\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::claim() {
    if (askRunningCopy()) return false;
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(serverName_)) return true;
    // A server name left by a copy that crashed: nobody answered above.
    if (server_.serverError() == QAbstractSocket::AddressInUseError) {
        if (askRunningCopy()) return false;
        QLocalServer::removeServer(serverName_);
        return server_.listen(serverName_);
    }
    return true;  // no local sockets here: run without the guard
}

}  // namespace platform
