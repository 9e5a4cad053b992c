#pragma once
// A small RAII layer over the SQLite C API: a connection, prepared
// statements and transactions. Errors come back as results and texts; no
// exceptions cross it.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool valid() const { return stmt_ != nullptr; }
    SqliteStatement& bind(int index, const QString& text);
    SqliteStatement& bind(int index, qint64 value);
    SqliteStatement& bind(int index, const QByteArray& blob);

    // Steps once: true while a row is there.
    bool next();
    // Steps to the end (for statements without rows); false on an error.
    [[nodiscard]] bool run();
    void reset();

    QString text(int column) const;
    qint64 integer(int column) const;
    QByteArray blob(int column) const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    bool failed_ = false;
    // Text bound to the statement, kept alive until the next reset so that
    // SQLite need not copy it.
    std::vector<QByteArray> bound_;
};

class SqliteDb {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };

    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens the file and checks that it really is a database; false with
    // errorText() when it is missing, locked or not a database.
    [[nodiscard]] bool open(const QString& path, Mode mode);
    void close();
    bool isOpen() const { return db_ != nullptr; }

    [[nodiscard]] bool exec(const char* sql);
    SqliteStatement prepare(const char* sql);
    // The first column of the first row of a query; nullopt on no row or an
    // error. The statement is finished before this returns.
    std::optional<qint64> queryInteger(const char* sql);
    int changes() const;
    bool inTransaction() const;

    QString errorText() const { return error_; }
    // Remembers the connection's current error.
    void noteError();

private:
    sqlite3* db_ = nullptr;
    QString error_;
};

// One read of many statements: they see one state of the file and take its
// lock once, not once a statement (a list matching thousands of cards).
// Writers wait until it ends.
class SqliteReadSnapshot {
public:
    explicit SqliteReadSnapshot(SqliteDb& db);
    ~SqliteReadSnapshot();
    SqliteReadSnapshot(const SqliteReadSnapshot&) = delete;
    SqliteReadSnapshot& operator=(const SqliteReadSnapshot&) = delete;

private:
    SqliteDb& db_;
    bool active_ = false;
    bool nested_ = false;
};

// Begins a write transaction (IMMEDIATE, so a second writer waits or fails
// at once, never half way); rolls back unless committed.
// A write transaction. Inside one already open on the connection (a list of
// marks written together) it is part of that one: its commit and its undo
// are the outer one's.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDb& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool active() const { return active_; }
    [[nodiscard]] bool commit();

private:
    SqliteDb& db_;
    bool active_ = false;
    bool nested_ = false;
};
