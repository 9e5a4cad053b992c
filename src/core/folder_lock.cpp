#include "core/folder_lock.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>

FolderLock::FolderLock(const QString& programDir) : folder_(programDir) {}

QString FolderLock::fileNameIn(const QString& programDir) {
    return QDir(programDir).filePath(QStringLiteral("Sendvik.lock"));
}

QString FolderLock::shownProgram(const QString& applicationName) {
    // The command line's programs run under names of their own parts.
    if (applicationName.startsWith(QStringLiteral("sendvik-cli")))
        return QStringLiteral("sendvik-cli");
    if (applicationName.compare(QStringLiteral("sendvik"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Sendvik");
    return applicationName;
}

std::optional<QString> FolderLock::take() {
    const QByteArray about = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                             shownProgram(QCoreApplication::applicationName()).toUtf8() + '\n' +
                             QSysInfo::machineHostName().toUtf8() + '\n';
    QByteArray holder;
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(folder_));
    switch (held_.hold(fileNameIn(folder_), about, &holder)) {
        case platform::HeldFile::Outcome::Held: return std::nullopt;
        case platform::HeldFile::Outcome::HeldElsewhere: {
            const QList<QByteArray> lines = holder.split('\n');
            const QString program = shownProgram(QString::fromUtf8(lines.value(1)).trimmed());
            const QString host = QString::fromUtf8(lines.value(2)).trimmed();
            const qint64 pid = lines.value(0).trimmed().toLongLong();
            QString who = program.isEmpty() ? QStringLiteral("他のプログラム") : program;
            if (pid > 0 || !host.isEmpty())
                who += QStringLiteral("（%1%2）")
                           .arg(pid > 0 ? QStringLiteral("プロセス番号 %1").arg(pid) : QString(),
                                host.isEmpty() || host == QSysInfo::machineHostName()
                                    ? QString()
                                    : QStringLiteral("、") + host);
            return QStringLiteral(
                       "%1 は %2 "
                       "が使用中です。終了してから実行してください。何も変更していません。")
                .arg(folder, who);
        }
        case platform::HeldFile::Outcome::Failed: break;
    }
    return QStringLiteral("%1 に %2 を作成できません。何も変更していません。")
        .arg(folder, QStringLiteral("Sendvik.lock"));
}
