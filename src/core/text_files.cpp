#include "core/text_files.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/sjis.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace {}  // namespace

bool SaveFile(const QByteArray& bytes, const QString& fileName, FileSync sync) {
    if (sync == FileSync::Now) {
        QSaveFile file(fileName);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
               file.commit();
    }
    const QString part = fileName + QStringLiteral(".part");
    QFile file(part);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(bytes) == bytes.size() && file.flush();
    file.close();
    std::error_code failed;
    if (written) {
        // Replaces an older file of the name in one step.
        std::filesystem::rename(QFile::encodeName(part).toStdString(),
                                QFile::encodeName(fileName).toStdString(), failed);
        written = !failed;
    }
    if (!written) QFile::remove(part);
    return written;
}

bool SaveTextFile(const QString& text, const QString& fileName, FileSync sync) {
    return SaveFile(sjis::encodeUserText(text), fileName, sync);
}

void ShowCannotCreate(const QString& fileName, const QString& detail) {
    QString text =
        QDir::toNativeSeparators(fileName) + QStringLiteral("\r\r・・・を作成できません！");
    if (!detail.isEmpty()) text += QStringLiteral("\r\r（") + detail + u'）';
    ShowMsgBox(nullptr, text, app::title(), mb::Ok | mb::IconStop);
}

int WriteTextFile(const QString& text, const QString& fileName) {
    return WriteTextFile(sjis::encodeUserText(text), fileName);
}

int WriteTextFile(const QByteArray& bytes, const QString& fileName) {
    if (SaveFile(bytes, fileName)) return 0;
    ShowCannotCreate(fileName);
    return 1;
}

bool MoveFileReplacing(const QString& from, const QString& to) {
    // On one file system a rename replaces the old file in one step.
    std::error_code failed;
    std::filesystem::rename(QFile::encodeName(from).toStdString(),
                            QFile::encodeName(to).toStdString(), failed);
    if (!failed) return true;
    // Across file systems (or drives) the copy is made whole beside the old
    // file and renamed over it: a full disk leaves the old file and the
    // source as they were, never a part of a file.
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(from, part)) {
        QFile::remove(part);
        return false;
    }
    std::filesystem::rename(QFile::encodeName(part).toStdString(),
                            QFile::encodeName(to).toStdString(), failed);
    if (failed) {
        QFile::remove(part);
        return false;
    }
    QFile::remove(from);
    return true;
}

bool SetFileDateTime(const QString& fileName, const QDateTime& localTime) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) return false;
    return file.setFileTime(localTime, QFileDevice::FileModificationTime);
}
