#include "platform/shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform {
namespace {

constexpr int kOk = 42;
constexpr int kFileNotFound = 2;
constexpr int kAccessDenied = 5;
constexpr int kNoAssociation = 31;

bool looksLikeUrl(const QString& target) {
    const qsizetype colon = target.indexOf(u':');
    return colon > 1 && !target.startsWith(u'/') &&
           (target.startsWith(QStringLiteral("http"), Qt::CaseInsensitive) ||
            target.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive) ||
            target.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive));
}

}  // namespace

int shellOpen(const QString& file, const QString& parameters) {
    if (file.isEmpty()) return kFileNotFound;
    if (looksLikeUrl(file)) return QDesktopServices::openUrl(QUrl(file)) ? kOk : kNoAssociation;
    const QFileInfo info(file);
    if (!info.exists()) return kFileNotFound;
    if (info.isFile() && info.isExecutable()) {
        const QStringList args = QProcess::splitCommand(parameters);
        return QProcess::startDetached(info.absoluteFilePath(), args) ? kOk : kAccessDenied;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? kOk
                                                                                   : kNoAssociation;
}

QString documentsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

bool isInstallablePackage(const QString& path) {
    // An ar archive whose first member is "debian-binary".
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(21);
    return head.startsWith("!<arch>\n") && head.mid(8).startsWith("debian-binary");
}

bool pathsIgnoreCase() {
    return false;
}

}  // namespace platform
