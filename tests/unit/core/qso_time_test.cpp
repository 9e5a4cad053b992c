#include "core/qso_time.h"

#include "test_support.h"

#include <QDateTime>
#include <QRegularExpression>

#include <gtest/gtest.h>

using testing_support::Sandbox;

namespace {

QsoStamp stamp(const QString& date, const QString& time, QChar zone, quint16 flags = 0) {
    return QsoStamp{u"JA1ABC"_s, date, time, zone, flags};
}

QString show(const QsoStamp& q) {
    return q.date + u' ' + q.time + q.zone;
}

// These expectations hold on a machine set to Japan time; ctest runs every
// test with TZ=Asia/Tokyo.
TEST(ConvertQsoTime, JapanTimeToUtcAcrossDayMonthAndYearEnds) {
    ASSERT_EQ(QDateTime::currentDateTime().offsetFromUtc(), 9 * 3600) << "run with TZ=Asia/Tokyo";
    struct Case {
        const char16_t* date;
        const char16_t* time;
        const char16_t* expected;
    } cases[] = {
        {u"24/03/15", u"23:30", u"24/03/15 14:30U"},
        {u"00/01/01", u"03:00", u"99/12/31 18:00U"},
        {u"24/03/01", u"05:00", u"24/02/29 20:00U"},  // leap year
        {u"23/03/01", u"08:59", u"23/02/28 23:59U"},
        {u"50/06/01", u"09:00", u"50/06/01 00:00U"},  // 2050
        {u"51/01/01", u"00:00", u"50/12/31 15:00U"},  // 1951
    };
    for (const Case& c : cases) {
        QsoStamp q = stamp(QString::fromUtf16(c.date), QString::fromUtf16(c.time), u'J');
        EXPECT_TRUE(ConvertQsoTime(q, 2));
        EXPECT_EQ(show(q), QString::fromUtf16(c.expected));
    }
}

TEST(ConvertQsoTime, UtcToJapanTimeAndRecordsAlreadyInTheTargetZone) {
    QsoStamp q = stamp(u"24/12/31"_s, u"20:00"_s, u'U');
    EXPECT_TRUE(ConvertQsoTime(q, 1));
    EXPECT_EQ(show(q), QStringLiteral("25/01/01 05:00J"));
    EXPECT_TRUE(ConvertQsoTime(q, 1));  // already Japan time: unchanged
    EXPECT_EQ(show(q), QStringLiteral("25/01/01 05:00J"));
    QsoStamp u = stamp(u"24/12/31"_s, u"20:00"_s, u'X');  // any letter but J is UTC
    EXPECT_TRUE(ConvertQsoTime(u, 3));
    EXPECT_EQ(show(u), QStringLiteral("24/12/31 20:00X"));
}

TEST(ConvertQsoTime, ModeZeroWritesCompactJapanTimeAndKeepsTheZoneLetter) {
    QsoStamp j = stamp(u"24/03/15"_s, u"09:05"_s, u'J');
    EXPECT_TRUE(ConvertQsoTime(j, 0));
    EXPECT_EQ(show(j), QStringLiteral("240315 0905J"));
    QsoStamp u = stamp(u"24/03/15"_s, u"20:05"_s, u'U');
    EXPECT_TRUE(ConvertQsoTime(u, 0));
    EXPECT_EQ(show(u), QStringLiteral("240316 0505U"));
}

TEST(ConvertQsoTime, AnImpossibleDateAsksWhetherToGoOn) {
    Sandbox box;
    QsoStamp q = stamp(u"24/02/30"_s, u"12:00"_s, u'J');
    box.messages.answer(1);  // OK
    EXPECT_TRUE(ConvertQsoTime(q, 2));
    box.messages.answer(2);  // Cancel
    QsoStamp t = stamp(u"24/02/10"_s, u"24:00"_s, u'U');
    EXPECT_FALSE(ConvertQsoTime(t, 1));
    ASSERT_EQ(box.messages.messages().size(), 2u);
    const MessageRequest& m = box.messages.messages()[0];
    EXPECT_EQ(m.text, QStringLiteral("JA1ABC  24/02/30  12:00J\r\r不正な日付時間です。"));
    EXPECT_EQ(m.caption, QStringLiteral("ZELKOV E-Mail QSL"));
    EXPECT_EQ(m.flags, 273u);
    EXPECT_FALSE(m.customDialog);                           // always the system box
    EXPECT_EQ(show(q), QStringLiteral("24/02/30 12:00J"));  // untouched
}

TEST(ConvertQsoTimeQuiet, ActsOnlyWhenTheModeAndFlagsAskForIt) {
    QsoStamp j = stamp(u"24/03/15"_s, u"08:00"_s, u'J');
    ConvertQsoTimeQuiet(j, 0);
    EXPECT_EQ(show(j), QStringLiteral("24/03/14 23:00U"));
    ConvertQsoTimeQuiet(j, 0);  // already UTC
    EXPECT_EQ(show(j), QStringLiteral("24/03/14 23:00U"));

    QsoStamp noFlag = stamp(u"24/03/15"_s, u"08:00"_s, u'J');
    ConvertQsoTimeQuiet(noFlag, 1);
    EXPECT_EQ(show(noFlag), QStringLiteral("24/03/15 08:00J"));
    QsoStamp flagged = stamp(u"24/03/15"_s, u"08:00"_s, u'J', kQsoFlagUtcOnCard);
    ConvertQsoTimeQuiet(flagged, 1);
    EXPECT_EQ(show(flagged), QStringLiteral("24/03/14 23:00U"));

    QsoStamp u = stamp(u"51/12/31"_s, u"15:00"_s, u'U');  // 2051 below 52
    ConvertQsoTimeQuiet(u, 2);
    EXPECT_EQ(show(u), QStringLiteral("52/01/01 00:00J"));
    ConvertQsoTimeQuiet(u, 2);  // already Japan time
    EXPECT_EQ(show(u), QStringLiteral("52/01/01 00:00J"));

    Sandbox box;
    QsoStamp bad = stamp(u"24/13/01"_s, u"08:00"_s, u'J');
    ConvertQsoTimeQuiet(bad, 0);
    EXPECT_EQ(show(bad), QStringLiteral("24/13/01 08:00J"));
    QsoStamp garbage = stamp(u"x"_s, QString(), u'J');
    ConvertQsoTimeQuiet(garbage, 0);
    EXPECT_EQ(garbage.date, QStringLiteral("x"));
    EXPECT_TRUE(box.messages.messages().empty());
}

TEST(NowText, FormatsTheLocalClock) {
    const QDateTime before = QDateTime::currentDateTime();
    const QString k1 = NowText(1), k2 = NowText(2), k3 = NowText(3), k4 = NowText(4),
                  k5 = NowText(5);
    const QDateTime after = QDateTime::currentDateTime();
    auto oneOf = [&](const QString& got, const QString& format) {
        return got == before.toString(format) || got == after.toString(format);
    };
    EXPECT_TRUE(oneOf(k1, u"yyMMdd"_s)) << k1.toStdString();
    EXPECT_TRUE(oneOf(k2, u"yy/MM/dd"_s)) << k2.toStdString();
    EXPECT_TRUE(oneOf(k3, u"HH:mm"_s)) << k3.toStdString();
    EXPECT_TRUE(oneOf(k4, u"yyMM"_s)) << k4.toStdString();
    EXPECT_TRUE(oneOf(k5, u"yyyy/MM/dd"_s)) << k5.toStdString();
    EXPECT_EQ(NowText(9), QString());
    EXPECT_EQ(NowText(0), QString());
}

}  // namespace
