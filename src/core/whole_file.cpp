#include "core/whole_file.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace {

QString partOf(const QString& fileName) {
    return fileName + QStringLiteral(".part");
}

QString systemError(int error) {
    return systemErrorText(error);
}

// The reason of the call that just failed, read before anything else runs.
QString lastError() {
    return systemErrorText(errno);
}

}  // namespace

QString systemErrorText(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT: return QStringLiteral("ディスクの空き容量が足りません");
        case EACCES:
        case EPERM: return QStringLiteral("書き込みの許可がありません");
        case EROFS: return QStringLiteral("読み取り専用のディスクです");
        case ENOENT: return QStringLiteral("フォルダが見つかりません");
        case ENOTDIR: return QStringLiteral("フォルダではありません");
        case EISDIR: return QStringLiteral("同じ名前のフォルダがあります");
        case ENAMETOOLONG: return QStringLiteral("ファイル名が長すぎます");
        case EIO: return QStringLiteral("ディスクの読み書きに失敗しました");
        case EMFILE:
        case ENFILE: return QStringLiteral("開いているファイルが多すぎます");
        case EFBIG: return QStringLiteral("ファイルが大きすぎます");
        case EXDEV: return QStringLiteral("別のディスクへは名前の変更で移せません");
        case EBUSY:
        case ETXTBSY: return QStringLiteral("ファイルが使用中です");
        default: return QStringLiteral("システムエラー %1").arg(error);
    }
}

WholeFile::WholeFile(QString fileName, FileSync sync)
    : fileName_(std::move(fileName)), sync_(sync) {}

WholeFile::~WholeFile() {
    if (!file_.isOpen()) return;
    file_.close();
    if (!writingInPlace_) QFile::remove(file_.fileName());
}

bool WholeFile::fail(const QString& what) {
    if (!failed_) error_ = what;
    failed_ = true;
    return false;
}

bool WholeFile::open() {
    const QString part = partOf(fileName_);
    QFile::remove(part);
    file_.setFileName(part);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        const QFileInfo target(fileName_);
        if (inPlace_ && target.isFile() && target.isWritable() &&
            !QFileInfo(target.path()).isWritable()) {
            file_.setFileName(fileName_);
            writingInPlace_ =
                file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
            if (writingInPlace_) return true;
        }
        return fail(lastError());
    }
    if (ownerOnly_ && !file_.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return fail(lastError());
    return true;
}

bool WholeFile::write(QByteArrayView bytes) {
    if (failed_ || !file_.isOpen())
        return fail(error_.isEmpty() ? QStringLiteral("ファイルが開かれていません") : error_);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = file_.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0) return fail(lastError());
        done += qsizetype(n);
    }
    return true;
}

bool WholeFile::setModified(const QDateTime& time) {
    if (failed_ || !file_.isOpen()) return false;
    return file_.setFileTime(time, QFileDevice::FileModificationTime) || fail(lastError());
}

bool WholeFile::setPermissions(QFileDevice::Permissions permissions) {
    if (failed_ || !file_.isOpen()) return false;
    return file_.setPermissions(permissions) || fail(lastError());
}

bool WholeFile::commit() {
    if (failed_ || !file_.isOpen()) {
        if (file_.isOpen()) file_.close();
        if (!writingInPlace_) QFile::remove(file_.fileName());
        return fail(error_);
    }
    bool written = true;
    if (sync_ == FileSync::Now && ::fdatasync(file_.handle()) != 0) {
        written = fail(systemError(errno));
    }
    // A close can still report a write the system had taken on trust (a
    // network file system): the first close of the file is checked.
    const int handle = ::dup(file_.handle());
    if (handle >= 0 && ::close(handle) != 0 && written) written = fail(systemError(errno));
    file_.close();
    if (writingInPlace_) return written;
    const QString part = file_.fileName();
    if (written) {
        // Replaces the old file in one step.
        std::error_code renameFailed;
        std::filesystem::rename(QFile::encodeName(part).toStdString(),
                                QFile::encodeName(fileName_).toStdString(), renameFailed);
        if (renameFailed) written = fail(systemErrorText(renameFailed.value()));
    }
    if (!written) QFile::remove(part);
    return written;
}

bool writeWholeFile(const QString& fileName, QByteArrayView bytes, FileSync sync, QString* why) {
    WholeFile file(fileName, sync);
    if (file.open() && file.write(bytes) && file.commit()) return true;
    if (why) *why = file.error();
    return false;
}

bool copyWholeFile(const QString& source, const QString& target, FileSync sync, QString* why) {
    QFile in(source);
    WholeFile out(target, sync);
    const auto failed = [&](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    if (!in.open(QIODevice::ReadOnly)) return failed(lastError());
    // A copy keeps the mode of its source (a program stays one).
    if (!out.open() || !out.setPermissions(in.permissions())) return failed(out.error());
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(block.data(), block.size());
        if (n < 0) return failed(lastError());
        if (n == 0) break;
        if (!out.write(QByteArrayView(block.constData(), n))) return failed(out.error());
    }
    in.close();
    if (!out.setModified(QFileInfo(source).lastModified()) || !out.commit())
        return failed(out.error());
    return true;
}
