#include "render/card_viewer.h"

#include "mail/card_record.h"
#include "render/jpeg_io.h"

#include "core/zk_dll5.h"

#include <QDir>
#include <QFileInfo>

QString viewerEntry(const QString& path, const QDateTime& modified, int sortMode) {
    const QFileInfo info(path);
    QString key;
    if (sortMode == viewer_sort::FileName) {
        key = info.fileName();
    } else if (sortMode == viewer_sort::QsoDate) {
        const QString name = info.fileName();
        const qsizetype underscore = name.indexOf(u'_');
        key = underscore >= 0 ? name.mid(underscore + 1) : name;
    }
    const QDate d = modified.date();
    const QTime t = modified.time();
    return key.leftJustified(60, u' ') +
           QStringLiteral("\"%1/%2/%3 %4:%5\"")
               .arg(d.year())
               .arg(d.month(), 2, 10, QChar(u'0'))
               .arg(d.day(), 2, 10, QChar(u'0'))
               .arg(t.hour(), 2, 10, QChar(u'0'))
               .arg(t.minute(), 2, 10, QChar(u'0')) +
           QDir::toNativeSeparators(info.absolutePath()) + QDir::separator() + info.fileName();
}

QString entryPath(const QString& entry) {
    return entry.mid(entry.lastIndexOf(u'"') + 1);
}

QString entryTime(const QString& entry) {
    const qsizetype last = entry.lastIndexOf(u'"');
    const qsizetype first = entry.lastIndexOf(u'"', last - 1);
    return first >= 0 ? entry.mid(first + 1, last - first - 1) : QString();
}

QString viewerMask(const QString& path, int flags) {
    if (flags & viewer_flag::MaskGiven) return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    return QDir(info.path())
        .filePath(suffix.isEmpty() ? QStringLiteral("*") : QStringLiteral("*.") + suffix);
}

QStringList findCards(const QString& mask, int sortMode) {
    const QFileInfo info(mask);
    QDir dir(info.path());
    QStringList entries;
    // Matched as the desktop's file search does, without regard to case.
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        if (file.size() <= 2048) continue;  // no card is that small
        if (!WildcardMatch(file.fileName().toUpper(), info.fileName().toUpper())) continue;
        entries.append(viewerEntry(file.absoluteFilePath(), file.lastModified(), sortMode));
    }
    entries.sort();
    return entries;
}

int shownIndex(int position, int count, int sortMode) {
    if (count <= 1) return 0;
    return sortMode == viewer_sort::FileName ? position : count - 1 - position;
}

QString viewerPositionLabel(int position, int count, const QString& time) {
    return QString(18, u' ') + QStringLiteral("%1／%2 (%3)").arg(position + 1).arg(count).arg(time);
}

QSize fitPicture(QSize picture, QSize maximum) {
    int w = std::max(picture.width(), 1), h = std::max(picture.height(), 1);
    if (w >= maximum.width()) {
        h = int(qint64(maximum.width()) * h / w);
        w = maximum.width();
    }
    if (h >= maximum.height()) {
        w = int(qint64(maximum.height()) * w / std::max(h, 1));
        h = maximum.height();
    }
    return {w, h};
}

QString previewLabel(bool sendMode, int recno, QSize size, const QString& fileName,
                     const CardPlace& place) {
    const QString dimensions = QStringLiteral("(%1x%2)").arg(size.width()).arg(size.height());
    if (sendMode) {
        const QString where = cardPlaceText(place);
        return (where.isEmpty() ? QString() : where + u' ') +
               (recno > 0 ? QStringLiteral("No") + FormatThousands(recno) + u' ' + dimensions
                          : dimensions);
    }
    return (recno > 0 ? QStringLiteral("No") + QString::number(recno) : dimensions) + u' ' +
           fileName;
}

QString cardMessagePath(const QString& messageDir, const QString& picturePath) {
    return QDir(messageDir)
        .filePath(QFileInfo(picturePath).completeBaseName() + QStringLiteral(".txt"));
}

QString embeddedRecordLine(const QString& path) {
    for (const QByteArray& comment : jpegCommentsOf(path))
        if (const std::optional<CardRecord> record = cardRecordFromComment(comment))
            return cardRecordLine(*record);
    return {};
}
