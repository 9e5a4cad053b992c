#pragma once
// The registered-user list ("UserList.usr": the edition text on the first
// line, then one call sign a line, CP932) and its index (".usx" beside it,
// made when the logging program opens the list). See docs/user-list.md.

#include "logdata/sqlite_db.h"

#include <QString>

struct UserHandle {
    QString edition;
    // Non-zero: the index is missing or older than the list, which must
    // first be opened in the logging program.
    int status = 0;
    SqliteDb index;
    SqliteStatement seek;
};

// The index file of a list: the same path with ".usx".
QString userListIndexPath(const QString& usrPath);

// What the logging program does when it opens a list: (re)builds the index.
// False with `error` when the list cannot be read or the index written.
[[nodiscard]] bool BuildUserListIndex(const QString& usrPath, QString* error = nullptr);

// 0 when the list was read (edition and status set), -1 when it cannot be.
[[nodiscard]] int User_open(int reserved1, int reserved2, UserHandle& handle,
                            const QString& usrPath);
// User_open as the logging program would have left the list: an index that
// is missing or older than the list is (re)built first (there is no logging
// program here to do it). `status` stays non-zero only when the index cannot
// be made (`error` says why).
[[nodiscard]] int openUserList(UserHandle& handle, const QString& usrPath,
                               QString* error = nullptr);
// Greater than 0 when the call (blank-padded to six or more) is registered.
int User_Seek(UserHandle& handle, const QString& call);
void User_close(UserHandle& handle);
