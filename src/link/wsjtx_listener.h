#pragma once
// Listens for the datagrams of WSJT-X and JTDX: on a UDP port of the
// loopback address (WSJT-X's default server 127.0.0.1:2237), or in a
// multicast group on the loopback interface (WSJT-X's advice when several
// programs listen, e.g. 239.255.0.1), so that the datagrams never come from
// another computer unless the person asks for an address. Each datagram is
// read whole or dropped and counted (wsjtx_datagram.h).

#include "link/wsjtx_datagram.h"

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

#include <map>

namespace wsjtx {

inline constexpr quint16 kDefaultPort = 2237;

struct ListenOptions {
    quint16 port = kDefaultPort;
    QHostAddress group;  // a multicast group; null: the port itself
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
};

class Listener : public QObject {
    Q_OBJECT
public:
    explicit Listener(QObject* parent = nullptr);

    // False with `error` (in the person's words) when the port cannot be had.
    bool start(const ListenOptions& options, QString* error = nullptr);
    void stop();
    bool listening() const;
    quint16 port() const;

    int received() const { return received_; }
    // Types not taken (decodes come many a minute): not faults.
    int ignored() const { return ignored_; }
    int dropped() const { return dropped_; }
    const std::map<Drop, int>& drops() const { return drops_; }

Q_SIGNALS:
    // A datagram read whole: a QSO, or a heartbeat, status or close.
    void datagramRead(const wsjtx::Datagram& datagram);

private:
    void readPending();

    QUdpSocket socket_;
    int received_ = 0;
    int ignored_ = 0;
    int dropped_ = 0;
    std::map<Drop, int> drops_;
};

}  // namespace wsjtx
