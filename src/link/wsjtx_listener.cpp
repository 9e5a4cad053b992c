#include "link/wsjtx_listener.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

namespace wsjtx {

Listener::Listener(QObject* parent) : QObject(parent) {
    connect(&socket_, &QUdpSocket::readyRead, this, &Listener::readPending);
}

bool Listener::start(const ListenOptions& options, QString* error) {
    stop();
    const bool multicast = !options.group.isNull();
    if (multicast && !options.group.isMulticast()) {
        if (error)
            *error = QStringLiteral("マルチキャストのアドレスではありません: ") +
                     options.group.toString();
        return false;
    }
    // Several programs may share a multicast group's port; a port of our own
    // is ours alone.
    const bool bound = multicast
                           ? socket_.bind(QHostAddress(QHostAddress::AnyIPv4), options.port,
                                          QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
                           : socket_.bind(options.address, options.port);
    if (!bound) {
        if (error)
            *error = QStringLiteral("UDPポート %1 で受信できません（%2）")
                         .arg(options.port)
                         .arg(socket_.error() == QAbstractSocket::AddressInUseError
                                  ? QStringLiteral("ほかのプログラムが使用中です")
                              : socket_.error() == QAbstractSocket::SocketAccessError
                                  ? QStringLiteral("このポートを使う権限がありません")
                                  : socket_.errorString());
        return false;
    }
    if (multicast) {
        QNetworkInterface loopback;
        for (const QNetworkInterface& i : QNetworkInterface::allInterfaces())
            if (i.flags() & QNetworkInterface::IsLoopBack) loopback = i;
        const bool joined = loopback.isValid() ? socket_.joinMulticastGroup(options.group, loopback)
                                               : socket_.joinMulticastGroup(options.group);
        if (!joined) {
            if (error)
                *error = QStringLiteral("マルチキャストグループ %1 に参加できません（%2）")
                             .arg(options.group.toString(), socket_.errorString());
            socket_.close();
            return false;
        }
    }
    return true;
}

void Listener::stop() {
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.close();
}

bool Listener::listening() const {
    return socket_.state() == QAbstractSocket::BoundState;
}

quint16 Listener::port() const {
    return socket_.localPort();
}

void Listener::readPending() {
    // A burst is read to its end, each datagram at most kMaxDatagram + 1
    // bytes (a longer one reads as too long and is dropped).
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram(kMaxDatagram + 1);
        ++received_;
        const ReadResult read = readDatagram(datagram.data());
        if (read.drop == Drop::OtherType) {
            ++ignored_;
            continue;
        }
        if (!read.datagram) {
            ++dropped_;
            ++drops_[read.drop];
            continue;
        }
        Q_EMIT datagramRead(*read.datagram);
    }
}

}  // namespace wsjtx
