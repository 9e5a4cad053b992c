#include "platform/shell.h"

#include <QDesktopServices>
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

bool pathsIgnoreCase() {
    return false;
}

}  // namespace platform
