#include "archive/area_confirm.h"

#include "log_fixture.h"
#include "logdata/dbf_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QString statusOf(DbfTable& areas, const QString& code) {
    DbfRecord r;
    QString status;
    if (dbf_read(areas, idx_search(areas, code.leftJustified(6, u' '), 6), r) != 0) return {};
    Wget_bit(status, r);
    return status;
}

// A confirmed QSO's area and the area above it get "C" on the QSO's band:
// a ward's city (Tokyo's special wards from April 2010 the city the
// logging program counts them in), a town's county.
TEST(AreaConfirm, TheAreaAndTheOneItBelongsToOnTheQsosBand) {
    Sandbox box;
    const QString mst = box.path(u"ZELKOV.mst"_s);
    const auto at = [](const QString& call, const QString& date, const QString& code,
                       const QString& freq) {
        QsoRecord q = qso(call, date, u"12:00"_s);
        q.code = code;
        q.freq = freq;
        return q;
    };
    makeLog(mst, {at(u"JA1AAA"_s, u"26/11/20"_s, u"100105"_s, u"7.024"_s),
                  at(u"JA1AAB"_s, u"26/11/21"_s, u"100105"_s, u"7.030"_s),
                  at(u"JA1AAC"_s, u"09/05/01"_s, u"100105"_s, u"14.050"_s),
                  at(u"JA8AAA"_s, u"26/11/20"_s, u"01001A"_s, u"7.024"_s),
                  at(u"JA8AAB"_s, u"26/11/20"_s, QString(), u"7.024"_s),
                  at(u"JA8AAC"_s, u"26/11/20"_s, u"0101"_s, u"no band"_s),
                  at(u"JA8AAD"_s, u"26/11/20"_s, u"9999"_s, u"7.024"_s)});
    writeBytes(box.path(u"areas.csv"_s),
               "1001,Tokyo,\r\n1055,Tokyo 23 wards,\r\n"
               "100105,Bunkyo,\r\n01001,Akan,\r\n01001A,Akan town,\r\n"
               "0101,Sapporo,\r\n");
    ASSERT_EQ(importAreas(mst, box.path(u"areas.csv"_s)).added, 6);

    DbfTable qsos, areas;
    ASSERT_EQ(dbf_open(box.path(u"ZELKOV.zdb"_s), qsos), 0) << qsos.errorText.toStdString();
    ASSERT_EQ(dbf_open(mst, areas), 0);
    EXPECT_EQ(MarkEntityConfirmed(qsos, areas, 1), 2);   // the ward and 1055
    EXPECT_EQ(MarkEntityConfirmed(qsos, areas, 2), 0);   // the same band again
    EXPECT_EQ(MarkEntityConfirmed(qsos, areas, 3), 2);   // 2009: the ward and 1001
    EXPECT_EQ(MarkEntityConfirmed(qsos, areas, 4), 2);   // the town and its county
    EXPECT_EQ(MarkEntityConfirmed(qsos, areas, 5), 0);   // no code
    EXPECT_EQ(MarkEntityConfirmed(qsos, areas, 6), 0);   // no band
    EXPECT_EQ(MarkEntityConfirmed(qsos, areas, 7), 0);   // not in the master
    EXPECT_EQ(MarkEntityConfirmed(qsos, areas, 99), 0);  // no such QSO
    const QString on7 = u"  C"_s + QString(15, u' ');
    const QString on14 = QString(4, u' ') + u'C' + QString(13, u' ');
    EXPECT_EQ(statusOf(areas, u"100105"_s), u"  C C"_s + QString(13, u' '));
    EXPECT_EQ(statusOf(areas, u"1055"_s), on7);
    EXPECT_EQ(statusOf(areas, u"1001"_s), on14);
    EXPECT_EQ(statusOf(areas, u"01001A"_s), on7);
    EXPECT_EQ(statusOf(areas, u"01001"_s), on7);
    EXPECT_EQ(statusOf(areas, u"0101"_s), QString(18, u' '));
    dbf_close(areas);
    dbf_close(qsos);
}

}  // namespace
