#pragma once
// ADIF logs (".adi") into the log's QSO data. See docs/log-database.md for
// how ADIF fields land in a QSO.

#include "logdata/qso_record.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

// A record's fields by name (letter case ignored). The values stay bytes of
// the file until one is asked for, so reading a large log allocates little;
// a record holds a few dozen fields at most, so a flat list beats a tree.
class AdifFields {
public:
    // The decoded value; empty when the field is missing.
    QString value(QStringView name) const;
    // Adds a field (the first of a repeated one wins). The views must stay
    // valid as long as the record: they point into `source()` or into text
    // handed to keep().
    void insert(QByteArrayView name, QByteArrayView value);
    // Keeps a copy of text the views may point into (for XML records).
    QByteArrayView keep(const QByteArray& text);
    void setSource(const QByteArray& bytes, bool utf8);
    bool isEmpty() const { return items_.empty(); }
    void clear() { items_.clear(); }
    // Every field in file order: f(name bytes, value bytes); decode() turns
    // value bytes into text.
    template <typename F>
    void forEach(F&& f) const {
        for (const Item& item : items_)
            f(item.name, item.value);
    }
    QString decode(QByteArrayView value) const;

private:
    struct Item {
        QByteArrayView name;
        QByteArrayView value;
    };
    const Item* find(QStringView name) const;
    std::vector<Item> items_;
    QByteArray source_;             // shares the file's bytes
    std::vector<QByteArray> kept_;  // XML texts
    bool utf8_ = true;
};

struct AdifRecord {
    AdifFields fields;  // upper-case names
    int line = 0;       // where the record starts
};

struct AdifParse {
    std::vector<AdifRecord> records;
    QString error;  // empty when the whole file was read
    int errorLine = 0;
    // Records left out for a malformed field (when not strict): the line
    // where each starts and what was wrong.
    std::vector<std::pair<int, QString>> faults;
};

// Reads an ADX (XML) file's bytes; fields keep their element names, APP and
// USERDEF fields become APP_<PROGRAM>_<NAME> and the user field's name.
AdifParse parseAdx(const QByteArray& bytes);

// Reads an ADI file's bytes (ASCII, CP932 or UTF-8 values). A malformed
// field stops the reading with an error naming its line; the records before
// it are kept.
AdifParse parseAdi(const QByteArray& bytes);
// The same, handing each record over as it is read; `take` returns false to
// stop. `records` of the result stays empty. Not strict, a record with a
// malformed field is left out (named in `faults`) and reading goes on.
AdifParse parseAdi(const QByteArray& bytes, const std::function<bool(const AdifRecord&)>& take,
                   bool strict = true);

// One ADIF record as a QSO; false (and `why`) when it lacks a call, a valid
// date or a time.
bool qsoFromAdif(const AdifRecord& record, QsoRecord& qso, QString& why);

struct ImportResult {
    int added = 0;
    int duplicates = 0;
    int skipped = 0;  // records left out: no call, a bad date or time, a malformed field
    // The skipped records by reason ("bad QSO_DATE": 3), and the first few
    // with the line where each starts.
    std::vector<std::pair<QString, int>> skippedBy;
    std::vector<std::pair<int, QString>> firstSkipped;
    QString error;  // the file or the log failed; nothing was added then
};

class LogStore;
// Imports a file (ADI, or ADX when it is XML) into the open log in one
// transaction: all of it or, on a failure, nothing. A file in which no ADIF
// field is found is refused. Strict, a malformed field fails the import;
// else its record is skipped and counted.
ImportResult importAdif(LogStore& log, const QString& path, bool strict = false);
// A log file another program appends to (WSJT-X's wsjtx_log.adi, JTDX's,
// any logger's ADIF): where the last reading ended, and a fingerprint of the
// file's head up to there, so that a file rewritten since is read again from
// its start (the duplicate rule keeps its QSOs once).
// The MHz text the log keeps for an ADIF band without a frequency ("30m" ->
// "10"), and back ("10" -> "30m"; empty for any other text).
QString mhzOfBand(const QString& band);
QString bandOfLogMhz(const QString& mhz);

struct FollowedFile {
    qint64 position = 0;
    QString head;
};
struct FollowResult {
    ImportResult counts;
    std::vector<std::pair<int, QsoRecord>> added;  // record number, QSO
    bool restarted = false;                        // the file was read from its start again
};
// Adds the complete records written since `followed` (a record still being
// written waits for the next reading) and moves `followed` on. At most 16 MiB
// a call; a longer tail is taken by the next calls.
FollowResult followAdif(LogStore& log, const QString& path, FollowedFile& followed);

// The same into the log of a master file, made when missing; a log made for
// an import that failed goes again.
ImportResult importAdifInto(const QString& mstPath, const QString& path, bool strict = false);

struct ExportResult {
    int written = 0;
    QString error;
};
// Writes every QSO with its current marks and the dates they were written:
// ADX (UTF-8, Japanese text in the _INTL fields) for a ".adx" name; ADI in
// CP932 with byte counts, as Japanese logging programs read it, for ".adi" or
// ".adif"; any other name is refused. Times are UTC. The file is written under a temporary name and
// renamed.
ExportResult exportAdif(LogStore& log, const QString& path);
