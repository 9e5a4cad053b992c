// Our datagrams as WSJT-X's own decoder reads them: Debian's wsjtx package
// ships udp_daemon, a server of WSJT-X's network messages that prints what
// it receives. The heartbeat, status, QSO logged and logged ADIF datagrams
// our writer makes (the same bytes the tests feed the listener) must print
// what they were meant to say.

#include "link/wsjtx_datagram.h"
#include "test_support.h"

#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(UdpDaemon, ReadsOurDatagramsAsTheyWereMeant) {
    const QString daemon = QStandardPaths::findExecutable(u"udp_daemon"_s);
    if (daemon.isEmpty()) GTEST_SKIP() << "udp_daemon (Debian package wsjtx) is not installed";
    quint16 port = 0;
    {
        QUdpSocket probe;
        ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
        port = probe.localPort();
    }
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(daemon, {u"--port"_s, QString::number(port)});
    ASSERT_TRUE(server.waitForStarted(10000));
    QThread::msleep(700);  // bound before anything is sent

    const QString id = u"WSJT-X"_s;
    const QDateTime on(QDate(2026, 12, 9), QTime(12, 0, 15), Qt::UTC);
    wsjtx::Heartbeat beat{3, u"2.6.1"_s, u"r4711"_s};
    wsjtx::Status status;
    status.dialHz = 14'074'000;
    status.mode = u"FT8"_s;
    status.dxCall = u"JR2XYZ"_s;
    status.report = u"-12"_s;
    status.txMode = u"FT8"_s;
    status.deCall = u"JS2IIU"_s;
    wsjtx::QsoLogged q;
    q.on = on;
    q.off = on.addSecs(75);
    q.dxCall = u"JR2XYZ"_s;
    q.dxGrid = u"PM95"_s;
    q.txHz = 7'075'500;
    q.mode = u"FT8"_s;
    q.reportSent = u"-10"_s;
    q.reportReceived = u"-14"_s;
    q.txPower = u"50"_s;
    q.comments = u"TNX"_s;
    q.myCall = u"JS2IIU"_s;
    q.myGrid = u"PM84"_s;
    const QString adif =
        u"<call:6>JR2XYZ <mode:3>FT8 <qso_date:8>20261209 <time_on:6>120015 <EOR>"_s;
    QUdpSocket wsjtxSide;
    for (const QByteArray& d :
         {wsjtx::heartbeatDatagram(id, beat), wsjtx::statusDatagram(id, status),
          wsjtx::qsoLoggedDatagram(id, q), wsjtx::loggedAdifDatagram(id, adif)}) {
        wsjtxSide.writeDatagram(d, QHostAddress::LocalHost, port);
        QThread::msleep(100);
    }
    server.waitForReadyRead(3000);
    QThread::msleep(800);
    const QString printed = QString::fromUtf8(server.readAll());
    server.terminate();
    server.waitForFinished(3000);
    const auto said = [&](const QString& line) {
        EXPECT_TRUE(printed.contains(line)) << line.toStdString() << "\n--- printed:\n"
                                            << printed.toStdString();
    };
    said(u"Discovered WSJT-X instance: WSJT-X("_s);
    said(u") v2.6.1 (r4711)"_s);
    said(u": Dial frequency changed to 14074000"_s);
    said(u": Mode changed to FT8"_s);
    said(
        u"time_on: QDateTime(2026-12-09 12:00:15.000 UTC Qt::UTC) "
        u"time_off: QDateTime(2026-12-09 12:01:30.000 UTC Qt::UTC) "
        u"dx_call: \"JR2XYZ\" grid: \"PM95\" freq: 7075500 mode: \"FT8\" rpt_sent: \"-10\" "
        u"rpt_rcvd: \"-14\" Tx_pwr: \"50\" comments: \"TNX\" name: \"\" operator_call: \"\" "
        u"my_call: \"JS2IIU\" my_grid: \"PM84\""_s);
    said(
        u": Logged JR2XYZ grid: PM95 power: 50 sent: -10 recd: -14 freq: 7075500 "
        u"time_off: 2026-12-09 12:01:30.0"_s);
    said(u"ADIF: \""_s + adif + u'"');
}
