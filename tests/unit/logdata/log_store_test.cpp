#include "log_fixture.h"
#include "logdata/zelkov50.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(LookupKey, HomeCallWithoutPortableParts) {
    EXPECT_EQ(lookupKeyOf(u"ja1abc/1"_s), u"JA1ABC"_s.leftJustified(20, u' '));
    EXPECT_EQ(lookupKeyOf(u"JA1ABC/P"_s).trimmed(), u"JA1ABC"_s);
    EXPECT_EQ(lookupKeyOf(u"KH2/JA1ABC"_s).trimmed(), u"JA1ABC"_s);
    EXPECT_EQ(lookupKeyOf(u"JA1ABC/QRP"_s).trimmed(), u"JA1ABC"_s);
    EXPECT_EQ(lookupKeyOf(u"7J1AAA"_s).trimmed(), u"7J1AAA"_s);
    EXPECT_EQ(portableSeparator(u"JA1ABC"_s), -1);
    EXPECT_EQ(portableSeparator(u"JA1ABC/1"_s), 6);
    EXPECT_EQ(portableSeparator(u"KH2/JA1ABC"_s), 3);
}

TEST(LogStore, RecordsReadBackWithEveryFieldAndMarksAreDurable) {
    Sandbox box;
    const QString mst = box.path(u"ZELKOV.mst"_s);
    QsoRecord q = qso(u"JA1ABC/1"_s, u"24/03/15"_s, u"21:30"_s);
    q.name = u"山田"_s;
    q.qth = u"東京都千代田区"_s;
    q.code = u"100101"_s;
    q.remarks1 = u"Rig#2"_s;
    q.flags = qso_flag::Cq;
    makeLog(mst, {qso(u"JR2XYZ"_s, u"99/12/31"_s, u"23:59"_s), q});

    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, mst, 1), 0) << log.errorText.toStdString();
    EXPECT_EQ(log.recordCount, 2);
    ASSERT_EQ(ZKW_read(log, 2, read_mode::List), 0);
    EXPECT_EQ(log.rec.call, u"JA1ABC/1"_s);
    EXPECT_EQ(log.rec.date, u"24/03/15"_s);
    EXPECT_EQ(log.rec.century, 20);
    EXPECT_EQ(log.rec.time, u"21:30"_s);
    EXPECT_EQ(log.rec.name, u"山田"_s);
    EXPECT_EQ(log.rec.qth, u"東京都千代田区"_s);
    EXPECT_EQ(log.rec.code, u"100101"_s);
    EXPECT_EQ(log.rec.flags, qso_flag::Cq);
    EXPECT_EQ(log.rec.key6(), u"JA1ABC"_s);
    EXPECT_EQ(QsoDataRef(log.rec, 3), u"21:30J"_s);
    EXPECT_EQ(QsoDataRef(log.rec, 15), QString());
    EXPECT_EQ(isPortable(log), 6);
    ASSERT_EQ(ZKW_read(log, 1, read_mode::Card), 0);
    EXPECT_EQ(log.rec.century, 19);
    EXPECT_NE(ZKW_read(log, 3, read_mode::Card), 0);
    EXPECT_NE(ZKW_read(log, 0, read_mode::Card), 0);

    EXPECT_EQ(QSL_Send(log, 2, u'H'), 0);
    EXPECT_EQ(QSL_Rcv(log, 2, u'W'), 0);
    EXPECT_NE(QSL_Send(log, 9, u'H'), 0);  // no such record
    EXPECT_EQ(log.errorText, u"QSLマークを書き込めません（レコード 9 がありません）"_s);
    EXPECT_NE(QSL_Send(log, 2, u' '), 0);  // marks are "!" or above
    ZelkovClose(log, 1);

    ZkwHandle again;
    ASSERT_EQ(ZelkovOpen(0, again, mst, 1), 0);
    ASSERT_EQ(ZKW_read(again, 2, read_mode::BeforeMark), 0);
    EXPECT_EQ(again.rec.qslField(), u" HW"_s);
}

TEST(LogStore, TheSameQsoIsNotAddedTwice) {
    Sandbox box;
    LogStore store;
    ASSERT_TRUE(store.open(box.path(u"L.mst"_s), true));
    QsoRecord jst = qso(u"JA1ABC"_s, u"24/03/15"_s, u"09:00"_s);
    QsoRecord utc = jst;
    utc.time = u"00:00"_s;
    utc.zone = u'U';  // the same moment in UTC
    EXPECT_EQ(store.insert(jst), LogStore::InsertResult::Added);
    EXPECT_EQ(store.insert(utc), LogStore::InsertResult::Duplicate);
    utc.mode = u"SSB"_s;
    EXPECT_EQ(store.insert(utc), LogStore::InsertResult::Added);
    EXPECT_EQ(store.recordCount(), 2);
}

// A log left in the rollback journal's mode (a bulk import killed) is back
// in the write-ahead log's at its next open.
TEST(LogStore, EveryOpenPutsTheLogBackInTheWriteAheadMode) {
    Sandbox box;
    const char* wal = "SELECT journal_mode = 'wal' FROM pragma_journal_mode";
    {
        LogStore store;
        ASSERT_TRUE(store.open(box.path(u"L.mst"_s), true));
        EXPECT_EQ(store.db().queryInteger(wal), 1);
        ASSERT_TRUE(store.db().exec("PRAGMA journal_mode = DELETE"));
        EXPECT_EQ(store.db().queryInteger(wal), 0);
    }
    LogStore store;
    ASSERT_TRUE(store.open(box.path(u"L.mst"_s), false));
    EXPECT_EQ(store.db().queryInteger(wal), 1);
}

TEST(LogStore, MissingOrCorruptFilesFailClearly) {
    Sandbox box;
    ZkwHandle log;
    EXPECT_NE(ZelkovOpen(0, log, box.path(u"none.mst"_s), 1), 0);
    EXPECT_EQ(log.errorText,
              QDir::toNativeSeparators(box.path(u"none.zdb"_s)) + u"（ファイルがありません）"_s);

    writeBytes(box.path(u"bad.zdb"_s), QByteArray("this is no database, just text").repeated(100));
    EXPECT_NE(ZelkovOpen(0, log, box.path(u"bad.mst"_s), 1), 0);
    EXPECT_FALSE(log.errorText.isEmpty());
    EXPECT_EQ(ZKW_read(log, 1, 0), -1);  // no crash on a handle that did not open

    // A database of somebody else's.
    SqliteDb other;
    ASSERT_TRUE(other.open(box.path(u"other.zdb"_s), SqliteDb::Mode::Create));
    ASSERT_TRUE(other.exec("CREATE TABLE t(x); PRAGMA user_version = 7;"));
    other.close();
    EXPECT_NE(ZelkovOpen(0, log, box.path(u"other.mst"_s), 1), 0);
    EXPECT_EQ(log.errorText, QDir::toNativeSeparators(box.path(u"other.zdb"_s)) +
                                 u"（このプログラムのQSOデータではありません。形式 7）"_s);
}

TEST(CallIndex, FindsTheLastEntryOfAKeyAndWalksBothWays) {
    Sandbox box;
    const QString mst = box.path(u"ZELKOV.mst"_s);
    makeLog(mst, {qso(u"JA1ABC"_s, u"24/01/01"_s, u"10:00"_s),    // 1
                  qso(u"JR2XYZ"_s, u"24/01/02"_s, u"10:00"_s),    // 2
                  qso(u"JA1ABC/3"_s, u"24/01/03"_s, u"10:00"_s),  // 3
                  qso(u"JA1AB"_s, u"24/01/04"_s, u"10:00"_s),     // 4
                  qso(u"JA1ABC"_s, u"24/01/05"_s, u"10:00"_s)});  // 5
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, mst, 1), 0);
    CallIndex& idx = log.index;
    EXPECT_EQ(idxLsearch(idx, u"JA1ABC"_s), 5);
    EXPECT_EQ(idx_back(idx), 3);
    EXPECT_EQ(idx_back(idx), 1);
    EXPECT_EQ(idx_back(idx), 4);  // "JA1AB " sorts before "JA1ABC"
    EXPECT_EQ(idx.key6, u"JA1AB "_s);
    EXPECT_EQ(idx_back(idx), 0);  // the start of the index
    EXPECT_EQ(idxLsearch(idx, u"JA1ABC"_s), 5);
    EXPECT_EQ(idx_next(idx), 2);
    EXPECT_EQ(idx_next(idx), 0);
    // A key that is not there gives the entry before where it would stand.
    EXPECT_EQ(idxLsearch(idx, u"JA1ABD"_s), 5);
    EXPECT_EQ(idxLsearch(idx, u"AAAAAA"_s), 0);
}

}  // namespace

namespace {

TEST(LogStore, ALockedLogRefusesAMarkCleanlyAndKeepsTheRecord) {
    Sandbox box;
    const QString mst = box.path(u"ZELKOV.mst"_s);
    makeLog(mst, {qso(u"JA1ABC"_s, u"24/03/15"_s, u"21:30"_s)});
    ZkwHandle log;
    ASSERT_EQ(ZelkovOpen(0, log, mst, 1), 0);

    // Another program holds the log's write lock.
    SqliteDb other;
    ASSERT_TRUE(other.open(LogStore::dataPathFor(mst), SqliteDb::Mode::ReadWrite));
    ASSERT_TRUE(other.exec("BEGIN IMMEDIATE; UPDATE qso SET name = 'x' WHERE recno = 1;"));
    EXPECT_NE(QSL_Send(log, 1, u'H'), 0);
    EXPECT_EQ(log.errorText, u"QSOデータが使用中です（他のプログラムが書き込み中です）"_s);
    // Reading goes on while the other writes (write-ahead log).
    ASSERT_EQ(ZKW_read(log, 1, read_mode::Card), 0);
    EXPECT_EQ(log.rec.qslSent, u' ');
    EXPECT_EQ(log.rec.name, QString());
    ASSERT_TRUE(other.exec("ROLLBACK"));
    EXPECT_EQ(QSL_Send(log, 1, u'H'), 0);
}

}  // namespace
