#include "platform/single_instance.h"

#include <QLocalSocket>

namespace platform {

namespace {

QString userName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("user") : user;
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), serverName_(name + u'-' + userName()) {
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
