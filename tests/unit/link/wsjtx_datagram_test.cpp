// The datagrams of WSJT-X and JTDX: what they carry is read whole, and what
// does not read whole is dropped with its reason.

#include "link/wsjtx_datagram.h"
#include "link/wsjtx_qso.h"
#include "logdata/log_store.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace wsjtx;

namespace {

QsoLogged sampleQso() {
    QsoLogged q;
    q.on = QDateTime(QDate(2026, 12, 9), QTime(12, 0, 15), Qt::UTC);
    q.off = q.on.addSecs(75);
    q.dxCall = u"JA1ABC"_s;
    q.dxGrid = u"PM95"_s;
    q.txHz = 7'074'000 + 1500;
    q.mode = u"FT8"_s;
    q.reportSent = u"-10"_s;
    q.reportReceived = u"-14"_s;
    q.txPower = u"50"_s;
    q.comments = u"ありがとう"_s;
    q.myCall = u"JS2IIU"_s;
    q.myGrid = u"PM84"_s;
    return q;
}

TEST(WsjtxDatagram, EachTypeTakenReadsBackAsWritten) {
    for (const quint32 schema : {2u, 3u}) {
        const ReadResult logged = readDatagram(qsoLoggedDatagram(u"WSJT-X"_s, sampleQso(), schema));
        ASSERT_TRUE(logged.datagram) << dropText(logged.drop).toStdString();
        EXPECT_EQ(logged.datagram->schema, schema);
        EXPECT_EQ(logged.datagram->id, u"WSJT-X"_s);
        const auto& q = std::get<QsoLogged>(logged.datagram->body);
        EXPECT_EQ(q.dxCall, u"JA1ABC"_s);
        EXPECT_EQ(q.on, sampleQso().on);
        EXPECT_EQ(q.off.toUTC().time(), QTime(12, 1, 30));
        EXPECT_EQ(q.txHz, 7'075'500u);
        EXPECT_EQ(q.comments, u"ありがとう"_s);
        EXPECT_EQ(q.myGrid, u"PM84"_s);
        EXPECT_TRUE(q.name.isEmpty());
    }
    const QString adif = u"<adif_ver:5>3.1.0 <programid:6>WSJT-X <EOH> <call:6>JA1ABC <EOR>"_s;
    const ReadResult record = readDatagram(loggedAdifDatagram(u"JTDX"_s, adif));
    ASSERT_TRUE(record.datagram);
    EXPECT_EQ(std::get<LoggedAdif>(record.datagram->body).adif, adif);
    Heartbeat beat{3, u"2.7.0"_s, u"abc123"_s};
    const ReadResult pulse = readDatagram(heartbeatDatagram(u"WSJT-X"_s, beat));
    ASSERT_TRUE(pulse.datagram);
    EXPECT_EQ(std::get<Heartbeat>(pulse.datagram->body).version, u"2.7.0"_s);
    Status status;
    status.dialHz = 14'074'000;
    status.mode = u"FT4"_s;
    status.dxCall = u"JR2XYZ"_s;
    status.deCall = u"JS2IIU"_s;
    const ReadResult state = readDatagram(statusDatagram(u"WSJT-X"_s, status));
    ASSERT_TRUE(state.datagram);
    EXPECT_EQ(std::get<Status>(state.datagram->body).dialHz, 14'074'000u);
    EXPECT_EQ(std::get<Status>(state.datagram->body).deCall, u"JS2IIU"_s);
    EXPECT_TRUE(std::holds_alternative<Close>(readDatagram(closeDatagram(u"X"_s)).datagram->body));
    // Fields a newer sender appends are left alone; an older sender's
    // shorter QSO takes its time off as time on.
    QByteArray longer = qsoLoggedDatagram(u"WSJT-X"_s, sampleQso()) + QByteArray(40, '\x7f');
    EXPECT_TRUE(readDatagram(longer).datagram);
    const QByteArray head = qsoLoggedDatagram(u"WSJT-X"_s, sampleQso());
    // Cut right after the name, where an older WSJT-X ends: the time on (13
    // bytes), a null operator (4), "JS2IIU" (10), "PM84" (8), three nulls (12).
    const qsizetype afterName = head.size() - (13 + 4 + 10 + 8 + 12);
    const ReadResult old = readDatagram(QByteArrayView(head).first(afterName));
    ASSERT_TRUE(old.datagram) << dropText(old.drop).toStdString();
    EXPECT_EQ(std::get<QsoLogged>(old.datagram->body).on,
              std::get<QsoLogged>(old.datagram->body).off);
}

TEST(WsjtxDatagram, WhatDoesNotReadWholeIsDroppedWithItsReason) {
    const QByteArray good = qsoLoggedDatagram(u"WSJT-X"_s, sampleQso());
    // Every cut short of the whole is dropped, never taken half.
    for (qsizetype n = 0; n < good.size(); ++n) {
        const ReadResult r = readDatagram(QByteArrayView(good).first(n));
        // Only cuts where an older sender's QSO ends read (from the name on).
        if (r.datagram) {
            EXPECT_GE(n, good.size() - 47) << n;
            continue;
        }
        EXPECT_NE(r.drop, Drop::None) << n;
    }
    auto withWord = [&good](qsizetype at, quint32 word) {
        QByteArray b = good;
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<char>((word >> (24 - 8 * i)) & 0xff);
        return b;
    };
    EXPECT_EQ(readDatagram(withWord(0, 0x12345678)).drop, Drop::NotWsjtx);
    EXPECT_EQ(readDatagram(withWord(4, 4)).drop, Drop::Schema);
    EXPECT_EQ(readDatagram(withWord(4, 1)).drop, Drop::Schema);
    EXPECT_EQ(readDatagram(withWord(8, 2)).drop, Drop::OtherType);  // a decode
    EXPECT_EQ(readDatagram(withWord(8, 99)).drop, Drop::OtherType);
    // The id's length: beyond the datagram, then null.
    EXPECT_EQ(readDatagram(withWord(12, 0x7fffffff)).drop, Drop::Truncated);
    EXPECT_EQ(readDatagram(withWord(12, 0xffffffff)).drop, Drop::NullRequired);
    EXPECT_EQ(readDatagram(QByteArray(8, '\0')).drop, Drop::TooShort);
    EXPECT_EQ(readDatagram(QByteArray(kMaxDatagram + 1, '\0')).drop, Drop::TooLong);
    // The ADIF of a Logged ADIF may not be null; nor the partner's call.
    QByteArray nullAdif = loggedAdifDatagram(u"WSJT-X"_s, QString());
    EXPECT_EQ(readDatagram(nullAdif).drop, Drop::NullRequired);
    QsoLogged noCall = sampleQso();
    noCall.dxCall = QString();
    EXPECT_EQ(readDatagram(qsoLoggedDatagram(u"WSJT-X"_s, noCall)).drop, Drop::NullRequired);
    // A date no log has, a time past midnight, a zone by name.
    const qsizetype time = 12 + 4 + 6;  // after the header and the id "WSJT-X"
    QByteArray farDay = good;
    farDay[time] = '\x7f';
    EXPECT_EQ(readDatagram(farDay).drop, Drop::BadTime);
    EXPECT_EQ(readDatagram(withWord(time + 8, 86'400'000)).drop, Drop::BadTime);
    QByteArray zone = good;
    zone[time + 12] = 3;
    EXPECT_EQ(readDatagram(zone).drop, Drop::BadTime);
    EXPECT_FALSE(dropText(Drop::Truncated).isEmpty());
}

}  // namespace

namespace {

// The two datagrams WSJT-X sends for one QSO join the log once; a record
// that is no QSO is refused with its reason.
TEST(WsjtxQso, OneQsoJoinsTheLogOnceWhicheverDatagramsBringIt) {
    testing_support::Sandbox box;
    LogStore log;
    ASSERT_TRUE(log.open(box.path(u"ZELKOV.mst"_s), true));
    const QsoLogged q = sampleQso();
    const auto fromQso = adifOf(*readDatagram(qsoLoggedDatagram(u"WSJT-X"_s, q)).datagram);
    ASSERT_TRUE(fromQso);
    const Joined first = joinQso(log, *fromQso);
    ASSERT_EQ(first.result, Joined::Result::Added) << first.why.toStdString();
    EXPECT_EQ(first.recno, 1);
    EXPECT_EQ(first.qso.call, u"JA1ABC"_s);
    EXPECT_EQ(first.qso.mode, u"FT8"_s);
    const QString adif =
        u"<adif_ver:5>3.1.0 <programid:6>WSJT-X <EOH>\n<call:6>JA1ABC <mode:3>FT8 "
        u"<qso_date:8>20261209 <time_on:6>120015 <band:3>40m <freq:8>7.075500 <EOR>\n"_s;
    const auto fromAdif = adifOf(*readDatagram(loggedAdifDatagram(u"WSJT-X"_s, adif)).datagram);
    EXPECT_EQ(joinQso(log, *fromAdif).result, Joined::Result::Duplicate);
    EXPECT_EQ(log.recordCount(), 1);
    // Another band is another QSO.
    const QString other = QString(adif).replace(u"<band:3>40m <freq:8>7.075500"_s,
                                                u"<band:3>20m <freq:9>14.075500"_s);
    EXPECT_EQ(joinQso(log, other.toUtf8()).result, Joined::Result::Added);
    const Joined refused = joinQso(log, "<EOH><call:6>JA1ABC <mode:3>FT8 <EOR>");
    EXPECT_EQ(refused.result, Joined::Result::Refused);
    EXPECT_FALSE(refused.why.isEmpty());
    EXPECT_EQ(joinQso(log, "no adif at all").result, Joined::Result::Refused);
    EXPECT_FALSE(adifOf(*readDatagram(closeDatagram(u"X"_s)).datagram));
    EXPECT_EQ(bandOfHz(7'074'000), u"40m"_s);
    EXPECT_EQ(bandOfHz(50'313'000), u"6m"_s);
    EXPECT_TRUE(bandOfHz(9'000'000).isEmpty());
    // A band's lower edge as the log keeps it is inside the band.
    for (const auto& [mhz, band] : {std::pair{u"10.1"_s, u"30m"_s},
                                    {u"18.068"_s, u"17m"_s},
                                    {u"24.89"_s, u"12m"_s},
                                    {u"7.0"_s, u"40m"_s},
                                    {u"10"_s, u"30m"_s},
                                    {u"18"_s, u"17m"_s},
                                    {u"24"_s, u"12m"_s}})
        EXPECT_EQ(bandOfMHz(mhz), band) << mhz.toStdString();
    EXPECT_TRUE(bandOfMHz(u"-7"_s).isEmpty());
}

}  // namespace
