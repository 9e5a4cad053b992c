#pragma once
// ADIF logs (".adi") into the log's QSO data. See docs/log-database.md for
// how ADIF fields land in a QSO.

#include "logdata/qso_record.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <vector>

struct AdifRecord {
    QMap<QString, QString> fields;  // upper-case names
    int line = 0;                   // where the record starts
};

struct AdifParse {
    std::vector<AdifRecord> records;
    QString error;  // empty when the whole file was read
    int errorLine = 0;
};

// Reads an ADX (XML) file's bytes; fields keep their element names, APP and
// USERDEF fields become APP_<PROGRAM>_<NAME> and the user field's name.
AdifParse parseAdx(const QByteArray& bytes);

// Reads an ADI file's bytes (ASCII, CP932 or UTF-8 values). A malformed
// field stops the reading with an error naming its line; the records before
// it are kept.
AdifParse parseAdi(const QByteArray& bytes);

// One ADIF record as a QSO; false (and `why`) when it lacks a call, a valid
// date or a time.
bool qsoFromAdif(const AdifRecord& record, QsoRecord& qso, QString& why);

struct ImportResult {
    int added = 0;
    int duplicates = 0;
    int skipped = 0;  // records without call, date or time
    QString error;    // the file or the log failed; nothing was added then
};

class LogStore;
// Imports a file (ADI, or ADX when it is XML) into the open log in one
// transaction: all of it or, on a failure, nothing.
ImportResult importAdif(LogStore& log, const QString& path);

struct ExportResult {
    int written = 0;
    QString error;
};
// Writes every QSO with its current marks and the dates they were written:
// ADX (UTF-8, Japanese text in the _INTL fields) for a ".adx" name, else ADI
// in CP932 with byte counts, as Japanese logging programs read it. Times are
// UTC. The file is written under a temporary name and renamed.
ExportResult exportAdif(LogStore& log, const QString& path);
