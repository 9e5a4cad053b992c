#include "logdata/adif.h"
#include "core/sjis.h"
#include "logdata/log_store.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(Adif, FieldsBecomeAQsoInUtcWithJapaneseText) {
    const QByteArray cp932 =
        "header text<EOH>\r\n<CALL:8>JA1ABC/1 <QSO_DATE:8>20240315<TIME_ON:6>123456"
        "<FREQ:5>7.041<MODE:2>CW<RST_SENT:3>599<RST_RCVD:3>579<QSL_SENT:1>Y"
        "<QSL_RCVD:1>N<QSL_SENT_VIA:1>B<NAME:4>" +
        sjis::fromUnicode(u"山田") + "<QTH:6>" + sjis::fromUnicode(u"東京都") +
        "<CNTY:6>100101<GRIDSQUARE:4>PM95<COMMENT:5>hello<EOR>\r\n";
    const AdifParse parsed = parseAdi(cp932);
    ASSERT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.records.size(), 1u);
    QsoRecord q;
    QString why;
    ASSERT_TRUE(qsoFromAdif(parsed.records[0], q, why));
    EXPECT_EQ(q.call, u"JA1ABC/1"_s);
    EXPECT_EQ(q.date, u"24/03/15"_s);
    EXPECT_EQ(q.time, u"12:34"_s);
    EXPECT_EQ(q.zone, u'U');
    EXPECT_EQ(q.qslField(), u"JYN"_s);
    EXPECT_EQ(q.name, u"山田"_s);
    EXPECT_EQ(q.qth, u"東京都"_s);
    EXPECT_EQ(q.code, u"100101"_s);
    EXPECT_EQ(q.key.trimmed(), u"JA1ABC"_s);

    // UTF-8 values, with the length counted in characters by some programs,
    // and the international fields winning.
    const QByteArray utf8 = QStringLiteral(
                                "<call:6>JR2XYZ<qso_date:8>20240101<time_on:4>0000<band:3>40m"
                                "<mode:4>MFSK<submode:3>FT8<name:2>佐藤<name_intl:3>佐藤様<eor>")
                                .toUtf8();
    const AdifParse u = parseAdi(utf8);
    ASSERT_TRUE(u.error.isEmpty()) << u.error.toStdString();
    ASSERT_TRUE(qsoFromAdif(u.records.at(0), q, why));
    EXPECT_EQ(q.name, u"佐藤様"_s);
    EXPECT_EQ(q.freq, u"7"_s);
    EXPECT_EQ(q.mode, u"FT8"_s);
}

TEST(Adif, HostileFilesStopWithTheLineOrSkipIncompleteRecords) {
    const AdifParse truncated = parseAdi("<EOH>\n<CALL:6>JA1ABC<EOR>\n<CALL:20>JR2");
    EXPECT_EQ(truncated.records.size(), 1u);
    EXPECT_EQ(truncated.errorLine, 3);
    EXPECT_TRUE(truncated.error.contains(u"past the end"_s));

    const AdifParse badLength = parseAdi("<EOH>\n\n<CALL:x>JA1ABC<EOR>");
    EXPECT_EQ(badLength.errorLine, 3);
    EXPECT_FALSE(parseAdi("<CALL:-5>JA1ABC<EOR>").error.isEmpty());
    EXPECT_FALSE(parseAdi("<CALL:99999999>JA1ABC<EOR>").error.isEmpty());
    EXPECT_FALSE(parseAdi("<CALL:6>JA1ABC<EOR><CALL:6").error.isEmpty());

    // A length shorter than the value leaves the rest as text between fields.
    const AdifParse shortLength = parseAdi("<CALL:3>JA1ABC<QSO_DATE:8>20240101<EOR>");
    ASSERT_EQ(shortLength.records.size(), 1u);
    EXPECT_EQ(shortLength.records[0].fields.value(u"CALL"_s), u"JA1"_s);

    QsoRecord q;
    QString why;
    EXPECT_FALSE(qsoFromAdif(
        parseAdi("<CALL:6>JA1ABC<QSO_DATE:8>20241301<TIME_ON:4>0000<EOR>").records.at(0), q, why));
    EXPECT_FALSE(
        qsoFromAdif(parseAdi("<QSO_DATE:8>20240101<TIME_ON:4>0000<EOR>").records.at(0), q, why));
}

TEST(Adif, RealLogsImportOnceAndAFailedImportAddsNothing) {
    Sandbox box;
    LogStore log;
    ASSERT_TRUE(log.open(box.path(u"ZELKOV.mst"_s), true));
    const ImportResult ja = importAdif(
        log, dataFile(u"adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi"_s));
    EXPECT_TRUE(ja.error.isEmpty()) << ja.error.toStdString();
    EXPECT_EQ(ja.added, 126);
    const ImportResult again = importAdif(
        log, dataFile(u"adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi"_s));
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.duplicates, 126);
    for (const char16_t* f : {u"adif/lotw_qsl_report_trailing_comments_app_lotw_fields.adi",
                              u"adif/js8call_export_zero_length_fields.adi",
                              u"adif/n3fjp_aclog_438_qsos_mixed_case_qsl_sent_rcvd.adi"}) {
        const ImportResult r = importAdif(log, dataFile(QString::fromUtf16(f)));
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        EXPECT_GT(r.added, 0);
    }
    const int count = log.recordCount();
    QsoRecord lotw;
    ASSERT_TRUE(log.read(127, lotw));
    EXPECT_EQ(lotw.qslRcvd, u'Y');

    writeBytes(box.path(u"broken.adi"_s),
               "<EOH><CALL:6>JA9AAA<QSO_DATE:8>20240101<TIME_ON:4>0000<EOR>\n<CALL:30>X");
    const ImportResult broken = importAdif(log, box.path(u"broken.adi"_s));
    EXPECT_TRUE(broken.error.contains(u"line 2"_s)) << broken.error.toStdString();
    EXPECT_EQ(log.recordCount(), count);
}

}  // namespace
