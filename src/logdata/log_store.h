#pragma once
// The log's files: the QSO data (".zdb" beside the master file) and the
// master file (".mst", the area master), both SQLite databases. The format is
// described in docs/log-database.md.

#include "logdata/qso_record.h"
#include "logdata/sqlite_db.h"

#include <QString>

class LogStore {
public:
    // The QSO data file of a master file: the same path with ".zdb".
    static QString dataPathFor(const QString& mstPath);

    // Opens the log; with `create` missing files are made. False with
    // errorText() when a file is missing, locked or no database of ours.
    [[nodiscard]] bool open(const QString& mstPath, bool create);
    void close();
    QString errorText() const { return error_; }

    int recordCount();
    // Reads record `recno`; false when there is none or it cannot be read.
    [[nodiscard]] bool read(int recno, QsoRecord& out);
    // Writes the sent (column 1) or received (column 2) mark of the QSL field
    // in one transaction, with the date it was written.
    [[nodiscard]] bool writeMark(int recno, int column, QChar mark);
    // Gives the sent mark back (a card that was not delivered): `mark` as it
    // was before, a blank with the sent date emptied.
    [[nodiscard]] bool restoreSentMark(int recno, QChar mark);

    // The call index, ordered by (key6, recno): the last entry at or before
    // `key6`, and the neighbours of an entry. 0 when there is none.
    int indexLast(const QString& key6, QString& foundKey);
    int indexStep(const QString& key6, int recno, bool forwards, QString& foundKey);

    enum class InsertResult { Added, Duplicate, Failed };
    // Appends a QSO unless the same one (call, UTC moment, band, mode) is
    // there already. Use inside a transaction for many.
    InsertResult insert(const QsoRecord& qso);

    SqliteDb& db() { return db_; }

    // The query of one QSO by record number, and how its row becomes a
    // record: shared by every reader of the QSO data.
    static const char* qsoQuery();
    static void qsoFromRow(const SqliteStatement& row, QsoRecord& out);

private:
    [[nodiscard]] bool createSchema();
    bool fail(const QString& what);
    [[nodiscard]] bool finishMark(SqliteStatement& update, SqliteTransaction& tx, int recno);

    SqliteDb db_;
    QString error_;
    SqliteStatement& statement(SqliteStatement& kept, const char* sql);

    SqliteStatement readStmt_;
    SqliteStatement insertStmt_;
    SqliteStatement lastStmt_;
    SqliteStatement backStmt_;
    SqliteStatement nextStmt_;
};
