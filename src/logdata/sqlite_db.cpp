#include "logdata/sqlite_db.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <utility>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        stmt_ = nullptr;
        failed_ = true;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(other.db_),
      stmt_(std::exchange(other.stmt_, nullptr)),
      failed_(other.failed_),
      bound_(std::move(other.bound_)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = other.db_;
        stmt_ = std::exchange(other.stmt_, nullptr);
        failed_ = other.failed_;
        bound_ = std::move(other.bound_);
    }
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const QString& text) {
    if (stmt_ && index > 0) {
        if (bound_.size() < static_cast<size_t>(index)) bound_.resize(static_cast<size_t>(index));
        QByteArray& utf8 = bound_[static_cast<size_t>(index - 1)];
        // ASCII is copied into the kept buffer, which reuses its memory from
        // one row to the next; anything else is converted.
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii) {
            utf8.resize(text.size());
            char* out = utf8.data();
            for (QChar c : text)
                *out++ = static_cast<char>(c.unicode());
        } else {
            utf8 = text.toUtf8();
        }
        sqlite3_bind_text(stmt_, index, utf8.isNull() ? "" : utf8.constData(),
                          static_cast<int>(utf8.size()), SQLITE_STATIC);
    }
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, qint64 value) {
    if (stmt_) sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const QByteArray& blob) {
    if (stmt_)
        sqlite3_bind_blob(stmt_, index, blob.constData(), static_cast<int>(blob.size()),
                          SQLITE_TRANSIENT);
    return *this;
}

bool SqliteStatement::next() {
    if (!stmt_) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) failed_ = true;
    return false;
}

bool SqliteStatement::run() {
    while (next()) {
    }
    return !failed_;
}

void SqliteStatement::reset() {
    if (!stmt_) return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    failed_ = false;
}

QString SqliteStatement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column)) : QString();
}

qint64 SqliteStatement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

QByteArray SqliteStatement::blob(int column) const {
    const void* p = sqlite3_column_blob(stmt_, column);
    return p ? QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(stmt_, column))
             : QByteArray();
}

SqliteDb::~SqliteDb() {
    close();
}

bool SqliteDb::open(const QString& path, Mode mode) {
    close();
    if (mode != Mode::Create && !QFileInfo(path).isFile()) {
        // The caller names the file.
        error_ = QStringLiteral("ファイルがありません");
        return false;
    }
    int flags = SQLITE_OPEN_NOMUTEX;
    flags |= mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (mode == Mode::Create) flags |= SQLITE_OPEN_CREATE;
    const QByteArray name = path.toUtf8();
    if (sqlite3_open_v2(name.constData(), &db_, flags, nullptr) != SQLITE_OK) {
        noteError();
        close();
        return false;
    }
    sqlite3_busy_timeout(db_, 3000);
    // A bigger page cache keeps a large log's indexes in memory.
    // Memory-mapped reads spare a system call per page on random access.
    sqlite3_exec(db_, "PRAGMA cache_size = -32000; PRAGMA mmap_size = 268435456", nullptr, nullptr,
                 nullptr);
    sqlite3_extended_result_codes(db_, 1);
    // Reading the schema proves the file is a database and not locked away.
    if (!exec("PRAGMA foreign_keys=ON; SELECT count(*) FROM sqlite_master;")) {
        close();
        return false;
    }
    return true;
}

void SqliteDb::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool SqliteDb::exec(const char* sql) {
    if (!db_) return false;
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        sqlite3_free(message);  // the error's words come from its code
        noteError();
        return false;
    }
    return true;
}

SqliteStatement SqliteDb::prepare(const char* sql) {
    SqliteStatement s(db_, sql);
    if (!s.valid()) noteError();
    return s;
}

std::optional<qint64> SqliteDb::queryInteger(const char* sql) {
    SqliteStatement s = prepare(sql);
    if (!s.next()) return std::nullopt;
    return s.integer(0);
}

bool SqliteDb::inTransaction() const {
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

int SqliteDb::changes() const {
    return db_ ? sqlite3_changes(db_) : 0;
}

void SqliteDb::noteError() {
    if (!db_) {
        error_ = QStringLiteral("データベースが開いていません");
        return;
    }
    // The person reads Japanese; the library's words follow for the rare
    // failure that has no words of ours.
    switch (sqlite3_errcode(db_) & 0xff) {
        case SQLITE_FULL: error_ = QStringLiteral("ディスクの空き容量が足りません"); break;
        case SQLITE_IOERR:
            error_ =
                QStringLiteral("ディスクの読み書きに失敗しました（空き容量を確認してください）");
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: error_ = QStringLiteral("他のプログラムが書き込み中です"); break;
        case SQLITE_READONLY: error_ = QStringLiteral("書き込みの許可がありません"); break;
        case SQLITE_CANTOPEN: error_ = QStringLiteral("ファイルを開けません"); break;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: error_ = QStringLiteral("ファイルが壊れています"); break;
        case SQLITE_PERM:
        case SQLITE_AUTH: error_ = QStringLiteral("アクセスが拒否されました"); break;
        default:
            error_ = QStringLiteral("データベースのエラー（%1）")
                         .arg(QString::fromUtf8(sqlite3_errmsg(db_)));
    }
}

SqliteReadSnapshot::SqliteReadSnapshot(SqliteDb& db) : db_(db) {
    active_ = db_.exec("BEGIN DEFERRED");
}

SqliteReadSnapshot::~SqliteReadSnapshot() {
    if (active_) (void)db_.exec("COMMIT");  // read only: nothing to keep or lose
}

SqliteTransaction::SqliteTransaction(SqliteDb& db) : db_(db) {
    nested_ = db_.inTransaction();
    active_ = nested_ || db_.exec("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    // Not committed: undone, and a failed undo is undone by SQLite when the
    // connection closes.
    if (active_ && !nested_) (void)db_.exec("ROLLBACK");
}

bool SqliteTransaction::commit() {
    if (!active_) return false;
    active_ = false;
    if (nested_) return true;
    if (db_.exec("COMMIT")) return true;
    (void)db_.exec("ROLLBACK");  // the commit failed: undone, as far as it goes
    return false;
}
