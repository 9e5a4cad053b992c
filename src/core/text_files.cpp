#include "core/text_files.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/sjis.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

bool SaveFile(const QByteArray& bytes, const QString& fileName, FileSync sync) {
    return writeWholeFile(fileName, bytes, sync);
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
    QString why;
    if (writeWholeFile(fileName, bytes, FileSync::Now, &why)) return 0;
    ShowCannotCreate(fileName, why);
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
    if (!copyWholeFile(from, to)) return false;
    QFile::remove(from);
    return true;
}

bool SetFileDateTime(const QString& fileName, const QDateTime& localTime) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) return false;
    return file.setFileTime(localTime, QFileDevice::FileModificationTime);
}
