#include "logdata/dbf_table.h"

#include "core/comma_text.h"
#include "core/sjis.h"
#include "logdata/log_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const char* const kAreaSchema = R"sql(
CREATE TABLE IF NOT EXISTS area (
    entry  INTEGER PRIMARY KEY,
    code   TEXT NOT NULL UNIQUE,
    name   TEXT NOT NULL DEFAULT '',
    flag   TEXT NOT NULL DEFAULT ' ',
    status BLOB NOT NULL DEFAULT x'0000000000'
);
PRAGMA user_version = 1;
)sql";

constexpr char kStatusChars[] = {' ', 'W', 'C', '-'};

// An area code as the index keeps it: six characters, blank-padded.
QString areaKey(const QString& code) {
    return code.trimmed().left(6).leftJustified(6, u' ');
}

bool isDigits(QStringView s) {
    if (s.isEmpty()) return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

QByteArray entryBytes(const QString& code, const QString& name, const QString& flag,
                      const QByteArray& status) {
    QByteArray b(kAreaEntrySize, ' ');
    const QByteArray c = sjis::fromUnicode(areaKey(code));
    b.replace(0, 6, c.left(6));
    QByteArray n = sjis::fromUnicode(name);
    n.truncate(sjis::safeCut(n, 34));
    b.replace(6, n.size(), n);
    b[40] = flag.isEmpty() ? ' ' : static_cast<char>(flag.front().toLatin1());
    b.replace(kAreaStatusOffset, kAreaStatusSize,
              status.leftJustified(kAreaStatusSize, '\0', true));
    return b;
}

}  // namespace

int ChosonCheck(const QString& code) {
    const QString c = code.trimmed();
    if (c.size() == 4 && isDigits(c)) return 4;
    if (c.size() == 5 && isDigits(c)) return 5;
    if (c.size() == 6 && isDigits(c)) return 6;
    if (c.size() == 6 && isDigits(QStringView(c).first(5)) && c[5].isLetter()) return 7;
    return 0;
}

bool createAreaMaster(const QString& mstPath, QString* error) {
    SqliteDb db;
    if (!db.open(mstPath, SqliteDb::Mode::Create) || !db.exec(kAreaSchema)) {
        if (error) *error = QDir::toNativeSeparators(mstPath) + u'（' + db.errorText() + u'）';
        return false;
    }
    return true;
}

int dbf_open(const QString& path, DbfTable& table) {
    dbf_close(table);
    const bool master = QFileInfo(path).suffix().compare(u"mst", Qt::CaseInsensitive) == 0;
    if (!table.db.open(path, SqliteDb::Mode::ReadWrite)) {
        table.errorText = QDir::toNativeSeparators(path) + u'（' + table.db.errorText() + u'）';
        return -1;
    }
    SqliteStatement count = table.db.prepare(master ? "SELECT count(*) FROM area"
                                                    : "SELECT ifnull(max(recno), 0) FROM qso");
    if (!count.next()) {
        table.errorText = QDir::toNativeSeparators(path) +
                          QStringLiteral("（このプログラムのQSOデータではありません）");
        table.db.close();
        return -1;
    }
    table.recordCount = static_cast<int>(count.integer(0));
    table.kind = master ? DbfTable::Kind::AreaMaster : DbfTable::Kind::QsoData;
    return 0;
}

int qsoRecordCount(const QString& mstPath) {
    if (mstPath.isEmpty()) return -1;
    DbfTable table;
    if (dbf_open(LogStore::dataPathFor(mstPath), table) != 0) return -1;
    const int count = table.recordCount;
    dbf_close(table);
    return count;
}

int dbf_close(DbfTable& table) {
    table.db.close();
    table.kind = DbfTable::Kind::None;
    table.recordCount = 0;
    table.cursorCode.clear();
    table.cursorEntry = 0;
    return 0;
}

int dbf_read(DbfTable& table, int number, DbfRecord& record) {
    if (table.kind == DbfTable::Kind::AreaMaster) {
        SqliteStatement s =
            table.db.prepare("SELECT code, name, flag, status FROM area WHERE entry = ?");
        s.bind(1, qint64{number});
        if (!s.next()) return -1;
        record = DbfRecord();
        record.bytes = entryBytes(s.text(0), s.text(1), s.text(2), s.blob(3));
        return 0;
    }
    if (table.kind != DbfTable::Kind::QsoData) return -1;
    SqliteStatement q = table.db.prepare(LogStore::qsoQuery());
    q.bind(1, qint64{number});
    if (!q.next()) return -1;
    record = DbfRecord();
    LogStore::qsoFromRow(q, record.qso);
    const QsoRecord& r = record.qso;
    record.century = r.century;
    record.year = r.date.left(2).toInt();
    record.month = r.date.mid(3, 2).toInt();
    record.day = r.date.mid(6, 2).toInt();
    return 0;
}

int dbf_write2(DbfTable& table, int number, const char* source, int offset, int length) {
    if (table.kind != DbfTable::Kind::AreaMaster || offset != kAreaStatusOffset ||
        length != kAreaStatusSize || !source)
        return -1;
    SqliteTransaction tx(table.db);
    if (!tx.active()) return -1;
    SqliteStatement s = table.db.prepare("UPDATE area SET status = ? WHERE entry = ?");
    s.bind(1, QByteArray(source, length)).bind(2, qint64{number});
    if (!s.run() || table.db.changes() != 1) return -1;
    return tx.commit() ? 0 : -1;
}

void Wget_bit(QString& characters, const DbfRecord& record) {
    const QByteArray status = record.bytes.mid(kAreaStatusOffset, kAreaStatusSize)
                                  .leftJustified(kAreaStatusSize, '\0', true);
    characters.clear();
    for (int band = 0; band < kBandCount; ++band) {
        const int bit = band * 2;
        const int value = (static_cast<unsigned char>(status[bit / 8]) >> (bit % 8)) & 3;
        characters += QChar::fromLatin1(kStatusChars[value]);
    }
}

void Wput_bit(DbfRecord& record, const QString& characters) {
    if (record.bytes.size() < kAreaEntrySize)
        record.bytes = record.bytes.leftJustified(kAreaEntrySize, ' ');
    QByteArray status(kAreaStatusSize, '\0');
    for (int band = 0; band < kBandCount && band < characters.size(); ++band) {
        int value = 0;
        for (int v = 1; v < 4; ++v)
            if (characters[band] == QChar::fromLatin1(kStatusChars[v])) value = v;
        const int bit = band * 2;
        status[bit / 8] =
            static_cast<char>(static_cast<unsigned char>(status[bit / 8]) | (value << (bit % 8)));
    }
    record.bytes.replace(kAreaStatusOffset, kAreaStatusSize, status);
}

int idx_search(DbfTable& index, const QString& key, int length) {
    if (index.kind != DbfTable::Kind::AreaMaster) return 0;
    const QString prefix = key.left(std::max(length, 0));
    SqliteStatement s =
        index.db.prepare("SELECT entry, code FROM area WHERE code >= ? ORDER BY code LIMIT 1");
    s.bind(1, prefix);
    if (!s.next() || !s.text(1).startsWith(prefix)) return 0;
    index.cursorEntry = static_cast<int>(s.integer(0));
    index.cursorCode = s.text(1);
    return index.cursorEntry;
}

int idx_next(DbfTable& index) {
    if (index.kind != DbfTable::Kind::AreaMaster || index.cursorEntry == 0) return 0;
    SqliteStatement s =
        index.db.prepare("SELECT entry, code FROM area WHERE code > ? ORDER BY code LIMIT 1");
    s.bind(1, index.cursorCode);
    if (!s.next()) {
        index.cursorEntry = 0;
        return 0;
    }
    index.cursorEntry = static_cast<int>(s.integer(0));
    index.cursorCode = s.text(1);
    return index.cursorEntry;
}

AreaImportResult importAreas(const QString& mstPath, const QString& listPath) {
    AreaImportResult result;
    QFile file(listPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 16 * 1024 * 1024) {
        result.error =
            QStringLiteral("地域リストを読めません: ") + QDir::toNativeSeparators(listPath);
        return result;
    }
    const QStringList lines = sjis::decodeUserText(file.readAll()).split(u'\n');
    const QString master = QDir::toNativeSeparators(mstPath);
    // JARL lists: an optional "*" or "#" (deleted), the code, the name, an
    // optional quoted date.
    static const QRegularExpression jarl(
        QStringLiteral(R"(^\s*([*#])?\s*(\d{4,6}[A-Za-z]?)\s+(.+?)\s*(?:"[^"]*")?\s*$)"));
    struct Area {
        QString code, name, flag;
        int line = 0;
    };
    std::vector<Area> areas;
    int lineNo = 0;
    for (QString line : lines) {
        ++lineNo;
        line = line.trimmed();
        if (line.isEmpty()) continue;
        Area a{QString(), QString(), QStringLiteral(" "), lineNo};
        const QStringList items = commaTextSplit(line);
        if (line.contains(u',') && items.size() >= 2 && ChosonCheck(items[0]) != 0) {
            a.code = items[0];
            a.name = items[1];
            if (items.size() > 2 && !items[2].isEmpty()) a.flag = items[2].left(1);
        } else {
            const QRegularExpressionMatch m = jarl.match(line);
            if (!m.hasMatch() || ChosonCheck(m.captured(2)) == 0) continue;
            a.code = m.captured(2);
            a.name = (m.captured(1).isEmpty() ? QString() : QStringLiteral("*")) + m.captured(3);
        }
        areas.push_back(std::move(a));
    }
    // A file with no area line is no area list (an ADIF log given by
    // mistake, for one): refused, nothing written, no log started.
    if (areas.empty()) {
        result.error = QStringLiteral(
                           "%1 には地域コードの行がありません（「コード,地域名」または JARL の"
                           "リストの形式で指定してください）")
                           .arg(QDir::toNativeSeparators(listPath));
        return result;
    }
    QString created;
    if (!QFileInfo::exists(mstPath) && !createAreaMaster(mstPath, &created)) {
        result.error = QStringLiteral("QSOデータを作成できません: ") + created;
        return result;
    }
    SqliteDb db;
    if (!db.open(mstPath, SqliteDb::Mode::ReadWrite) || !db.exec(kAreaSchema)) {
        result.error =
            QStringLiteral("QSOデータを開けません: %1（%2）").arg(master, db.errorText());
        return result;
    }
    SqliteTransaction tx(db);
    SqliteStatement upsert = db.prepare(
        "INSERT INTO area (code, name, flag) VALUES (?1, ?2, ?3)"
        " ON CONFLICT (code) DO UPDATE SET name = excluded.name, flag = excluded.flag");
    SqliteStatement exists = db.prepare("SELECT 1 FROM area WHERE code = ?");
    for (const Area& a : areas) {
        exists.reset();
        exists.bind(1, areaKey(a.code));
        const bool known = exists.next();
        exists.reset();
        upsert.reset();
        upsert.bind(1, areaKey(a.code)).bind(2, a.name.left(34)).bind(3, a.flag);
        if (!upsert.run()) {
            result.error = QStringLiteral("%1 の %2行目: 地域を書き込めません（%3）")
                               .arg(QDir::toNativeSeparators(listPath), QString::number(a.line),
                                    db.errorText());
            result.added = result.updated = 0;
            return result;
        }
        ++(known ? result.updated : result.added);
    }
    if (!tx.commit()) {
        result.error =
            QStringLiteral("QSOデータに書き込めません: %1（%2）").arg(master, db.errorText());
        result.added = result.updated = 0;
    }
    return result;
}
