// Why received cards match no QSO, and the time differences many share.

#include "archive/near_misses.h"
#include "archive/card_match.h"

#include "log_fixture.h"
#include "logdata/zelkov50.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

NearMiss miss(const QString& call, const QString& card, std::vector<qint64> offsets) {
    NearMiss m;
    m.cardName = card;
    m.call = call;
    int recno = 1;
    for (qint64 off : offsets) {
        NearQso n;
        n.recno = recno++;
        n.qso = qso(call, u"26/11/20"_s, u"12:00"_s);
        n.minutesOff = off;
        n.timeKnown = n.sameBand = n.sameMode = true;
        m.aligned.push_back(n);
    }
    return m;
}

// One station's cards that share a difference form a group even when a
// nearer QSO lies on the other side; what is left groups across stations;
// a difference within the tolerance, or shared by too few, is none.
TEST(NearMisses, SharedDifferencesByStationThenAcrossStations) {
    const qint64 tolerance = matchToleranceSeconds(10);
    const std::vector<NearMiss> misses = {
        miss(u"JA1ABC"_s, u"A1"_s, {-19, 540}),  miss(u"JA1ABC"_s, u"A2"_s, {540}),
        miss(u"JA1ABC"_s, u"A3"_s, {540, 1440}), miss(u"JA2BBB"_s, u"B1"_s, {1440}),
        miss(u"JA3CCC"_s, u"C1"_s, {1440}),      miss(u"JA4DDD"_s, u"D1"_s, {1440, 5}),
        miss(u"JA5EEE"_s, u"E1"_s, {5}),         miss(u"JA5EEE"_s, u"E2"_s, {5}),
        miss(u"JA5EEE"_s, u"E3"_s, {5}),         miss(u"JA6FFF"_s, u"F1"_s, {60}),
    };
    const std::vector<CommonOffset> found = commonOffsets(misses, tolerance);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].call, u"JA1ABC"_s);
    EXPECT_EQ(found[0].minutesOff, 540);
    ASSERT_EQ(found[0].cards.size(), 3u);
    EXPECT_EQ(found[0].cards[0].cardName, u"A1"_s);
    EXPECT_EQ(found[0].cards[0].recno, 2);  // its QSO nine hours off, not the nearer one
    EXPECT_TRUE(found[1].call.isEmpty());   // several stations, A3 taken already
    EXPECT_EQ(found[1].minutesOff, 1440);
    EXPECT_EQ(found[1].cards.size(), 3u);
    EXPECT_EQ(commonOffsetText(found[0]),
              u"JA1ABC局の電子QSL 3枚は、QSOの時刻より 9時間 遅くなっています。"
              u"（日本時間をUTCとして記録した可能性があります）"_s);
    EXPECT_EQ(commonOffsetText(found[1]),
              u"複数局の電子QSL 3枚は、QSOの時刻より 1日 遅くなっています。"_s);
    EXPECT_EQ(commonOffsets(misses, tolerance, 4).size(), 1u);  // A3 goes with 1440 then
    EXPECT_TRUE(commonOffsets(misses, tolerance, 5).empty());

    EXPECT_EQ(offsetText(-540), u"9時間"_s);
    EXPECT_EQ(offsetText(1440 + 185), u"1日と3時間5分"_s);
    EXPECT_EQ(offsetText(0), u"0分"_s);
}

// The forced name carries the QSO's date and time in Japan time; a UTC QSO
// is turned; a name without the fields or a QSO without a time gives none.
TEST(NearMisses, TheForcedNameTakesTheQsosJapanTime) {
    QsoRecord q = qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:42"_s);
    EXPECT_EQ(forcedMatchName(u"JA1ABC_261121_0842_7.024_CW_JS2IIU.jpg"_s, q),
              u"JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg"_s);
    q.zone = u'U';
    EXPECT_EQ(forcedMatchName(u"JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg"_s, q),
              u"JA1ABC_261121_0842_7.024_CW_JS2IIU.jpg"_s);
    EXPECT_EQ(forcedMatchName(u"JA1ABC_from_the_bureau.jpg"_s, q), QString());
    EXPECT_EQ(forcedMatchName(u"JA1ABC.jpg"_s, q), QString());
    q.time.clear();
    EXPECT_EQ(forcedMatchName(u"JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg"_s, q), QString());
}

}  // namespace

// The explanation says what the list does: a QSO of last century is never
// "一致", and a name with its date, time and band is read as such.
TEST(NearMisses, TheExplanationAgreesWithTheList) {
    Sandbox box;
    makeLog(box.path(u"ZELKOV.mst"_s), {qso(u"JA1ABC"_s, u"99/12/31"_s, u"23:00"_s),
                                        qso(u"JA1ABC"_s, u"26/11/20"_s, u"12:00"_s)});
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    const auto exact = [](const QString& a, const QString& b) { return a == b; };
    const NearMiss old = findNearMiss(log, u"JA1ABC_991231_2300_7.024_CW_JS2IIU.jpg"_s, {}, exact);
    EXPECT_EQ(matchCard(log, old.cardName, matchToleranceSeconds(0), exact).matched(), false);
    const QStringList oldLines = nearMissLines(old);
    ASSERT_FALSE(oldLines.isEmpty());
    EXPECT_TRUE(oldLines[0].startsWith(u"No.1  1999/12/31 23:00 JST"_s))
        << oldLines[0].toStdString();
    EXPECT_TRUE(oldLines[0].contains(u"1900年代のQSO（照合の対象外）"_s))
        << oldLines[0].toStdString();
    for (const QString& line : oldLines)
        EXPECT_FALSE(line.endsWith(u"一致"_s)) << line.toStdString();
    for (const NearQso& n : old.aligned)
        EXPECT_NE(n.recno, 1);  // no forced match to it

    const NearMiss late = findNearMiss(log, u"JA1ABC_261120_1230_7.024_CW_JS2IIU.jpg"_s, {}, exact);
    const QStringList lateLines = nearMissLines(late);
    ASSERT_FALSE(lateLines.isEmpty());
    EXPECT_TRUE(lateLines[0].endsWith(u"時刻 +30分（30分遅い）"_s)) << lateLines[0].toStdString();
    ZelkovClose(log, 0);
}
