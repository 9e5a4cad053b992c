#pragma once
// What WSJT-X sends when a QSO is logged, for the tests that play it: the
// QSO's fields ("QSO Logged"), its ADIF record ("Logged ADIF"), and then the
// first datagram cut short, which the reader must drop.

#include "link/wsjtx_datagram.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>

namespace testing_support {

// A 40m FT8 QSO with `call` at `at` (UTC), logged by `myCall`.
inline std::array<QByteArray, 3> announcedQso(const QString& call, const QDateTime& at,
                                              const QString& myCall) {
    wsjtx::QsoLogged q;
    q.on = at;
    q.off = at.addSecs(60);
    q.dxCall = call;
    q.txHz = 7'075'500;
    q.mode = QStringLiteral("FT8");
    q.reportSent = QStringLiteral("-10");
    q.reportReceived = QStringLiteral("-12");
    q.myCall = myCall;
    const QString adif =
        QStringLiteral(
            "<programid:6>WSJT-X <EOH>\n<call:%1>%2 <mode:3>FT8 <qso_date:8>%3 "
            "<time_on:6>%4 <band:3>40m <freq:8>7.075500 <rst_sent:3>-10 "
            "<rst_rcvd:3>-12 <EOR>\n")
            .arg(QString::number(call.size()), call, at.toString(QStringLiteral("yyyyMMdd")),
                 at.toString(QStringLiteral("HHmmss")));
    const QByteArray fields = wsjtx::qsoLoggedDatagram(QStringLiteral("WSJT-X"), q);
    return {fields, wsjtx::loggedAdifDatagram(QStringLiteral("WSJT-X"), adif), fields.left(40)};
}

}  // namespace testing_support
