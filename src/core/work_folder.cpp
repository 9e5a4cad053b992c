#include "core/work_folder.h"

#include "platform/process_handover.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kPrefix = QStringLiteral("sendvik-work-");

}  // namespace

std::unique_ptr<QTemporaryDir> newWorkFolder() {
    return std::make_unique<QTemporaryDir>(QDir::temp().filePath(
        kPrefix + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX")));
}

int removeAbandonedWorkFolders() {
    int removed = 0;
    const QDir temp = QDir::temp();
    const QFileInfoList folders =
        temp.entryInfoList({kPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& folder : folders) {
        // "sendvik-work-<pid>-XXXXXX"; another user's cannot be removed.
        const QString rest = folder.fileName().mid(kPrefix.size());
        bool number = false;
        const qint64 pid = rest.section(u'-', 0, 0).toLongLong(&number);
        if (!number || rest.section(u'-', 1).size() != 6) continue;
        if (pid == QCoreApplication::applicationPid() || platform::processExists(pid)) continue;
        if (QDir(folder.filePath()).removeRecursively()) ++removed;
    }
    // Earlier versions named theirs after the program alone: whatever of
    // those is two days old belongs to no run.
    const QDateTime old = QDateTime::currentDateTime().addDays(-2);
    for (const QString& name : {QStringLiteral("sendvik-"), QStringLiteral("sendvik-cli-")})
        for (const QFileInfo& folder :
             temp.entryInfoList({name + QStringLiteral("??????")}, QDir::Dirs | QDir::NoSymLinks))
            if (folder.lastModified() < old && QDir(folder.filePath()).removeRecursively())
                ++removed;
    return removed;
}
