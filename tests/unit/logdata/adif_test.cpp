#include "logdata/adif.h"
#include "core/sjis.h"
#include "logdata/log_store.h"
#include "test_support.h"

#include <QDir>

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

    // Strict, a malformed field fails the whole import.
    writeBytes(box.path(u"broken.adi"_s),
               "<EOH><CALL:6>JA9AAA<QSO_DATE:8>20240101<TIME_ON:4>0000<EOR>\n"
               "<CALL:6>JA9AAB<QSO_DATE:x>20240101<TIME_ON:4>0000<EOR>\n"
               "<CALL:6>JA9AAC<QSO_DATE:8>20241301<TIME_ON:4>0000<EOR>\n"
               "<CALL:6>JA9AAD<QSO_DATE:8>20240101<TIME_ON:4>0000<EOR>\n<CALL:30>X");
    const ImportResult broken = importAdif(log, box.path(u"broken.adi"_s), true);
    EXPECT_EQ(broken.error, QDir::toNativeSeparators(box.path(u"broken.adi"_s)) +
                                u" の 2行目: フィールドの長さが不正です: <QSO_DATE:x>"_s);
    EXPECT_EQ(log.recordCount(), count);
    // Else each bad record is skipped, counted by reason and named by line.
    const ImportResult lenient = importAdif(log, box.path(u"broken.adi"_s));
    EXPECT_TRUE(lenient.error.isEmpty()) << lenient.error.toStdString();
    EXPECT_EQ(lenient.added, 2);
    EXPECT_EQ(lenient.skipped, 3);
    EXPECT_EQ(lenient.skippedBy, (std::vector<std::pair<QString, int>>{
                                     {u"bad QSO_DATE"_s, 1},
                                     {u"bad field length"_s, 1},
                                     {u"field runs past the end of the file"_s, 1}}));
    // The counts keep their keys; the named records say it in Japanese.
    ASSERT_EQ(lenient.firstSkipped.size(), 3u);
    EXPECT_EQ(lenient.firstSkipped[0], std::pair(2, u"フィールドの長さが不正です: <QSO_DATE:x>"_s));
    EXPECT_EQ(lenient.firstSkipped[1], std::pair(3, u"QSO_DATEが不正です"_s));
    EXPECT_EQ(lenient.firstSkipped[2],
              std::pair(5, u"フィールドがファイルの終わりを越えています: <CALL>"_s));

    // A file with no ADIF in it is refused, its bytes never quoted.
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919) % 251);
    writeBytes(box.path(u"photo.adi"_s), binary);
    const ImportResult notAdif = importAdif(log, box.path(u"photo.adi"_s));
    EXPECT_EQ(notAdif.error, u"ADIFファイルではありません（ADIFのフィールドがありません）: "_s +
                                 QDir::toNativeSeparators(box.path(u"photo.adi"_s)));
    // A file that cannot be read: named, with the system's reason.
    const ImportResult missing = importAdif(log, box.path(u"missing.adi"_s));
    EXPECT_TRUE(missing.error.startsWith(u"ADIFファイルを読めません: "_s +
                                         QDir::toNativeSeparators(box.path(u"missing.adi"_s)) +
                                         u"（"_s))
        << missing.error.toStdString();
    EXPECT_TRUE(missing.error.endsWith(u"）"_s)) << missing.error.toStdString();
    // Broken XML: the line, then the XML reader's own words.
    writeBytes(
        box.path(u"broken.adx"_s),
        "<?xml version=\"1.0\"?>\n<ADX><RECORDS><RECORD><CALL>JA1ABC</CALL>\n<QSO_DATE>2024");
    const ImportResult brokenXml = importAdif(log, box.path(u"broken.adx"_s));
    EXPECT_TRUE(brokenXml.error.startsWith(QDir::toNativeSeparators(box.path(u"broken.adx"_s)) +
                                           u" の 3行目: XMLが正しくありません（"_s))
        << brokenXml.error.toStdString();
    EXPECT_EQ(log.recordCount(), count + 2);

    // A log is written as ADIF only.
    const ExportResult csv = exportAdif(log, box.path(u"log.csv"_s));
    EXPECT_EQ(csv.error,
              u"QSOデータはADIFでのみ書き出せます。ファイル名を .adi（.adif）か .adx "
              u"にしてください: "_s +
                  QDir::toNativeSeparators(box.path(u"log.csv"_s)));
    EXPECT_FALSE(QFileInfo::exists(box.path(u"log.csv"_s)));
}

}  // namespace

namespace {

TEST(Adif, ExportsKeepJapaneseTextMarksAndDatesThroughARoundTrip) {
    Sandbox box;
    const QString mst = box.path(u"A.mst"_s);
    QsoRecord q;
    q.call = u"JA1ABC/1"_s;
    q.century = 20;
    q.date = u"24/03/15"_s;
    q.time = u"08:30"_s;
    q.zone = u'J';  // 23:30 UTC the day before
    q.freq = u"7,041"_s;
    q.mode = u"CW"_s;
    q.hisRst = u"599"_s;
    q.name = u"山田太郎"_s;
    q.qth = u"東京都千代田区"_s;
    q.remarks1 = u"ありがとう ①"_s;
    q.code = u"100101"_s;
    {
        LogStore log;
        ASSERT_TRUE(log.open(mst, true));
        ASSERT_EQ(log.insert(q), LogStore::InsertResult::Added);
        ASSERT_TRUE(log.writeMark(1, 1, u'H'));
        ASSERT_TRUE(log.writeMark(1, 2, u'W'));
    }
    for (const QString& name : {u"out.adi"_s, u"out.adx"_s}) {
        LogStore log;
        ASSERT_TRUE(log.open(mst, false));
        const ExportResult e = exportAdif(log, box.path(name));
        ASSERT_TRUE(e.error.isEmpty());
        EXPECT_EQ(e.written, 1);
        const QByteArray bytes = readBytes(box.path(name));
        if (name.endsWith(u"adi"_s)) {
            EXPECT_TRUE(
                bytes.contains("<QSO_DATE:8>20240314 <TIME_ON:4>2330 <BAND:3>40m <FREQ:5>7.041"));
            EXPECT_TRUE(bytes.contains("<QSL_SENT:1>Y <QSLSDATE:8>"));
            EXPECT_TRUE(bytes.contains("<NAME:8>" + sjis::fromUnicode(u"山田太郎")));
        } else {
            EXPECT_TRUE(bytes.contains(QStringLiteral("<NAME_INTL>山田太郎</NAME_INTL>").toUtf8()));
        }
        // Into a new log: every field as it was.
        LogStore other;
        ASSERT_TRUE(other.open(box.path(name + u".mst"_s), true));
        const ImportResult r = importAdif(other, box.path(name));
        ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        ASSERT_EQ(r.added, 1);
        QsoRecord back;
        ASSERT_TRUE(other.read(1, back));
        EXPECT_EQ(back.call, q.call);
        EXPECT_EQ(back.date, u"24/03/14"_s);
        EXPECT_EQ(back.time, u"23:30"_s);
        EXPECT_EQ(back.zone, u'U');
        EXPECT_EQ(back.qslField(), u" HW"_s);
        EXPECT_EQ(back.name, q.name);
        EXPECT_EQ(back.qth, q.qth);
        EXPECT_EQ(back.remarks1, q.remarks1);
        EXPECT_EQ(back.code, q.code);
        EXPECT_EQ(back.freq, u"7.041"_s);
        // And back into the first log: the same QSO, not a second one.
        LogStore first;
        ASSERT_TRUE(first.open(mst, false));
        EXPECT_EQ(importAdif(first, box.path(name)).duplicates, 1);
    }
}

TEST(Adif, AdxRecordsAndBrokenXml) {
    const AdifParse adx =
        parseAdx(readBytes(dataFile(u"adif/adif_standard_sample_userdef_enum_range.adx"_s)));
    ASSERT_TRUE(adx.error.isEmpty());
    ASSERT_EQ(adx.records.size(), 2u);
    EXPECT_EQ(adx.records[0].fields.value(u"CALL"_s), u"VK9NS"_s);
    EXPECT_EQ(adx.records[0].fields.value(u"SHOESIZE"_s), u"11"_s);
    EXPECT_EQ(adx.records[1].fields.value(u"APP_MONOLOG_COMPRESSION"_s), u"off"_s);
    QsoRecord q;
    QString why;
    ASSERT_TRUE(qsoFromAdif(adx.records[1], q, why));
    EXPECT_EQ(q.mode, u"PSK63"_s);
    const AdifParse broken = parseAdx("<ADX><RECORDS><RECORD><CALL>JA1ABC</CALL>\n<QSO_DATE>2024");
    EXPECT_FALSE(broken.error.isEmpty());
    EXPECT_EQ(broken.errorLine, 2);
    // 100,000 elements nested in a field: refused by its depth, no crash.
    QByteArray deep = "<ADX><RECORDS><RECORD><CALL>";
    for (int i = 0; i < 100000; ++i)
        deep += "<X>";
    const AdifParse nested = parseAdx(deep + "JA1ABC");
    EXPECT_TRUE(nested.error.contains(u"入れ子が深すぎます"_s)) << nested.error.toStdString();
    EXPECT_TRUE(nested.records.empty());
}

}  // namespace
