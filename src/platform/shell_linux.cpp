#include "platform/shell.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

namespace platform {
namespace {

constexpr int kOk = 42;
constexpr int kFileNotFound = 2;
constexpr int kAccessDenied = 5;
constexpr int kNoAssociation = 31;
constexpr int kOpenerWaitMs = 3000;

bool looksLikeUrl(const QString& target) {
    const qsizetype colon = target.indexOf(u':');
    return colon > 1 && !target.startsWith(u'/') &&
           (target.startsWith(QStringLiteral("http"), Qt::CaseInsensitive) ||
            target.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive) ||
            target.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive));
}

// Opens an address or a document with the desktop's opener. xdg-open starts
// whatever is set up and tells by its exit status whether anything could
// open it; it is waited for a moment only, since in some desktops it stays
// until the browser it started ends (then the browser is up: success). It
// runs detached, so that waiting ends nothing.
int openWithDesktop(const QUrl& url) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return QDesktopServices::openUrl(url) ? kOk : kNoAssociation;
    QTemporaryDir status;
    const QString statusFile = status.filePath(QStringLiteral("status"));
    if (!status.isValid() ||
        !QProcess::startDetached(QStringLiteral("/bin/sh"),
                                 {QStringLiteral("-c"),
                                  QStringLiteral("\"$0\" \"$1\" >/dev/null 2>&1; echo $? > \"$2\""),
                                  opener, url.toString(QUrl::FullyEncoded), statusFile}))
        return kNoAssociation;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kOpenerWaitMs) {
        QFile answer(statusFile);
        if (answer.open(QIODevice::ReadOnly)) {
            const QByteArray code = answer.readAll().trimmed();
            if (!code.isEmpty()) return code == "0" ? kOk : kNoAssociation;
        }
        QThread::msleep(50);
    }
    status.setAutoRemove(false);  // the opener may still write its answer there
    return kOk;
}

}  // namespace

int shellOpen(const QString& file, const QString& parameters) {
    if (file.isEmpty()) return kFileNotFound;
    if (looksLikeUrl(file)) return openWithDesktop(QUrl(file));
    const QFileInfo info(file);
    if (!info.exists()) return kFileNotFound;
    if (info.isFile() && info.isExecutable()) {
        const QStringList args = QProcess::splitCommand(parameters);
        return QProcess::startDetached(info.absoluteFilePath(), args) ? kOk : kAccessDenied;
    }
    return openWithDesktop(QUrl::fromLocalFile(info.absoluteFilePath()));
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

bool installedByPackageManager(const QString& programPath) {
    // dpkg knows every file its packages installed.
    const QString dpkgQuery = QStandardPaths::findExecutable(QStringLiteral("dpkg-query"));
    const QString program = QFileInfo(programPath).canonicalFilePath();
    if (dpkgQuery.isEmpty() || program.isEmpty()) return false;
    QProcess query;
    query.setStandardErrorFile(QProcess::nullDevice());
    query.setStandardOutputFile(QProcess::nullDevice());
    query.start(dpkgQuery, {QStringLiteral("-S"), program});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0;
}

bool pathsIgnoreCase() {
    return false;
}

}  // namespace platform
