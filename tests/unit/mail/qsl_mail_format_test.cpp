#include "mail/qsl_mail_format.h"

#include "core/comma_text.h"
#include "log_fixture.h"
#include "logdata/qso_selection.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QsoRecord record(const QString& mode = u"CW"_s) {
    QsoRecord q = qso(u"JA1ABC/1"_s, u"24/03/31"_s, u"23:30"_s);
    q.zone = u'U';
    q.mode = mode;
    q.hisRst = mode == u"FT8" ? u"-12"_s : u"599"_s;
    q.freq = u"7.0415"_s;
    return q;
}

// The candidate the selection makes of the record (Japan time, compact).
QStringList candidateOf(const QsoRecord& q) {
    QsoStamp s = q.stamp();
    ConvertQsoTime(s, 0);
    return {q.key.trimmed(),
            u"1"_s,
            q.call,
            s.date,
            s.time,
            q.hisRst,
            NormalizeFrequency(q.freq, true),
            q.mode,
            q.remarks1,
            q.remarks2};
}

TEST(CardText, ReportLabelsFollowTheRules) {
    const QString rules = u"FT8,FT4,JT65=dB;CW=RST"_s;
    EXPECT_EQ(reportLabel(rules, u"CW"_s), u"RST:"_s);
    EXPECT_EQ(reportLabel(rules, u"SSB"_s), u"RS:"_s);
    EXPECT_EQ(reportLabel(rules, u"FT8"_s), u"dB:"_s);
    EXPECT_EQ(reportLabel(rules, u"FT4"_s), u"dB:"_s);
    EXPECT_EQ(reportLabel(u"CW=RST;bad;FM=RS"_s, u"FM"_s), u"RS:"_s);  // the list ends at "bad"
    EXPECT_EQ(reportLabel(u"RTTY=RST"_s, u"TTY"_s), u"RST:"_s);        // a substring is enough
}

TEST(CardText, PlaceTextChoices) {
    QsoRecord q = record();
    q.remarks1 = u"移動 %東京都港区% QRP"_s;
    q.remarks2 = u"%群馬県"_s;
    EXPECT_EQ(placeTextFor(q, PlaceChoice::Remarks1Percent, u"box"_s), u"東京都港区"_s);
    EXPECT_EQ(placeTextFor(q, PlaceChoice::Remarks2Percent, u"box"_s), u"群馬県"_s);
    EXPECT_EQ(placeTextFor(q, PlaceChoice::Remarks1, u"box"_s), q.remarks1);
    EXPECT_EQ(placeTextFor(q, PlaceChoice::PlaceBox, u"box"_s), u"box"_s);
    q.remarks1 = u"no percent"_s;
    q.remarks2.clear();
    EXPECT_EQ(placeTextFor(q, PlaceChoice::Remarks1Percent, u"box"_s), u"box"_s);
    EXPECT_EQ(placeTextFor(q, PlaceChoice::Remarks2, u"box"_s), u"box"_s);
}

TEST(CardText, UtcLateInTheMonthIsJapanTimeEverywhereButSlotThree) {
    const QsoRecord q = record();
    const QStringList cand = candidateOf(q);
    CardTextSettings s;
    s.ownCall = u"JR2XYZ"_s;
    s.placeText = u" 愛知県名古屋市"_s;
    std::optional<CardText> card = composeCardText(cand, q, s);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->fileName, u"JR2XYZ_240401_0830_7.041_CW_JA1ABC.jpg"_s);
    EXPECT_EQ(card->subject, u"ZELKOV E-Mail QSL From:JR2XYZ QSO-Date:2024/04/01"_s);
    EXPECT_EQ(card->xMailer, u"X-Mailer: ZELKOV E-Mail QSL, QSO-yymm:2404"_s);
    EXPECT_EQ(
        card->lines,
        (QStringList{u"To Radio:JA1ABC/1　Confirming Our QSO"_s, u"From:JR2XYZ 愛知県名古屋市"_s,
                     u"Date&Time:2024/03/31 23:30UTC RST:599 Freq:7.041MHz 2Way CW"_s}));
    s.time = CardTime::ToJst;
    card = composeCardText(cand, q, s);
    EXPECT_EQ(card->lines[2], u"Date&Time:2024/04/01 08:30JST RST:599 Freq:7.041MHz 2Way CW"_s);
    EXPECT_EQ(card->fileName, u"JR2XYZ_240401_0830_7.041_CW_JA1ABC.jpg"_s);
}

TEST(CardText, RigSlotsJoinWhenShortAndCrossBandKeepsItsSlash) {
    QsoRecord q = record(u"FM"_s);
    q.zone = u'J';
    q.freq = u"144/430"_s;
    CardTextSettings s;
    s.ownCall = u"JR2XYZ"_s;
    s.remark = u"Tnx QSO"_s;
    s.rig =
        RigLine{{u"1"_s, u"144"_s, u"IC-9700"_s, u"50"_s, u"GP"_s, u"10"_s, u""_s, u""_s, u""_s}};
    std::optional<CardText> card = composeCardText(candidateOf(q), q, s);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->fileName, u"JR2XYZ_240331_2330_144-430_FM_JA1ABC.jpg"_s);
    EXPECT_TRUE(card->lines[2].contains(u"Freq:144/430MHz 2Way FM"_s));
    EXPECT_TRUE(card->lines[2].contains(u"RS:599"_s));
    EXPECT_EQ(card->lines[3], u"Rig:IC-9700  Ant:GP 10mH　Power:50W"_s);
    EXPECT_EQ(card->lines[4], u"Remarks:Tnx QSO"_s);
    EXPECT_EQ(card->lines.size(), 5);

    // Long rig texts stay on two lines; a resend or a definition file has none.
    s.rig->items[2] = u"Very long transceiver name with options"_s;
    s.rig->items[4] = u"Five element Yagi at the top of the tower"_s;
    card = composeCardText(candidateOf(q), q, s);
    EXPECT_EQ(card->lines[3], u"Rig:Very long transceiver name with options"_s);
    EXPECT_EQ(card->lines[4], u"Ant:Five element Yagi at the top of the tower 10mH　Power:50W"_s);
    s.resend = true;
    EXPECT_EQ(composeCardText(candidateOf(q), q, s)->lines.size(), 4);
    s.resend = false;
    s.rig->items.resize(7);  // fewer than 8 items: no rig slots
    EXPECT_EQ(composeCardText(candidateOf(q), q, s)->lines.size(), 4);
}

TEST(CardText, AbandoningAnImpossibleDateMakesNoCard) {
    Sandbox box;
    QsoRecord q = record();
    q.date = u"24/02/30"_s;
    CardTextSettings s;
    s.time = CardTime::ToJst;
    box.messages.answer(2);  // Cancel
    EXPECT_FALSE(composeCardText(candidateOf(q), q, s));
}

TEST(CardText, BodyCaptionLinesAndMemo) {
    const QString memo = (QStringLiteral("行\r\n").repeated(310)).chopped(2);
    const QString body = cardMailBody(u"2025/11/01"_s, {u"a"_s, u"b"_s}, memo, true);
    EXPECT_TRUE(
        body.startsWith(u"ZELKOV E-Mail QSL Ver5.12　【2025/11/01版】\r\na\r\nb\r\n行\r\n"_s));
    EXPECT_EQ(body.count(u"行"_s), 300);
    EXPECT_EQ(cardMailBody(QString(), {u"a"_s}, memo, false),
              u"ZELKOV E-Mail QSL Ver5.12\r\na\r\n"_s);
    EXPECT_EQ(cardMessageText(u"S"_s, u"D"_s, u"B"_s), u"Subject:S\r\nDate:D\r\nB"_s);
}

TEST(CardName, ReadsBackTheFieldsAndRejectsShortNames) {
    CardName n = parseCardFileName(u"JR2XYZ_240401_0830_144-430_FM_JA1ABC.JPG"_s);
    ASSERT_TRUE(n.valid);
    EXPECT_EQ(n.fromCall, u"JR2XYZ"_s);
    EXPECT_EQ(n.yymmdd, u"240401"_s);
    EXPECT_EQ(n.hhmm, u"0830"_s);
    EXPECT_EQ(n.freq, u"144/430"_s);
    EXPECT_EQ(n.mode, u"FM"_s);
    EXPECT_EQ(n.toCall, u"JA1ABC"_s);
    EXPECT_EQ(parseCardFileName(u"JR2XYZ_240401_0830_1234567890123456_MODEMODEMODEMODE_X.jpg"_s)
                  .freq.size(),
              12);
    EXPECT_FALSE(parseCardFileName(u"JR2XYZ_240401_0830.jpg"_s).valid);
    EXPECT_FALSE(parseCardFileName(u""_s).valid);
    EXPECT_TRUE(isCardMailer(u"ZELKOV E-Mail QSL, QSO-yymm:2404"_s));
    EXPECT_EQ(cardMailerYyMm(u"ZELKOV E-Mail QSL, QSO-yymm:2404"_s), 2404);
    EXPECT_EQ(cardMailerYyMm(u"ZELKOV E-Mail QSL, QSO-yymm:24"_s), -1);
    EXPECT_FALSE(isCardMailer(u"Thunderbird"_s));
}

TEST(CardName, HostileModesCannotMakeAPath) {
    QsoRecord q = record(u"SSB/USB"_s);
    CardTextSettings s;
    s.ownCall = u"JR2XYZ"_s;
    const std::optional<CardText> card = composeCardText(candidateOf(q), q, s);
    ASSERT_TRUE(card);
    EXPECT_FALSE(card->fileName.contains(u'/'));
    EXPECT_EQ(card->fileName, u"JR2XYZ_240401_0830_7.041_SSB-USB_JA1ABC.jpg"_s);
}

}  // namespace
