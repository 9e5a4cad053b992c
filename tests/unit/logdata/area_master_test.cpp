#include "log_fixture.h"
#include "logdata/dbf_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(AreaMaster, AreaKinds) {
    EXPECT_EQ(ChosonCheck(u"0101"_s), 4);
    EXPECT_EQ(ChosonCheck(u"1001  "_s), 4);
    EXPECT_EQ(ChosonCheck(u"01001"_s), 5);
    EXPECT_EQ(ChosonCheck(u"100105"_s), 6);
    EXPECT_EQ(ChosonCheck(u"01006A"_s), 7);
    EXPECT_EQ(ChosonCheck(u"101"_s), 0);
    EXPECT_EQ(ChosonCheck(u"ABCD"_s), 0);
    EXPECT_EQ(ChosonCheck(u""_s), 0);
}

TEST(AreaMaster, StatusPacksEighteenBandsIntoFiveBytes) {
    DbfRecord r;
    QString chars;
    for (int b = 0; b < kBandCount; ++b)
        chars += QChar::fromLatin1(" WC-"[b % 4]);
    Wput_bit(r, chars);
    ASSERT_EQ(r.bytes.size(), kAreaEntrySize);
    QString back;
    Wget_bit(back, r);
    EXPECT_EQ(back, chars);
    // Band 0 'C' is the low two bits of the first byte; band 17 the bits 2-3 of the fifth.
    Wput_bit(r, u"C"_s + QString(16, u' ') + u'-');
    EXPECT_EQ(r.bytes.mid(45, 5), QByteArray("\x02\x00\x00\x00\x0c", 5));
    Wput_bit(r, u"Q?x"_s);  // unknown characters and a short text: blanks
    Wget_bit(back, r);
    EXPECT_EQ(back, QString(18, u' '));
}

TEST(AreaMaster, JarlListsImportAndTheIndexWalksInCodeOrder) {
    Sandbox box;
    const QString mst = box.path(u"ZELKOV.mst"_s);
    AreaImportResult jcc =
        importAreas(mst, dataFile(u"areas/jarl_jcc_list_english_2019-05-01.txt"_s));
    ASSERT_TRUE(jcc.error.isEmpty()) << jcc.error.toStdString();
    EXPECT_EQ(jcc.added, 914);  // 815 cities and wards, 99 deleted
    const AreaImportResult jcg =
        importAreas(mst, dataFile(u"areas/jarl_jcg_list_english_2018-10-01.txt"_s));
    EXPECT_EQ(jcg.added, 623);  // one more code than the header counts (379 + 243)
    const AreaImportResult ku =
        importAreas(mst, dataFile(u"areas/jarl_ku_list_english_2012-04-01.txt"_s));
    EXPECT_TRUE(ku.error.isEmpty());
    EXPECT_GT(ku.added, 150);
    EXPECT_EQ(importAreas(mst, dataFile(u"areas/jarl_jcc_list_english_2019-05-01.txt"_s)).updated,
              914);

    DbfTable t;
    ASSERT_EQ(dbf_open(mst, t), 0) << t.errorText.toStdString();
    EXPECT_EQ(t.recordCount, 914 + 623 + ku.added);
    const int first = idx_search(t, u"01001"_s, 5);
    ASSERT_GT(first, 0);
    DbfRecord r;
    ASSERT_EQ(dbf_read(t, first, r), 0);
    EXPECT_EQ(r.bytes.left(6), QByteArray("01001 "));
    EXPECT_EQ(r.bytes.mid(6, 4), QByteArray("Akan"));
    ASSERT_EQ(dbf_read(t, idx_next(t), r), 0);
    EXPECT_EQ(r.bytes.left(6), QByteArray("01002 "));
    ASSERT_GT(idx_search(t, u"0132"_s, 4), 0);
    ASSERT_EQ(dbf_read(t, t.cursorEntry, r), 0);
    EXPECT_TRUE(r.bytes.mid(6, 34).startsWith("*Kameda")) << r.bytes.toStdString();
    EXPECT_EQ(idx_search(t, u"9999"_s, 4), 0);
}

TEST(AreaMaster, StatusWritesAreDurableAndOnlyTheStatusCanBeWritten) {
    Sandbox box;
    const QString mst = box.path(u"ZELKOV.mst"_s);
    writeBytes(box.path(u"areas.csv"_s),
               "1001,Tokyo,\r\n1055,Bunkyo-ku,\r\n100105,Bunkyo,\r\n0101,Sapporo,5\r\nheading\r\n");
    const AreaImportResult csv = importAreas(mst, box.path(u"areas.csv"_s));
    EXPECT_EQ(csv.added, 4);

    // A Bunkyo QSO after 2010-04-01: the ward and, as the ward's city, code
    // 100105 - 99050 = 1055, get confirmed on 7 MHz.
    DbfTable t;
    ASSERT_EQ(dbf_open(mst, t), 0);
    const QString code = u"100105"_s;
    ASSERT_EQ(ChosonCheck(code), 6);
    const QString parent = QString::number(code.toInt() - 99050).leftJustified(6, u' ');
    for (const QString& key : {code, parent}) {
        const int entry = idx_search(t, key, 6);
        ASSERT_GT(entry, 0) << key.toStdString();
        DbfRecord r;
        ASSERT_EQ(dbf_read(t, entry, r), 0);
        QString status;
        Wget_bit(status, r);
        status[2] = u'C';
        Wput_bit(r, status);
        EXPECT_EQ(dbf_write2(t, entry, r.bytes.constData() + 45, 45, 5), 0);
        EXPECT_NE(dbf_write2(t, entry, r.bytes.constData(), 0, 6), 0);  // never the code
    }
    dbf_close(t);

    DbfTable again;
    ASSERT_EQ(dbf_open(mst, again), 0);
    DbfRecord r;
    QString status;
    ASSERT_EQ(dbf_read(again, idx_search(again, u"1055"_s, 4), r), 0);
    Wget_bit(status, r);
    EXPECT_EQ(status, u"  C"_s + QString(15, u' '));
    ASSERT_EQ(dbf_read(again, idx_search(again, u"1001"_s, 4), r), 0);
    Wget_bit(status, r);
    EXPECT_EQ(status, QString(18, u' '));
    EXPECT_EQ(r.bytes[40], ' ');
    ASSERT_EQ(dbf_read(again, idx_search(again, u"0101"_s, 4), r), 0);
    EXPECT_EQ(r.bytes[40], '5');
    EXPECT_NE(dbf_read(again, 999, r), 0);
}

TEST(QsoData, StoredRecordsReadWithTheirDateParts) {
    Sandbox box;
    const QString mst = box.path(u"ZELKOV.mst"_s);
    QsoRecord q = qso(u"JA1ABC"_s, u"10/04/01"_s, u"09:00"_s);
    q.code = u"100105"_s;
    makeLog(mst, {qso(u"JR2XYZ"_s, u"99/12/31"_s, u"23:59"_s), q});
    DbfTable t;
    ASSERT_EQ(dbf_open(LogStore::dataPathFor(mst), t), 0);
    EXPECT_EQ(t.recordCount, 2);
    DbfRecord r;
    ASSERT_EQ(dbf_read(t, 2, r), 0);
    EXPECT_EQ(r.century, 20);
    EXPECT_EQ(r.year * 366 + r.month * 31 + r.day, 10 * 366 + 4 * 31 + 1);
    EXPECT_EQ(r.qso.code, u"100105"_s);
    EXPECT_EQ(r.qso.freq, u"7.024"_s);
    ASSERT_EQ(dbf_read(t, 1, r), 0);
    EXPECT_EQ(r.century, 19);
    EXPECT_NE(dbf_write2(t, 1, "xxxxx", 45, 5), 0);  // the QSO data takes no raw writes
}

}  // namespace
