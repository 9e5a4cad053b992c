#include "archive/received_list.h"

#include "log_fixture.h"
#include "logdata/adif.h"
#include "logdata/log_store.h"
#include "logdata/zelkov50.h"
#include "settings/kankyo.h"
#include "test_support.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

void card(const Sandbox& box, const QString& name, int bytes, const QString& time) {
    const QString path = box.path(u"受信/"_s + name);
    writeBytes(path, QByteArray(bytes, 'x'));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::fromString(time, u"yyyy-MM-dd HH:mm"_s),
                     QFileDevice::FileModificationTime);
}

std::vector<QString> names(const std::vector<ReceivedCardFile>& files) {
    std::vector<QString> out;
    for (const ReceivedCardFile& f : files)
        out.push_back(f.name.left(6));
    return out;
}

// The receive folder's cards, in the list's orders, matched against a log.
TEST(ReceivedList, CardsOfTheFolderInOrderMatchedAndCounted) {
    Sandbox box;
    QDir().mkpath(box.path(u"受信"_s));
    card(box, u"ja1abc_261120_2342_7.024_CW_JS2IIU.JPG"_s, 3000, u"2026-12-03 10:00"_s);
    card(box, u"JR2XYZ_261121_1000_7.024_CW_JS2IIU.jpg"_s, 3000, u"2026-12-01 10:00"_s);
    card(box, u"JH3AAA_261122_1000_7.024_CW_JS2IIU.jpg"_s, 3000, u"2026-12-02 10:00"_s);
    card(box, u"JA1ABC_261125_1000_7.024_CW_JS2IIU.jpg"_s, 3000, u"2026-12-04 10:00"_s);
    card(box, u"JA1ABC_261126_1000_7.024_CW_JS2IIU.jpg"_s, 2048, u"2026-12-04 10:00"_s);
    card(box, u"JA1ABC_200101_1000_7.024_CW_JS2IIU.jpg"_s, 3000, u"2026-12-04 10:00"_s);
    card(box, u"NOFIELDS.jpg"_s, 3000, u"2026-12-05 10:00"_s);

    ReceivedListSettings settings;
    settings.oldestDate = u"21/01/01"_s;
    const QString folder = box.path(u"受信"_s);
    // By QSO date (a name without one left out), by file time, by call.
    settings.order = 1;
    EXPECT_EQ(names(receivedCardFiles(folder, settings)),
              (std::vector<QString>{u"JA1ABC"_s, u"JR2XYZ"_s, u"JH3AAA"_s, u"JA1ABC"_s}));
    settings.order = 0;
    EXPECT_EQ(names(receivedCardFiles(folder, settings)),
              (std::vector<QString>{u"JR2XYZ"_s, u"JH3AAA"_s, u"JA1ABC"_s, u"JA1ABC"_s}));
    settings.order = 2;
    const std::vector<ReceivedCardFile> files = receivedCardFiles(folder, settings);
    EXPECT_EQ(names(files), (std::vector<QString>{u"JA1ABC"_s, u"JA1ABC"_s, u"JH3AAA"_s,
                                                  u"JR2XYZ"_s}));  // no date: older than all
    EXPECT_EQ(files[0].name, u"JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg"_s);
    EXPECT_EQ(files[0].fileTime, u"26/12/03 10:00"_s);
    settings.oldestDate = u"00/00/00"_s;
    EXPECT_EQ(receivedCardFiles(folder, settings).size(), 6u);

    QsoRecord marked = qso(u"JR2XYZ"_s, u"26/11/21"_s, u"10:05"_s, u'H');
    marked.qslRcvd = u'H';
    QsoRecord withName = qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:40"_s);
    withName.name = u"Taro"_s;
    makeLog(box.path(u"ZELKOV.mst"_s), {marked, withName});
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    settings.details = true;
    const ReceivedList list = matchReceivedCards(
        files, log, settings, [](const QString& a, const QString& b) { return a == b; });
    ZelkovClose(log, 0);
    ASSERT_EQ(list.rows.size(), 4u);
    EXPECT_EQ(list.rows[0].commaText(),
              u"\"○    \",JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg,\"26/12/03 10:00\",2,,Taro,,,"_s);
    EXPECT_EQ(list.rows[1].mark, u"■×"_s);
    EXPECT_EQ(list.rows[1].record, u"不一致"_s);  // a QSO of the call, not this one
    EXPECT_TRUE(list.rows[1].details.isEmpty());
    EXPECT_EQ(list.rows[2].record, u"無し"_s);
    EXPECT_EQ(list.rows[3].mark, u"◎ HH "_s);
    EXPECT_EQ(list.rows[3].recno, 1);
    EXPECT_EQ(list.marked, 1);
    EXPECT_EQ(list.matched, 1);
    EXPECT_EQ(list.unmatched, 2);
    EXPECT_EQ(list.unissued, 1);
    EXPECT_EQ(list.firstOpen, 0);
    EXPECT_EQ(list.firstUnissued, 0);
    EXPECT_EQ(receivedListStatus(4, list, true),
              u" 4個の電子QSL（◎＝1個, ○＝1個, ■×＝2個, 未発行＝1件）"_s);
    EXPECT_EQ(receivedListStatus(2, list, false), u" 2個の電子QSL"_s);
    ReceivedList noneOpen;
    noneOpen.unmatched = 3;
    noneOpen.unissued = 1;
    EXPECT_EQ(receivedListStatus(3, noneOpen, true),
              u" 3個の電子QSL（◎＝0個, ■×＝3個, 未発行＝1件）"_s);
}

// A log of 3,000 QSOs logged in UTC and 300 cards of six kinds: the card of
// the QSO, ten minutes off (still the QSO), eleven minutes off, another
// band, the mode the table lets stand for the logged one, a station never
// worked. Every card lands where its kind says.
TEST(ReceivedList, HundredsOfCardsAgainstThousandsOfQsos) {
    Sandbox box;
    const QDate first(2015, 1, 1);
    QByteArray adi = "generated\n<EOH>\n";
    const auto field = [&adi](const char* name, const QByteArray& value) {
        adi += '<' + QByteArray(name) + ':' + QByteArray::number(value.size()) + '>' + value;
    };
    const auto callOf = [](int i) {
        return QStringLiteral("JA%1X%2").arg(i % 10).arg(QChar(u'A' + i / 10 % 26)) +
               QChar(u'A' + i / 260 % 26);
    };
    for (int i = 0; i < 3000; ++i) {
        field("CALL", callOf(i % 300).toLatin1());
        field("QSO_DATE", first.addDays(i).toString(u"yyyyMMdd"_s).toLatin1());
        field("TIME_ON", "0310");
        field("FREQ", i % 2 ? "7.024" : "14.200");
        field("MODE", i % 2 ? "CW" : "SSB");
        adi += "<EOR>\n";
    }
    writeBytes(box.path(u"log.adi"_s), adi);
    {
        LogStore store;
        ASSERT_TRUE(store.open(box.path(u"ZELKOV.mst"_s), true));
        ASSERT_EQ(importAdif(store, box.path(u"log.adi"_s)).added, 3000);
    }
    const QString folder = box.path(u"受信"_s);
    QDir().mkpath(folder);
    int expectedMatched = 0, expectedMismatch = 0, expectedNone = 0;
    for (int n = 0; n < 300; ++n) {
        const int i = n * 10 + n % 10;  // spread over the log
        const int kind = n % 6;
        // 03:10 UTC is 12:10 in Japan time.
        const int minutes = kind == 1 ? 20 : kind == 2 ? 21 : 10;
        const bool cw = i % 2;
        const QString band = kind == 3 ? u"21.200"_s : cw ? u"7.024"_s : u"14.200"_s;
        const QString mode = kind == 4 && !cw ? u"J3E"_s : cw ? u"CW"_s : u"SSB"_s;
        const QString call = kind == 5 ? QStringLiteral("JD1Z%1").arg(n) : callOf(i % 300);
        const QString name = QStringLiteral("%1_%2_12%3_%4_%5_JS2IIU.jpg")
                                 .arg(call, first.addDays(i).toString(u"yyMMdd"_s))
                                 .arg(minutes, 2, 10, QChar(u'0'))
                                 .arg(band, mode);
        QFile file(folder + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(4096));
        (kind == 5 ? expectedNone : kind == 2 || kind == 3 ? expectedMismatch : expectedMatched)++;
    }
    ReceivedListSettings settings;
    settings.order = 2;
    const std::vector<ReceivedCardFile> files = receivedCardFiles(folder, settings);
    ASSERT_EQ(files.size(), 300u);
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    EnvironmentSettings environment;
    const ReceivedList list = matchReceivedCards(
        files, log, settings, [&environment](const QString& logMode, const QString& cardMode) {
            return environment.ModeMatches(logMode, cardMode);
        });
    ZelkovClose(log, 0);
    EXPECT_EQ(list.matched, expectedMatched);
    EXPECT_EQ(list.unissued, expectedMatched);
    EXPECT_EQ(list.marked, 0);
    int none = 0, mismatch = 0;
    for (const ReceivedRow& row : list.rows) {
        if (row.recno > 0) {
            // The QSO of the card's own day (one QSO a day, in log order).
            const QDate day = QDate::fromString(row.name.section(u'_', 1, 1), u"yyMMdd"_s);
            EXPECT_EQ(row.recno, first.daysTo(day.addYears(100)) + 1) << row.name.toStdString();
        }
        none += row.record == u"無し";
        mismatch += row.record == u"不一致";
    }
    EXPECT_EQ(none, expectedNone);
    EXPECT_EQ(mismatch, expectedMismatch);
}

}  // namespace
