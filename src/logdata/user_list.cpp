#include "logdata/user_list.h"

#include "core/sjis.h"
#include "core/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

constexpr qint64 kMaxListBytes = 64 * 1024 * 1024;

struct ListText {
    QString edition;
    QStringList calls;
};

bool readList(const QString& path, ListText& out, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxListBytes) {
        if (error)
            *error =
                QStringLiteral("ユーザーリストを読めません: ") + QDir::toNativeSeparators(path);
        return false;
    }
    const QString text = sjis::decodeUserText(f.readAll());
    const QStringList lines = text.split(u'\n');
    out.edition = lines.isEmpty() ? QString() : lines.front().trimmed();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString call = lines[i].trimmed().toUpper();
        if (!call.isEmpty() && call.size() <= 20) out.calls.append(call);
    }
    return true;
}

// The list file's size and time, kept in the index to tell when it is stale.
QString stampOf(const QString& path) {
    const QFileInfo info(path);
    return QString::number(info.size()) + u'@' +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

QString indexFailure(const QString& path, const QString& why) {
    const QString text =
        QStringLiteral("ユーザーリストの索引を作成できません: ") + QDir::toNativeSeparators(path);
    return why.isEmpty() ? text : text + u'（' + why + u'）';
}

}  // namespace

QString userListIndexPath(const QString& usrPath) {
    const QFileInfo info(usrPath);
    return info.path() + u'/' + info.completeBaseName() + QStringLiteral(".usx");
}

bool BuildUserListIndex(const QString& usrPath, QString* error) {
    ListText list;
    if (!readList(usrPath, list, error)) return false;
    const QString target = userListIndexPath(usrPath);
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);
    {
        SqliteDb db;
        if (!db.open(temp, SqliteDb::Mode::Create) ||
            !db.exec("CREATE TABLE meta (name TEXT PRIMARY KEY, value TEXT NOT NULL);"
                     "CREATE TABLE calls (call TEXT PRIMARY KEY) WITHOUT ROWID;")) {
            if (error) *error = indexFailure(temp, db.errorText());
            return false;
        }
        SqliteTransaction tx(db);
        SqliteStatement add = db.prepare("INSERT OR IGNORE INTO calls VALUES (?)");
        // A call that did not go in would read as unregistered: the index is
        // whole or not made.
        bool whole = true;
        for (const QString& call : list.calls) {
            add.reset();
            whole = whole && add.bind(1, call).run();
        }
        SqliteStatement meta = db.prepare("INSERT INTO meta VALUES (?, ?)");
        whole = whole && meta.bind(1, QStringLiteral("edition")).bind(2, list.edition).run();
        meta.reset();
        whole = whole && meta.bind(1, QStringLiteral("source")).bind(2, stampOf(usrPath)).run();
        if (!whole || !tx.commit()) {
            if (error) *error = indexFailure(temp, db.errorText());
            return false;
        }
    }
    QFile::remove(target);
    if (!QFile::rename(temp, target)) {
        if (error)
            *error = QStringLiteral("ユーザーリストの索引が保存できません: ") +
                     QDir::toNativeSeparators(target);
        QFile::remove(temp);
        return false;
    }
    return true;
}

bool isServiceUserList(const QString& usrPath) {
    return !usrPath.isEmpty() &&
           QFileInfo(usrPath).fileName().compare(QString::fromUtf16(kServiceUserListName),
                                                 Qt::CaseInsensitive) == 0;
}

bool keepServiceMembers(const QString& usrPath, const QStringList& calls, QDate today,
                        QString* error) {
    ListText list;
    if (QFileInfo::exists(usrPath) && !readList(usrPath, list, error)) return false;
    QStringList kept = list.calls;
    QSet<QString> known(kept.cbegin(), kept.cend());
    for (const QString& call : calls) {
        const QString c = call.trimmed().toUpper();
        if (!c.isEmpty() && c.size() <= 20 && !known.contains(c)) {
            known.insert(c);
            kept << c;
        }
    }
    if (kept.size() > kMaxServiceUsers) kept = kept.mid(kept.size() - kMaxServiceUsers);
    QString text = today.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral("\r\n");
    for (const QString& c : std::as_const(kept))
        text += c + QStringLiteral("\r\n");
    QString why;
    if (writeWholeFile(usrPath, sjis::encodeUserText(text), FileSync::Now, &why)) return true;
    if (error)
        *error = QStringLiteral("ユーザーリストを保存できません: ") +
                 QDir::toNativeSeparators(usrPath) +
                 (why.isEmpty() ? QString() : u'（' + why + u'）');
    return false;
}

int User_open(int, int, UserHandle& handle, const QString& usrPath) {
    User_close(handle);
    ListText list;
    if (isServiceUserList(usrPath)) {
        handle.serviceDecides = true;
        handle.status = 0;
        if (QFileInfo::exists(usrPath) && readList(usrPath, list, nullptr))
            handle.edition = list.edition;
        return 0;
    }
    if (!readList(usrPath, list, nullptr)) return -1;
    handle.edition = list.edition;
    handle.status = 1;
    if (!handle.index.open(userListIndexPath(usrPath), SqliteDb::Mode::ReadOnly)) return 0;
    SqliteStatement source = handle.index.prepare("SELECT value FROM meta WHERE name = 'source'");
    if (source.next() && source.text(0) == stampOf(usrPath)) {
        handle.seek = handle.index.prepare("SELECT 1 FROM calls WHERE call = ?");
        if (handle.seek.valid()) handle.status = 0;
    }
    return 0;
}

int openUserList(UserHandle& handle, const QString& usrPath, QString* error) {
    if (User_open(0, 0, handle, usrPath) != 0) return -1;
    if (handle.status == 0) return 0;
    User_close(handle);
    if (!BuildUserListIndex(usrPath, error)) return User_open(0, 0, handle, usrPath);
    return User_open(0, 0, handle, usrPath);
}

int User_Seek(UserHandle& handle, const QString& call) {
    if (handle.serviceDecides) return 1;
    if (handle.status != 0 || !handle.seek.valid()) return 0;
    handle.seek.reset();
    handle.seek.bind(1, call.trimmed().toUpper());
    const bool found = handle.seek.next();
    handle.seek.reset();
    return found ? 1 : 0;
}

void User_close(UserHandle& handle) {
    handle.serviceDecides = false;
    handle.seek = SqliteStatement();
    handle.index.close();
}
