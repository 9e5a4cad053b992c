#pragma once
// The log's tables read as records: the QSO data (".zdb") and the area
// master (".mst"). Area entries have a fixed layout:
//   bytes 0-5 the area code (a four-digit code padded with two blanks, a
//   five-digit code with one, or six characters), 6-39 the name (CP932,
//   blank-padded; "*" marks an area that no longer exists), 40 a flag ('5':
//   not listed), 45-49 the packed per-band status.
// See docs/log-database.md.

#include "logdata/qso_record.h"
#include "logdata/sqlite_db.h"

#include <QByteArray>
#include <QString>

inline constexpr int kAreaEntrySize = 50;
inline constexpr int kAreaStatusOffset = 45;
inline constexpr int kAreaStatusSize = 5;
inline constexpr int kBandCount = 18;

struct DbfTable {
    enum class Kind { None, QsoData, AreaMaster };
    Kind kind = Kind::None;
    SqliteDb db;
    int recordCount = 0;
    // Index cursor of the area master (code order).
    QString cursorCode;
    int cursorEntry = 0;
    QString errorText;
};

struct DbfRecord {
    QByteArray bytes;  // an area entry's 50 bytes
    QsoRecord qso;     // a stored QSO (QSO data)
    int century = 0, year = 0, month = 0, day = 0;
};

// Opens the QSO data (".zdb") or the area master (".mst"); 0 when open.
[[nodiscard]] int dbf_open(const QString& path, DbfTable& table);
int dbf_close(DbfTable& table);
// The record count of a master file's QSO data (".zdb" beside it), -1 when
// it cannot be opened.
int qsoRecordCount(const QString& mstPath);
// 0 when record `number` was read.
[[nodiscard]] int dbf_read(DbfTable& table, int number, DbfRecord& record);
// Writes `length` bytes at `offset` of an area entry: only the status (45, 5)
// can be written. 0 when written (in one transaction).
[[nodiscard]] int dbf_write2(DbfTable& table, int number, const char* source, int offset,
                             int length);

// The per-band status of an area entry as 18 characters, one a band index:
// ' ' not worked, 'W' worked, 'C' confirmed, '-' does not count.
void Wget_bit(QString& characters, const DbfRecord& record);
// Packs 18 status characters into the record's bytes 45-49 (2 bits a band;
// any other character counts as ' ').
void Wput_bit(DbfRecord& record, const QString& characters);

// The first area entry whose code starts with the first `length` characters
// of `key`, in code order; 0 when there is none. Sets the cursor for idx_next.
int idx_search(DbfTable& index, const QString& key, int length);
// The next area entry in code order; 0 at the end.
int idx_next(DbfTable& index);

// The kind of an area code: 4 a city (four digits), 5 a county (five
// digits), 6 a ward (six digits; its city is the first four), 7 a town or
// village of a county (five digits and a letter; its county is the first
// five); 0 for anything else.
int ChosonCheck(const QString& code);

// Makes an empty area master (used when a new log is made).
[[nodiscard]] bool createAreaMaster(const QString& mstPath, QString* error);

struct AreaImportResult {
    int added = 0;
    int updated = 0;
    QString error;
};
// Fills the area master from "code,name,flag" lines, or from the JARL lists
// ("  0101    Sapporo", "* 0132    Kameda  "date"", ward lists), keeping
// the status of areas already there.
AreaImportResult importAreas(const QString& mstPath, const QString& listPath);
