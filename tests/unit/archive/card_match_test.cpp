#include "archive/card_match.h"

#include "exchange/logging_program.h"
#include "log_fixture.h"
#include "logdata/zelkov50.h"
#include "mail/card_record.h"
#include "render/jpeg_io.h"
#include "settings/kankyo.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const qint64 kTenMinutes = matchToleranceSeconds(10);

TEST(CardMatch, TheCardsTimeWithinTheToleranceOfTheQsoInJapanTime) {
    Sandbox box;
    QsoRecord q = qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:42"_s);
    QString band, mode;
    // Ten minutes either side and one second more; eleven minutes is out.
    EXPECT_TRUE(
        MatchCardDateTime(u"JS2IIU_261120_2352_7.024_CW_JA1ABC.jpg"_s, q, kTenMinutes, band, mode));
    EXPECT_EQ(band, u"7.024_CW_JA1"_s);  // twelve characters; its number counts
    EXPECT_EQ(mode, u"CW"_s);
    EXPECT_TRUE(
        MatchCardDateTime(u"JS2IIU_261120_2332_7.024_CW_JA1ABC.jpg"_s, q, kTenMinutes, band, mode));
    EXPECT_FALSE(
        MatchCardDateTime(u"JS2IIU_261120_2353_7.024_CW_JA1ABC.jpg"_s, q, kTenMinutes, band, mode));
    EXPECT_FALSE(MatchCardDateTime(u"JS2IIU_261120_2352_7.024_CW_JA1ABC.jpg"_s, q,
                                   matchToleranceSeconds(9), band, mode));
    // Across midnight, and a UTC record taken to Japan time (nine hours on).
    q.time = u"23:58"_s;
    EXPECT_TRUE(
        MatchCardDateTime(u"JS2IIU_261121_0003_7.024_CW_JA1ABC.jpg"_s, q, kTenMinutes, band, mode));
    q.time = u"14:42"_s;
    q.zone = u'U';
    EXPECT_TRUE(
        MatchCardDateTime(u"JS2IIU_261120_2342_7.024_CW_JA1ABC.jpg"_s, q, kTenMinutes, band, mode));
    EXPECT_FALSE(
        MatchCardDateTime(u"JS2IIU_261120_1442_7.024_CW_JA1ABC.jpg"_s, q, kTenMinutes, band, mode));

    // Band and mode come from the name even without a QSO time; a dash in
    // the band stands for "/".
    q.time.clear();
    EXPECT_FALSE(MatchCardDateTime(u"JS2IIU_261120_2342_430-440_FM_JA1ABC.jpg"_s, q, kTenMinutes,
                                   band, mode));
    EXPECT_EQ(band, u"430/440_FM_J"_s);
    EXPECT_EQ(mode, u"FM"_s);
    // Names without the fields.
    band.clear();
    EXPECT_FALSE(MatchCardDateTime(u"JS2IIU_261120.jpg"_s, q, kTenMinutes, band, mode));
    EXPECT_TRUE(band.isEmpty());
    EXPECT_FALSE(MatchCardDateTime(u"JS2IIU_261120_2342_7.024.jpg"_s, q, kTenMinutes, band, mode));
    EXPECT_TRUE(box.messages.messages().empty());

    // A date no calendar has, in the name or in the QSO: said, band emptied.
    q = qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:42"_s);
    EXPECT_FALSE(MatchCardDateTime(u"JS2IIU_261320_2342_7.024_CW_JA1ABC.jpg,26/12/01 10:00"_s, q,
                                   kTenMinutes, band, mode));
    EXPECT_TRUE(band.isEmpty());
    ASSERT_EQ(box.messages.messages().size(), 1u);
    EXPECT_EQ(box.messages.messages()[0].text,
              u"ファイル名が不正な日付または時刻の電子QSLです！\r\r"
              u"JS2IIU_261320_2342_7.024_CW_JA1ABC.jpg"_s);
    q.time = u"25:61"_s;
    q.recno = 7;
    EXPECT_FALSE(
        MatchCardDateTime(u"JS2IIU_261120_2342_7.024_CW_JA1ABC.jpg"_s, q, kTenMinutes, band, mode));
    EXPECT_EQ(box.messages.messages().back().text,
              u"QSOデータの日付または時刻が不正です！\r\rNo7　JA1ABC　26/11/20　25:61"_s);
}

TEST(CardMatch, KeysOfShortAndLongCalls) {
    EXPECT_EQ(cardIndexKey(u"JA1ABC_261120_2342_7.024_CW_JS2IIU.jpg"_s), u"JA1ABC"_s);
    EXPECT_EQ(cardIndexKey(u"JA1AB_261120_2342_7.024_CW_JS2IIU.jpg"_s), u"JA1AB "_s);
    EXPECT_EQ(cardIndexKey(u"JA1A_261120_2342_7.024_CW_JS2IIU.jpg"_s), u"JA1A  "_s);
    EXPECT_EQ(cardIndexKey(u"7J1ABCD_261120_2342_7.024_CW_JS2IIU.jpg"_s), u"7J1ABC"_s);
}

// Against a log: the call's QSOs walked from the index backwards, the first
// that fits on time, band and mode wins; the mode table works one way.
TEST(CardMatch, TheFirstFittingQsoOfTheCallFromTheIndexBackwards) {
    Sandbox box;
    QsoRecord ssb = qso(u"JA1ABC"_s, u"26/11/20"_s, u"21:00"_s);
    ssb.mode = u"SSB"_s;
    QsoRecord j3e = qso(u"JA1ABC"_s, u"26/11/21"_s, u"21:00"_s);
    j3e.mode = u"J3E"_s;
    QsoRecord old = qso(u"JA1ABC"_s, u"96/11/22"_s, u"21:00"_s);
    QsoRecord portable = qso(u"JA1ABC/1"_s, u"26/11/23"_s, u"21:00"_s);
    portable.freq = u"14.050"_s;
    makeLog(box.path(u"ZELKOV.mst"_s), {qso(u"JR2XYZ"_s, u"26/11/20"_s, u"23:42"_s),
                                        qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:42"_s),
                                        qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:45"_s), ssb, j3e, old,
                                        portable, qso(u"JA1AB"_s, u"26/11/24"_s, u"21:00"_s)});
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, box.path(u"ZELKOV.mst"_s), 0), 0);
    EnvironmentSettings environment;
    environment.modeTable = u"SSB=J3E;CW=A1,A1A"_s;
    const auto modes = [&](const QString& logMode, const QString& cardMode) {
        return environment.ModeMatches(logMode, cardMode);
    };
    const auto match = [&](const QString& name) {
        return matchCard(log, name, kTenMinutes, modes);
    };
    // Both records 2 and 3 are within ten minutes: the later in the index wins.
    CardMatch m = match(u"JA1ABC_261120_2343_7.024_CW_JS2IIU.jpg"_s);
    EXPECT_EQ(m.verdict, 15);
    EXPECT_EQ(m.recno, 3);
    EXPECT_EQ(m.qso.time, u"23:45"_s);
    m = match(u"JA1ABC_261120_2334_7.024_A1A_JS2IIU.jpg"_s);  // 8 and 11 minutes
    EXPECT_EQ(m.recno, 2);
    // A J3E card confirms an SSB QSO; an SSB card does not confirm a J3E one.
    EXPECT_EQ(match(u"JA1ABC_261120_2100_7.024_J3E_JS2IIU.jpg"_s).recno, 4);
    // Unmatched, the verdict is the last record's looked at (record 2 here,
    // the walk's end): not 0, so the list says "不一致", not "無し".
    m = match(u"JA1ABC_261121_2100_7.024_SSB_JS2IIU.jpg"_s);
    EXPECT_FALSE(m.matched());
    EXPECT_EQ(m.verdict, 1 | 4);
    // Another band, another call with the same first letters, a QSO of 1996.
    EXPECT_EQ(match(u"JA1ABC_261120_2345_14.050_CW_JS2IIU.jpg"_s).verdict, 1 | 2 | 8);
    EXPECT_EQ(match(u"JA1ABC_261123_2100_14.050_CW_JS2IIU.jpg"_s).recno, 7);  // "/1" logged
    EXPECT_EQ(match(u"JA1AB_261124_2100_7.024_CW_JS2IIU.jpg"_s).recno, 8);
    EXPECT_FALSE(match(u"JA1ABC_961122_2100_7.024_CW_JS2IIU.jpg"_s).matched());
    // No QSO of the call at all.
    m = match(u"JH3AAA_261120_2342_7.024_CW_JS2IIU.jpg"_s);
    EXPECT_EQ(m.verdict, 0);
    EXPECT_EQ(m.recno, 0);
    ZelkovClose(log, 0);
    EXPECT_TRUE(box.messages.messages().empty());
}

// The logging program asks for the card of one QSO.
TEST(CardMatch, TheReceivedCardOfOneQso) {
    Sandbox box;
    QDir().mkpath(box.path(u"受信"_s));
    for (const auto& [name, bytes] : {std::pair{u"JA1ABC_261120_2330_7.024_CW_JS2IIU.jpg"_s, 3000},
                                      {u"JA1ABC_261120_2342_14.050_CW_JS2IIU.jpg"_s, 3000},
                                      {u"JA1ABC_261120_2343_7.024_CW_JS2IIU.jpg"_s, 2048},
                                      {u"JA1ABC_261120_2344_7.024_A1A_JS2IIU.jpg"_s, 3000},
                                      {u"JA1ABC_261120_2345_7.024_CW_JS2IIU.jpg"_s, 3000}})
        writeBytes(box.path(u"受信/"_s + name), QByteArray(bytes, 'x'));
    const QsoRecord q = qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:42"_s);
    const QString pattern = box.path(u"受信/JA1ABC_*.jpg"_s);
    const auto exact = [](const QString& a, const QString& b) { return a == b; };
    // Too far, another band, too small, another mode: the one at 23:45.
    EXPECT_EQ(FindReceivedCardForQso(pattern, q, matchToleranceSeconds(10), exact),
              box.path(u"受信/JA1ABC_261120_2345_7.024_CW_JS2IIU.jpg"_s));
    const auto table = [](const QString& a, const QString& b) {
        return a == b || (a == u"CW" && b == u"A1A");
    };
    EXPECT_EQ(FindReceivedCardForQso(pattern, q, matchToleranceSeconds(10), table),
              box.path(u"受信/JA1ABC_261120_2344_7.024_A1A_JS2IIU.jpg"_s));
    EXPECT_EQ(FindReceivedCardForQso(pattern, q, matchToleranceSeconds(1), exact), std::nullopt);
    EXPECT_EQ(FindReceivedCardForQso(box.path(u"受信/JH3AAA_*.jpg"_s), q, matchToleranceSeconds(10),
                                     exact),
              std::nullopt);

    // The record the logging program is answered with: the card's QSO, or
    // none when the log does not hold it (never some other record).
    AbsentLoggingProgram program;
    makeLog(box.path(u"ZELKOV.mst"_s), {qso(u"JR2XYZ"_s, u"26/11/19"_s, u"10:00"_s)});
    QString asked = pattern;
    EXPECT_EQ(ReceivedCardRecordOfQso(asked, q, box.path(u"ZELKOV.mst"_s),
                                      matchToleranceSeconds(10), exact, program),
              0);
    EXPECT_EQ(asked, box.path(u"受信/JA1ABC_261120_2345_7.024_CW_JS2IIU.jpg"_s));
    makeLog(box.path(u"ZELKOV.mst"_s), {qso(u"JA1ABC"_s, u"26/11/20"_s, u"23:45"_s)});  // No2
    asked = pattern;
    EXPECT_EQ(ReceivedCardRecordOfQso(asked, q, box.path(u"ZELKOV.mst"_s),
                                      matchToleranceSeconds(10), exact, program),
              2);

    // A card renamed by its receiver is found by the QSO inside it; a
    // record of another QSO does not make a matching name fail.
    QImage picture(640, 408, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QsoRecord theirs = qso(u"JS2IIU"_s, u"26/11/20"_s, u"23:42"_s);
    theirs.freq = u"14.074"_s;
    theirs.mode = u"FT8"_s;
    writeBytes(box.path(u"受信/JA1ABC_from_the_bureau.jpg"_s),
               encodeJpeg(picture, 90, cardRecordComment(cardRecordOf(theirs, u"JA1ABC"_s))));
    QsoRecord ft8 = q;
    ft8.freq = u"14.074"_s;
    ft8.mode = u"FT8"_s;
    EXPECT_EQ(FindReceivedCardForQso(pattern, ft8, matchToleranceSeconds(1), exact),
              box.path(u"受信/JA1ABC_from_the_bureau.jpg"_s));
    EXPECT_EQ(cardMatchNames(box.path(u"受信/JA1ABC_from_the_bureau.jpg"_s)),
              (QStringList{u"JA1ABC_FROM_THE_BUREAU.jpg"_s,
                           u"JA1ABC_261120_2342_14.074_FT8_JS2IIU.jpg"_s}));
}

}  // namespace
