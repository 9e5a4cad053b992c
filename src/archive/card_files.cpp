#include "archive/card_files.h"

#include "core/text_files.h"

#include "archive/card_match.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString textNameOf(const QString& cardName) {
    return QFileInfo(cardName).completeBaseName() + QStringLiteral(".txt");
}

// A file's path in the folder, whatever letter case its name has there.
QString existingPath(const QString& folder, const QString& name) {
    return cardFilePath(folder, name);
}

// Replaces `target` with `source`; the source stays when that fails.
bool replaceWith(const QString& source, const QString& target, bool move) {
    return move ? MoveFileReplacing(source, target) : copyWholeFile(source, target);
}

}  // namespace

QString pictureHitTarget(const QString& hitFolder, const QString& cardName) {
    const QDir folder(hitFolder);
    const QString sub = cardName.left(2);
    if (!sub.isEmpty() && QFileInfo(folder.filePath(sub)).isDir()) return folder.filePath(sub);
    return hitFolder;
}

QStringList copyCardsToPictureFolder(const QStringList& cardNames, const QString& receivedDir,
                                     const QString& messageDir, const QString& hitFolder,
                                     bool move) {
    QStringList done;
    for (const QString& name : cardNames) {
        const QString source = existingPath(receivedDir, name);
        if (!QFileInfo(source).isFile()) continue;
        const QString target =
            QDir(pictureHitTarget(hitFolder, name)).filePath(QFileInfo(source).fileName());
        if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
            continue;  // the picture folder is the receive folder
        if (!replaceWith(source, target, move)) continue;
        if (move) QFile::remove(existingPath(messageDir, textNameOf(name)));
        done.append(name);
    }
    return done;
}

bool acceptableCardRename(const QString& oldName, const QString& newName) {
    if (oldName.compare(newName, Qt::CaseInsensitive) == 0) return false;
    if (!newName.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive)) return false;
    qsizetype at = -2;
    for (int i = 0; i < 5; ++i) {
        const qsizetype next = newName.indexOf(u'_', at + 2);
        if (next < 0) return false;
        at = next;
    }
    return !newName.contains(u'/') && !newName.contains(u'\\');
}

bool renameCard(const QString& receivedDir, const QString& messageDir, const QString& oldName,
                const QString& newName) {
    const QString source = existingPath(receivedDir, oldName);
    const QString target = QDir(receivedDir).filePath(newName);
    if (!QFileInfo(source).isFile() || QFileInfo::exists(target)) return false;
    if (!QFile::rename(source, target)) return false;
    const QString text = existingPath(messageDir, textNameOf(oldName));
    if (!QFileInfo(text).isFile()) return true;
    // The text goes along; a text already under the new name belongs to no
    // card (there is none of that name) and is replaced in one step. A text
    // that cannot follow puts the card back: nothing changed.
    if (MoveFileReplacing(text, QDir(messageDir).filePath(textNameOf(newName)))) return true;
    // Put back; should even that fail, the card is renamed (its text not).
    return !QFile::rename(target, source);
}

bool deleteCard(const QString& folder, const QString& messageDir, const QString& cardName) {
    const QString path = existingPath(folder, cardName);
    QFile::remove(path);
    if (!messageDir.isEmpty()) QFile::remove(existingPath(messageDir, textNameOf(cardName)));
    return !QFileInfo::exists(path);
}
