#include "core/text_files.h"

#include "core/app_info.h"
#include "core/msg_box.h"
#include "core/sjis.h"

#include <QFile>
#include <QSaveFile>

int WriteTextFile(const QString& text, const QString& fileName) {
    if (sjis::fitsCp932(text)) return WriteTextFile(sjis::fromUnicode(text), fileName);
    return WriteTextFile(QByteArray("\xEF\xBB\xBF") + text.toUtf8(), fileName);
}

int WriteTextFile(const QByteArray& bytes, const QString& fileName) {
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return 0;
    ShowMsgBox(nullptr, fileName + QStringLiteral("\r\r・・・を作成できません！"), app::title(),
               mb::Ok | mb::IconStop);
    return 1;
}

bool MoveFileReplacing(const QString& from, const QString& to) {
    QFile::remove(to);
    if (QFile::rename(from, to)) return true;
    if (!QFile::copy(from, to)) return false;
    QFile::remove(from);
    return true;
}

bool SetFileDateTime(const QString& fileName, const QDateTime& localTime) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) return false;
    return file.setFileTime(localTime, QFileDevice::FileModificationTime);
}
