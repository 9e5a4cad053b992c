#include "archive/backup.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/progress_port.h"
#include "core/whole_file.h"
#include "core/zk_dll5.h"
#include "core/zkw_ini.h"
#include "platform/file_sync.h"

#include <QCoreApplication>
#include <QDir>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>

namespace {

int stepsOf(const std::array<int, 3>& counts, const BackupSettings& s) {
    return counts[0] + (s.alsoSent ? counts[1] : 0) + (s.alsoTexts ? counts[2] : 0);
}

}  // namespace

QString BackupSettings::defaultFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QStringLiteral("ZelkovBak")
                               : QDir(documents).filePath(QStringLiteral("ZelkovBak"));
}

void BackupSettings::load(const TZkwIni& settings) {
    folder = settings.readString(u"Config", u"BackUp", defaultFolder());
    const int bits = settings.readInteger(u"Config", u"BakChk", 0);
    alsoSent = bits & 8;
    alsoTexts = bits & 16;
    atExit = bits & 32;
    const QString stored = settings.readString(u"Config", u"Progres", QString());
    counts = {0, 0, 400};
    if (!stored.trimmed().isEmpty()) {
        qsizetype cursor = 0;
        counts[0] = StrToLong(stored);
        counts[1] = NextListNumber(stored, cursor);
        counts[2] = NextListNumber(stored, cursor);
    }
}

void BackupSettings::save(TZkwIni& settings) const {
    saveFolder(settings);
    settings.writeInteger(u"Config", u"BakChk", checkBits());
}

void BackupSettings::saveFolder(TZkwIni& settings) const {
    settings.writeString(u"Config", u"BackUp", folder);
}

void BackupSettings::saveCounts(TZkwIni& settings) const {
    settings.writeString(u"Config", u"Progres",
                         QStringLiteral("%1,%2,%3").arg(counts[0]).arg(counts[1]).arg(counts[2]));
}

int CopyNewer(const QString& folder, const QString& mask, const QString& destination,
              qint64 minimumBytes, int& copied, int& failed, ProgressPort* progress, int* step) {
    QDir().mkdir(destination);  // one level, as the backup folder itself must exist
    int looked = 0;
    QDirIterator it(folder, {mask}, QDir::Files);
    while (it.hasNext()) {
        if (progress && progress->abortRequested()) break;
        const QFileInfo source(it.nextFileInfo());
        if (source.size() <= minimumBytes) continue;
        ++looked;
        const QFileInfo target(QDir(destination).filePath(source.fileName()));
        if (!target.exists() || target.lastModified() < source.lastModified()) {
            if (copyWholeFile(source.filePath(), target.filePath(), FileSync::ByCaller))
                ++copied;
            else
                ++failed;
        }
        if (progress) {
            if (step) progress->setPosition(++*step);
            // The person's stop click arrives between files.
            if (looked % 20 == 0) QCoreApplication::processEvents();
        }
    }
    return looked;
}

BackupResult runBackup(const BackupSettings& settings, const QString& settingsFile,
                       const CardFolders& folders, int scope, ProgressPort* progress) {
    BackupResult result;
    int step = 1;
    const int maximum = std::max(stepsOf(settings.counts, settings), 1);
    if (progress) {
        progress->clearAbort();
        progress->setVisible(true);
        progress->setMaximum(maximum);
        progress->setPosition(1);
    }
    const QDir backup(settings.folder);
    // The default folder is the program's own proposal: offered to be made
    // (another folder missing may be a disk not plugged in: only told).
    if (!settings.folder.isEmpty() && !QFileInfo(settings.folder).exists() &&
        QDir::cleanPath(settings.folder) == QDir::cleanPath(BackupSettings::defaultFolder()) &&
        ShowMsgBox(nullptr,
                   QStringLiteral("バックアップ先フォルダがありません。\r") +
                       QDir::toNativeSeparators(settings.folder) +
                       QStringLiteral("\r\rこのフォルダを作成してバックアップしますか？"),
                   app::title(), mb::YesNo | mb::IconQuestion) == mb::IdYes &&
        !QDir().mkpath(settings.folder)) {
        result.folderMissing = true;
        ShowMsgBox(
            nullptr,
            QDir::toNativeSeparators(settings.folder) +
                QStringLiteral("\r\r・・・を作成できません！（%1）").arg(systemErrorText(errno)),
            app::title(), mb::Ok | mb::IconStop);
        if (progress) progress->setVisible(false);
        return result;
    }
    if (settings.folder.isEmpty() || !QFileInfo(settings.folder).isDir()) {
        result.folderMissing = true;
        ShowMsgBox(nullptr,
                   QStringLiteral("バックアップ先フォルダが見つかりません！\r") +
                       QDir::toNativeSeparators(settings.folder),
                   app::title(), mb::Ok | mb::IconStop);
        if (progress) progress->setVisible(false);
        return result;
    }
    const QFileInfo ini(settingsFile);
    CopyNewer(ini.absolutePath(), ini.fileName(), backup.path(), 10, result.copied, result.failed,
              progress, &step);
    const auto stopped = [progress] { return progress && progress->abortRequested(); };
    if (!stopped())
        result.looked[0] = CopyNewer(folders.receivedDir, QStringLiteral("*.jpg"),
                                     backup.filePath(QStringLiteral("受信")), 2048, result.copied,
                                     result.failed, progress, &step);
    if (!stopped() && (scope & backup_scope::Sent) && settings.alsoSent)
        result.looked[1] = CopyNewer(folders.sentDir, QStringLiteral("*.jpg"),
                                     backup.filePath(QStringLiteral("送信")), 2048, result.copied,
                                     result.failed, progress, &step);
    if (!stopped() && (scope & backup_scope::Received) && settings.alsoTexts)
        result.looked[2] = CopyNewer(folders.messageDir, QStringLiteral("*.txt"),
                                     backup.filePath(QStringLiteral("QslMsg")), 10, result.copied,
                                     result.failed, progress, &step);
    // The copies are on disk before anyone relies on the backup.
    // Best effort: each copy was renamed into place whole; a share that
    // cannot sync still holds them.
    (void)platform::syncFileSystemOf(backup.path());
    result.aborted = stopped();
    // Files left out are never passed over as a finished backup.
    const QString notCopied = QStringLiteral(
                                  "%1 個のファイルがコピーできませんでした。\r"
                                  "バックアップ先の空き容量を確認してください。\r")
                                  .arg(result.failed) +
                              QDir::toNativeSeparators(settings.folder);
    if (progress) {
        if (!result.aborted) {
            progress->setPosition(maximum);
            QString text = QStringLiteral("%1 個のファイルをコピーしました。").arg(result.copied);
            if (result.failed > 0) text += QStringLiteral("\r\r") + notCopied;
            ShowMsgBox(nullptr, text, app::title(),
                       mb::Ok | (result.failed > 0 ? mb::IconExclamation : mb::IconInformation));
        }
        progress->setVisible(false);
    } else if (result.failed > 0) {
        ShowMsgBox(nullptr, notCopied, app::title(), mb::Ok | mb::IconExclamation);
    }
    return result;
}

bool backupAtExitDue(const BackupSettings& settings, int activity) {
    if (activity == 0 || !settings.atExit) return false;
    const int exchanged =
        settings.alsoSent ? (backup_scope::Sent | backup_scope::Received) : backup_scope::Received;
    return (activity & exchanged) != 0;
}
