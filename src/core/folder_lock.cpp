#include "core/folder_lock.h"

#include <QDir>

FolderLock::FolderLock(const QString& programDir)
    : folder_(programDir), lock_(fileNameIn(programDir)) {
    // Held for a whole run, however long: only a holder that no longer runs
    // makes the lock stale.
    lock_.setStaleLockTime(0);
}

QString FolderLock::fileNameIn(const QString& programDir) {
    return QDir(programDir).filePath(QStringLiteral("Sendvik.lock"));
}

std::optional<QString> FolderLock::take() {
    if (lock_.isLocked() || lock_.tryLock(0)) return std::nullopt;
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(folder_));
    qint64 pid = 0;
    QString host;
    QString program;
    if (lock_.error() == QLockFile::LockFailedError && lock_.getLockInfo(&pid, &host, &program)) {
        return QStringLiteral(
                   "%1 は %2（プロセス番号 %3%4）が使用中です。"
                   "終了してから実行してください。何も変更していません。")
            .arg(folder, program.isEmpty() ? QStringLiteral("他のプログラム") : program)
            .arg(pid)
            .arg(host.isEmpty() ? QString() : QStringLiteral("、") + host);
    }
    return QStringLiteral("%1 に %2 を作成できません。何も変更していません。")
        .arg(folder, QStringLiteral("Sendvik.lock"));
}
