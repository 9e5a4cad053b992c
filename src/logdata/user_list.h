#pragma once
// The registered-user list ("UserList.usr": the edition text on the first
// line, then one call sign a line, CP932) and its index (".usx" beside it,
// made when the logging program opens the list). See docs/user-list.md.

#include "logdata/sqlite_db.h"

#include <QDate>
#include <QString>
#include <QStringList>

struct UserHandle {
    QString edition;
    // The service's answers decide who takes part (no list of the logging
    // program): every call is sought.
    bool serviceDecides = false;
    // Non-zero: the index is missing or older than the list, which must
    // first be opened in the logging program.
    int status = 0;
    SqliteDb index;
    SqliteStatement seek;
};

// Without a list from the logging program (none chosen and none at its
// usual place), the service's membership answers decide who takes part, and
// the program keeps the stations the service confirmed in a list of its own
// under this name in the program folder: the same format, the date of the
// last confirmation as its edition. A list of this name never leaves a
// station out.
inline constexpr char16_t kServiceUserListName[] = u"ServiceUsers.usr";
bool isServiceUserList(const QString& usrPath);
// Adds the calls to the kept list, dated `today`; false with `error`. The
// list keeps at most kMaxServiceUsers stations (the newest).
inline constexpr int kMaxServiceUsers = 100000;
[[nodiscard]] bool keepServiceMembers(const QString& usrPath, const QStringList& calls, QDate today,
                                      QString* error = nullptr);

// The index file of a list: the same path with ".usx".
QString userListIndexPath(const QString& usrPath);

// What the logging program does when it opens a list: (re)builds the index.
// False with `error` when the list cannot be read or the index written.
[[nodiscard]] bool BuildUserListIndex(const QString& usrPath, QString* error = nullptr);

// 0 when the list was read (edition and status set), -1 when it cannot be.
// The kept list of the service's stations opens also when it is not there
// yet (`serviceDecides` set, the edition empty).
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
