// The QSO inside a card: the record of a QSO, its comment read back, the
// card name it stands for, and what is no card record.

#include "mail/card_record.h"

#include "log_fixture.h"
#include "logdata/qso_record.h"
#include "render/jpeg_io.h"
#include "test_support.h"

#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

using namespace testing_support;
using namespace Qt::Literals::StringLiterals;

TEST(CardRecord, AQsoInJapanTimeGoesInUtcAndComesBackAsItsCardName) {
    // 08:15 Japan time on 3 December is 23:15 UTC on the 2nd.
    QsoRecord q = qso(u"jr2xyz/2"_s, u"26/12/03"_s, u"08:15"_s);
    q.freq = u"7.024"_s;
    q.mode = u"CW"_s;
    q.hisRst = u"599"_s;
    const CardRecord r = cardRecordOf(q, u"JR1ABC"_s);
    const QByteArray comment = cardRecordComment(r);
    EXPECT_TRUE(comment.contains("<PROGRAMID:7>Sendvik "));
    EXPECT_TRUE(comment.contains("<QSO_DATE:8>20261202 <TIME_ON:4>2315 "));
    EXPECT_TRUE(comment.contains("<BAND:3>40m <FREQ:5>7.024 "));
    const std::optional<CardRecord> back = cardRecordFromComment(comment);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->stationCall, u"JR1ABC"_s);
    EXPECT_EQ(back->call, u"JR2XYZ/2"_s);
    EXPECT_EQ(back->utc, QDateTime(QDate(2026, 12, 2), QTime(23, 15), Qt::UTC));
    EXPECT_EQ(back->report, u"599"_s);
    EXPECT_EQ(cardNameOfRecord(*back), u"JR1ABC_261203_0815_7.024_CW_JR2XYZ-2.jpg"_s);
    EXPECT_EQ(cardRecordLine(*back),
              u"JR1ABC → JR2XYZ/2  2026/12/02 23:15 UTC  40m 7.024MHz CW  RST 599"_s);

    // A UTC QSO and a cross-band one keep their frequency text.
    QsoRecord dx = qso(u"K1ABC"_s, u"26/01/01"_s, u"00:30"_s);
    dx.zone = u'U';
    dx.freq = u"1200/430"_s;
    dx.mode = u"FM"_s;
    const auto cross = cardRecordFromComment(cardRecordComment(cardRecordOf(dx, u"JR1ABC"_s)));
    ASSERT_TRUE(cross);
    EXPECT_EQ(cross->frequency, u"1200/430"_s);
    EXPECT_EQ(cardNameOfRecord(*cross), u"JR1ABC_260101_0930_1200-430_FM_K1ABC.jpg"_s);
}

TEST(CardRecord, WhatIsNoCardRecordIsLeftAlone) {
    EXPECT_FALSE(cardRecordFromComment("Created with GIMP"));
    EXPECT_FALSE(cardRecordFromComment("<CALL:6>JA1ZLO <EOR>"));  // no sender, no time
    EXPECT_FALSE(cardRecordFromComment(
        "<STATION_CALLSIGN:6>JR1ABC <CALL:6>JA1ZLO <QSO_DATE:8>20261341 <TIME_ON:4>2315 <EOR>"));
    EXPECT_FALSE(cardRecordFromComment(
        "<STATION_CALLSIGN:6>JR1ABC <CALL:6>JA1ZLO <QSO_DATE:8>20261201 <TIME_ON:4>2315 <EOR>"
        "<STATION_CALLSIGN:6>JR1ABC <CALL:6>JA1ZLO <QSO_DATE:8>20261201 <TIME_ON:4>2316 <EOR>"));
    EXPECT_FALSE(cardRecordFromComment(QByteArray(5000, '<') + "<EOR>"));
    EXPECT_TRUE(jpegComments("not a jpeg").isEmpty());
    // A comment whose length runs past the bytes at hand is not read.
    EXPECT_TRUE(jpegComments(QByteArray("\xff\xd8\xff\xfe\x10\x00short", 11)).isEmpty());
}

// The record rides in a comment segment that other readers pass over without
// a word: libjpeg-turbo's djpeg, Pillow and ImageMagick.
TEST(CardRecord, OtherReadersReadTheCardWithoutAWarning) {
    Sandbox box;
    QImage card(1024, 652, QImage::Format_RGB32);
    card.fill(qRgb(30, 120, 200));
    QsoRecord q = qso(u"JR2XYZ"_s, u"26/12/03"_s, u"08:15"_s);
    q.freq = u"7.024"_s;
    q.mode = u"CW"_s;
    const QByteArray comment = cardRecordComment(cardRecordOf(q, u"JR1ABC"_s));
    const QString path = box.path(u"card.jpg"_s);
    ASSERT_TRUE(writeJpeg(card, path, 90, nullptr, comment));
    const QList<QByteArray> found = jpegCommentsOf(path);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0], comment);
    EXPECT_EQ(readBytes(path).size(), encodeJpeg(card, 90).size() + comment.size() + 4);
    const auto quiet = [](const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
        const QByteArray err = p.readAllStandardError();
        EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << err.toStdString();
        EXPECT_TRUE(err.trimmed().isEmpty()) << program.toStdString() << ": " << err.toStdString();
        return p.readAllStandardOutput();
    };
    quiet(u"djpeg"_s, {u"-outfile"_s, box.path(u"card.ppm"_s), path});
    EXPECT_EQ(quiet(u"/usr/bin/python3"_s,
                    {u"-W"_s, u"error"_s, u"-c"_s,
                     u"import sys; from PIL import Image; i = Image.open(sys.argv[1]); i.load(); "
                     u"print(i.size, i.info.get('comment', b'')[:30])"_s,
                     path})
                  .trimmed(),
              QByteArray("(1024, 652) b'<ADIF_VER:5>3.1.4 <PROGRAMID:7'"));
    EXPECT_EQ(quiet(u"identify"_s, {u"-regard-warnings"_s, u"-format"_s, u"%wx%h"_s, path}),
              QByteArray("1024x652"));
}
