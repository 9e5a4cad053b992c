#include "logdata/log_store.h"

#include "logdata/dbf_table.h"
#include "logdata/zkw_parse.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringBuilder>

namespace {

constexpr int kSchemaVersion = 1;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta (name TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS qso (
    recno     INTEGER PRIMARY KEY,
    call      TEXT NOT NULL,
    lookup    TEXT NOT NULL,
    key6      TEXT NOT NULL,
    qso_date  TEXT NOT NULL,
    time_on   TEXT NOT NULL,
    zone      TEXT NOT NULL DEFAULT 'J',
    qsl       TEXT NOT NULL DEFAULT '   ',
    flags     INTEGER NOT NULL DEFAULT 0,
    his_rst   TEXT NOT NULL DEFAULT '',
    my_rst    TEXT NOT NULL DEFAULT '',
    freq      TEXT NOT NULL DEFAULT '',
    mode      TEXT NOT NULL DEFAULT '',
    code      TEXT NOT NULL DEFAULT '',
    code2     TEXT NOT NULL DEFAULT '',
    grid      TEXT NOT NULL DEFAULT '',
    name      TEXT NOT NULL DEFAULT '',
    qth       TEXT NOT NULL DEFAULT '',
    remarks1  TEXT NOT NULL DEFAULT '',
    remarks2  TEXT NOT NULL DEFAULT '',
    sent_date TEXT,
    rcvd_date TEXT,
    ident     TEXT NOT NULL UNIQUE
);
CREATE INDEX IF NOT EXISTS qso_call_index ON qso (key6, recno);
)sql";

// The QSO's moment in UTC as yyyymmddhhmm; empty when the stamp is no date.
QString utcMoment(const QString& yyyymmdd, const QString& hhmm, QChar zone) {
    // UTC already: the text is the moment (most imported logs).
    if (zone != u'J') return yyyymmdd + hhmm;
    const QDate d(yyyymmdd.left(4).toInt(), yyyymmdd.mid(4, 2).toInt(), yyyymmdd.mid(6, 2).toInt());
    const QTime t(hhmm.left(2).toInt(), hhmm.mid(2, 2).toInt());
    if (!d.isValid() || !t.isValid()) return yyyymmdd + hhmm;
    QDateTime dt(d, t, zone == u'J' ? Qt::LocalTime : Qt::UTC);
    return dt.toUTC().toString(QStringLiteral("yyyyMMddHHmm"));
}

QString twoDigits(const QString& s, qsizetype pos) {
    return s.mid(pos, 2);
}

}  // namespace

QString LogStore::dataPathFor(const QString& mstPath) {
    const QFileInfo info(mstPath);
    return info.path() + u'/' + info.completeBaseName() + QStringLiteral(".zdb");
}

// What failed, then SQLite's own words for it.
bool LogStore::fail(const QString& what) {
    const QString why = db_.errorText();
    error_ = why.isEmpty() ? what : what + u'（' + why + u'）';
    return false;
}

bool LogStore::open(const QString& mstPath, bool create) {
    close();
    const QString data = dataPathFor(mstPath);
    if (create && !QFileInfo::exists(mstPath) && !createAreaMaster(mstPath, &error_)) return false;
    const QString shown = QDir::toNativeSeparators(data);
    if (!db_.open(data, create ? SqliteDb::Mode::Create : SqliteDb::Mode::ReadWrite))
        return fail(shown);
    const int found = static_cast<int>(db_.queryInteger("PRAGMA user_version").value_or(-1));
    if (found == 0) {
        if (db_.queryInteger("SELECT count(*) FROM sqlite_master").value_or(1) > 0) {
            error_ = shown + QStringLiteral("（このプログラムのQSOデータではありません）");
            db_.close();
            return false;
        }
        if (!createSchema()) {
            error_ = shown + QStringLiteral(": ") + error_;
            db_.close();
            return false;
        }
    } else if (found != kSchemaVersion) {
        error_ = shown +
                 QStringLiteral("（このプログラムのQSOデータではありません。形式 %1）").arg(found);
        db_.close();
        return false;
    } else {
        // A run killed in a bulk import left the log in the rollback
        // journal's mode: back to the write-ahead log (a no-op when it is;
        // while another program has the log open it waits for a later open).
        (void)db_.exec("PRAGMA journal_mode = WAL");
    }
    readStmt_ = db_.prepare(qsoQuery());
    if (!readStmt_.valid()) return fail(shown);
    return true;
}

bool LogStore::createSchema() {
    // Write-ahead logging: a read needs no file locks, and readers and the
    // one writer do not wait for each other. The mode stays with the file.
    if (!db_.exec("PRAGMA journal_mode = WAL"))
        return fail(QStringLiteral("QSOデータを作成できません"));
    SqliteTransaction tx(db_);
    if (!tx.active() || !db_.exec(kSchema) ||
        !db_.exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str()) ||
        !tx.commit())
        return fail(QStringLiteral("QSOデータを作成できません"));
    return true;
}

void LogStore::close() {
    readStmt_ = SqliteStatement();
    insertStmt_ = SqliteStatement();
    lastStmt_ = SqliteStatement();
    backStmt_ = SqliteStatement();
    nextStmt_ = SqliteStatement();
    db_.close();
}

int LogStore::recordCount() {
    return static_cast<int>(db_.queryInteger("SELECT ifnull(max(recno), 0) FROM qso").value_or(0));
}

bool LogStore::read(int recno, QsoRecord& q) {
    readStmt_.bind(1, qint64{recno});
    if (!readStmt_.next()) {
        readStmt_.reset();
        return false;
    }
    qsoFromRow(readStmt_, q);
    readStmt_.reset();
    return true;
}

const char* LogStore::qsoQuery() {
    return "SELECT recno, call, lookup, qso_date, time_on, zone, qsl, flags, his_rst, my_rst, freq,"
           " mode, code, code2, grid, name, qth, remarks1, remarks2, sent_date, rcvd_date FROM qso"
           " WHERE recno = ?";
}

void LogStore::qsoFromRow(const SqliteStatement& row, QsoRecord& q) {
    int c = 0;
    q = QsoRecord();
    q.recno = static_cast<int>(row.integer(c++));
    q.call = row.text(c++);
    q.key = row.text(c++);
    const QString date = row.text(c++);
    q.century = date.left(2).toInt();
    q.date = twoDigits(date, 2) + u'/' + twoDigits(date, 4) + u'/' + twoDigits(date, 6);
    const QString time = row.text(c++);
    q.time = twoDigits(time, 0) + u':' + twoDigits(time, 2);
    const QString zone = row.text(c++);
    q.zone = zone.isEmpty() ? QChar(u'J') : zone.front();
    const QString qsl = row.text(c++).leftJustified(3, u' ');
    q.qslRoute = qsl[0];
    q.qslSent = qsl[1];
    q.qslRcvd = qsl[2];
    q.flags = static_cast<quint16>(row.integer(c++));
    for (QString* field : {&q.hisRst, &q.myRst, &q.freq, &q.mode, &q.code, &q.code2, &q.grid,
                           &q.name, &q.qth, &q.remarks1, &q.remarks2, &q.sentDate, &q.rcvdDate})
        *field = row.text(c++);
}

// One QSO's mark written and committed, or the reason it was not.
bool LogStore::finishMark(SqliteStatement& update, SqliteTransaction& tx, int recno) {
    if (!update.run()) {
        db_.noteError();
        return fail(QStringLiteral("QSLマークを書き込めません"));
    }
    if (db_.changes() != 1) {
        error_ = QStringLiteral("QSLマークを書き込めません（レコード %1 がありません）").arg(recno);
        return false;
    }
    return tx.commit() || fail(QStringLiteral("QSLマークを書き込めません"));
}

bool LogStore::writeMark(int recno, int column, QChar mark) {
    if (column != 1 && column != 2) return false;
    SqliteTransaction tx(db_);
    if (!tx.active()) return fail(QStringLiteral("QSOデータが使用中です"));
    SqliteStatement s = db_.prepare(
        column == 1
            ? "UPDATE qso SET qsl = substr(qsl, 1, 1) || ?1 || substr(qsl, 3, 1),"
              " sent_date = ?2 WHERE recno = ?3"
            : "UPDATE qso SET qsl = substr(qsl, 1, 2) || ?1, rcvd_date = ?2 WHERE recno = ?3");
    s.bind(1, QString(mark))
        .bind(2, QDate::currentDate().toString(QStringLiteral("yyyyMMdd")))
        .bind(3, qint64{recno});
    return finishMark(s, tx, recno);
}

bool LogStore::restoreSentMark(int recno, QChar mark) {
    const bool blank = mark.isNull() || mark == u' ';
    SqliteTransaction tx(db_);
    if (!tx.active()) return fail(QStringLiteral("QSOデータが使用中です"));
    SqliteStatement s = db_.prepare(
        blank
            ? "UPDATE qso SET qsl = substr(qsl, 1, 1) || ' ' || substr(qsl, 3, 1),"
              " sent_date = '' WHERE recno = ?2"
            : "UPDATE qso SET qsl = substr(qsl, 1, 1) || ?1 || substr(qsl, 3, 1) WHERE recno = ?2");
    if (!blank) s.bind(1, QString(mark));
    s.bind(2, qint64{recno});
    return finishMark(s, tx, recno);
}

// The index statements are prepared once and kept: a card match walks the
// index many times.
SqliteStatement& LogStore::statement(SqliteStatement& kept, const char* sql) {
    if (!kept.valid()) kept = db_.prepare(sql);
    kept.reset();
    return kept;
}

int LogStore::indexLast(const QString& key6, QString& foundKey) {
    SqliteStatement& s = statement(
        lastStmt_,
        "SELECT key6, recno FROM qso WHERE key6 <= ? ORDER BY key6 DESC, recno DESC LIMIT 1");
    s.bind(1, key6);
    const int recno = s.next() ? static_cast<int>(s.integer(1)) : 0;
    if (recno) foundKey = s.text(0);
    s.reset();
    return recno;
}

int LogStore::indexStep(const QString& key6, int recno, bool forwards, QString& foundKey) {
    SqliteStatement& s =
        forwards ? statement(nextStmt_,
                             "SELECT key6, recno FROM qso WHERE (key6, recno) > (?1, ?2)"
                             " ORDER BY key6, recno LIMIT 1")
                 : statement(backStmt_,
                             "SELECT key6, recno FROM qso WHERE (key6, recno) < (?1, ?2)"
                             " ORDER BY key6 DESC, recno DESC LIMIT 1");
    s.bind(1, key6).bind(2, qint64{recno});
    const int found = s.next() ? static_cast<int>(s.integer(1)) : 0;
    if (found) foundKey = s.text(0);
    s.reset();
    return found;
}

LogStore::InsertResult LogStore::insert(const QsoRecord& q) {
    if (!insertStmt_.valid()) {
        insertStmt_ = db_.prepare(
            "INSERT INTO qso (call, lookup, key6, qso_date, time_on, zone, qsl, flags, his_rst,"
            " my_rst, freq, mode, code, code2, grid, name, qth, remarks1, remarks2, ident)"
            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17,"
            " ?18, ?19, ?20) ON CONFLICT (ident) DO NOTHING");
        if (!insertStmt_.valid()) {
            fail(QStringLiteral("QSOを追加できません"));
            return InsertResult::Failed;
        }
    }
    const QString key = q.key.isEmpty() ? lookupKeyOf(q.call) : q.key;
    // Built with QStringBuilder (%): one allocation each, which counts when
    // a whole log is imported.
    const QStringView d(q.date);
    const QStringView tv(q.time);
    const QString date = QString::number(q.century) % d.left(2) % d.mid(3, 2) % d.mid(6, 2);
    const QString time = tv.left(2) % tv.mid(3, 2);
    const QString ident = q.call.toUpper() % u'|' % utcMoment(date, time, q.zone) % u'|' %
                          QString::number(FreqPCheck(q.freq)) % u'|' % q.mode.toUpper();
    insertStmt_.reset();
    const QString texts[] = {
        q.call, key, key.left(6).leftJustified(6, u' '), date, time, QString(q.zone), q.qslField()};
    int i = 1;
    for (const QString& t : texts)
        insertStmt_.bind(i++, t);
    insertStmt_.bind(i++, qint64{q.flags});
    for (const QString* field : {&q.hisRst, &q.myRst, &q.freq, &q.mode, &q.code, &q.code2, &q.grid,
                                 &q.name, &q.qth, &q.remarks1, &q.remarks2})
        insertStmt_.bind(i++, *field);
    insertStmt_.bind(i, ident);
    if (!insertStmt_.run()) {
        db_.noteError();
        fail(QStringLiteral("QSOを追加できません: ") + q.call);
        return InsertResult::Failed;
    }
    return db_.changes() == 1 ? InsertResult::Added : InsertResult::Duplicate;
}
